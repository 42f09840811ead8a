// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/trainingrecord.h"

#include "record/recordwriter.h"

#include <QDateTime>
#include <QStandardPaths>

using namespace recordwriter;

QString TrainingRecord::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/training-record.sqlite");
}

TrainingRecord::TrainingRecord(const QString &databasePath, QObject *parent)
    : QObject(parent)
    , m_path(databasePath)
    , m_writer(new RecordWriter(databasePath))
    , m_wallClock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    m_thread.setObjectName(QStringLiteral("training record"));
    m_writer->moveToThread(&m_thread);
    connect(m_writer, &RecordWriter::stateChanged, this,
            [this](int state, const QString &detail) { onState(RecordState(state), detail); });
    connect(m_writer, &RecordWriter::synced, this, &TrainingRecord::onSynced);
    connect(m_writer, &RecordWriter::cardSetReset, this, &TrainingRecord::cardSetReset);
    m_thread.start();
    QMetaObject::invokeMethod(m_writer, &RecordWriter::open, Qt::QueuedConnection);
}

TrainingRecord::~TrainingRecord()
{
    QMetaObject::invokeMethod(m_writer, &RecordWriter::finish, Qt::QueuedConnection);
    m_thread.wait();
    delete m_writer;
}

template<typename E>
void TrainingRecord::post(E event)
{
    RecordWriter *writer = m_writer;
    QMetaObject::invokeMethod(
        writer, [writer, event = std::move(event)]() mutable { writer->handle(std::move(event)); },
        Qt::QueuedConnection);
}

TrainingRecord::MatchKey TrainingRecord::startMatch(const record::MatchStart &start)
{
    const MatchKey key = ++m_lastKey;
    post(Begin{key, m_wallClock(), start});
    return key;
}

void TrainingRecord::recordTake(MatchKey match, const record::Take &take)
{
    post(TakeMade{match, m_wallClock(), take});
}

void TrainingRecord::recordWrongTake(MatchKey match, const record::WrongTake &wrongTake)
{
    post(WrongTakeMade{match, m_wallClock(), wrongTake});
}

void TrainingRecord::endMatch(MatchKey match, const record::MatchEnd &end)
{
    post(End{match, m_wallClock(), end});
}

void TrainingRecord::resetCardSet(const QString &cardFolder)
{
    post(Reset{cardFolder});
}

void TrainingRecord::keepValue(const QString &key, const QString &value)
{
    post(Keep{key, value});
}

void TrainingRecord::whenWritten(QObject *context, std::function<void()> done)
{
    const quint64 token = ++m_lastToken;
    m_pending.insert(token, Pending{context, context != nullptr, std::move(done)});
    post(Sync{token});
}

void TrainingRecord::onSynced(quint64 token)
{
    const Pending pending = m_pending.take(token);
    if (pending.done && (pending.context || !pending.guarded))
        pending.done();
}

void TrainingRecord::onState(RecordState state, const QString &detail)
{
    if (isRecordProblem(m_state))
        return;
    m_state = state;
    if (isRecordProblem(state))
        m_problemText = recordProblemText(state, m_path, detail);
    Q_EMIT stateChanged(state);
    if (isRecordProblem(state))
        Q_EMIT problem(m_problemText);
}
