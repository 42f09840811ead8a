// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/recordwriter.h"

#include "record/recordschema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <atomic>

#include <sys/resource.h>
#include <unistd.h>

using namespace recordwriter;

namespace {
// How long to wait before trying an event again that another copy of the
// program kept from being written.
constexpr int RetryMs = 250;

QString uniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("training-record-writer-%1").arg(++counter);
}

// The helper for std::visit over the events.
template<class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template<class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;
// The match an event belongs to, by the key TrainingRecord gave it.
std::optional<qint64> matchKey(const Event &event)
{
    return std::visit(Overloaded{
                          [](const Begin &e) { return std::optional<qint64>(e.key); },
                          [](const TakeMade &e) { return std::optional<qint64>(e.key); },
                          [](const WrongTakeMade &e) { return std::optional<qint64>(e.key); },
                          [](const End &e) { return std::optional<qint64>(e.key); },
                          [](const auto &) { return std::optional<qint64>(); },
                      },
                      event);
}
} // namespace

RecordWriter::RecordWriter(const QString &databasePath)
    : m_path(databasePath)
    , m_connection(uniqueConnectionName())
{
}

RecordWriter::~RecordWriter() = default;

void RecordWriter::open()
{
    // The lowest priority for this thread alone (Linux keeps a nice value
    // per thread). Handing over an event wakes this thread; at the same
    // priority as the UI thread the scheduler may run it at once, and on a
    // busy machine the UI thread then waits its turn for milliseconds. A
    // commit takes a fraction of a millisecond and takes come seconds
    // apart, so the writer loses nothing by waiting for a free moment.
    ::setpriority(PRIO_PROCESS, ::gettid(), 19);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(RetryMs);
    connect(m_retry, &QTimer::timeout, this, &RecordWriter::drain);
    drain();
}

void RecordWriter::handle(Event event)
{
    if (m_stopped) {
        if (const Sync *sync = std::get_if<Sync>(&event))
            Q_EMIT synced(sync->token);
        return;
    }
    m_queue.push_back(std::move(event));
    if (!m_retry->isActive())
        drain();
}

bool RecordWriter::tryOpen()
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        stop(RecordState::FolderUnwritable, QString());
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isValid()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(recordschema::WriterBusyTimeoutMs));
    }
    if (!db.isOpen() && !db.open()) {
        const auto failure = recordschema::classify(db.lastError());
        if (failure == recordschema::Failure::Busy)
            return false;
        stop(recordschema::stateFor(failure), db.lastError().text());
        return false;
    }
    const recordschema::Outcome outcome = recordschema::prepareForWriting(db);
    if (outcome.busy)
        return false;
    if (isRecordProblem(outcome.state)) {
        stop(outcome.state, outcome.detail);
        return false;
    }
    m_insertTake.emplace(db);
    m_insertTake->prepare(QStringLiteral(
        "INSERT INTO takes (taken_at, match_id, set_id, card, label, slot, taker, reaction_ms)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    m_insertWrongTake.emplace(db);
    m_insertWrongTake->prepare(QStringLiteral(
        "INSERT INTO wrong_takes (taken_at, match_id, set_id, clicked_card, read_card, slot, since_announcement_ms)"
        " VALUES (?, ?, ?, ?, ?, ?, ?)"));
    m_open = true;
    Q_EMIT stateChanged(int(RecordState::Recording), QString());
    return true;
}

void RecordWriter::drain()
{
    if (m_stopped)
        return;
    if (!m_open && !tryOpen()) {
        if (!m_stopped)
            m_retry->start();
        return;
    }
    while (!m_queue.empty()) {
        switch (write(m_queue.front())) {
        case Written::Done:
            m_queue.pop_front();
            break;
        case Written::Busy:
            m_retry->start();
            return;
        case Written::Failed: {
            const auto failure = recordschema::classify(m_lastError);
            const auto key = matchKey(m_queue.front());
            if (failure == recordschema::Failure::Constraint && key) {
                // Its match was deleted by a reset in another copy of the
                // program: what is left of it goes too, and the rest of the
                // queue, other matches included, is written as ever.
                m_matches.remove(*key);
                m_queue.pop_front();
                break;
            }
            stop(recordschema::stateFor(failure), m_lastError.text());
            return;
        }
        }
    }
}

void RecordWriter::stop(RecordState state, const QString &detail)
{
    m_stopped = true;
    if (m_retry)
        m_retry->stop();
    // What was queued behind the failure is dropped; those waiting for it
    // to be written are still answered.
    for (const Event &event : m_queue) {
        if (const Sync *sync = std::get_if<Sync>(&event))
            Q_EMIT synced(sync->token);
    }
    m_queue.clear();
    Q_EMIT stateChanged(int(state), detail);
}

void RecordWriter::finish()
{
    // One last try at what another copy of the program held up; the busy
    // timeout bounds how long the program's end can wait for it. What is
    // still held up after that is not written.
    if (!m_stopped && m_open)
        drain();
    if (m_retry)
        m_retry->stop();
    m_insertTake.reset();
    m_insertWrongTake.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    QThread::currentThread()->quit();
}

RecordWriter::Written RecordWriter::write(const Event &event)
{
    return std::visit(Overloaded{
                          [this](const Begin &e) { return writeBegin(e); },
                          [this](const TakeMade &e) { return writeTake(e); },
                          [this](const WrongTakeMade &e) { return writeWrongTake(e); },
                          [this](const End &e) { return writeEnd(e); },
                          [this](const Reset &e) { return writeReset(e); },
                          [this](const Keep &e) { return writeKeep(e); },
                          [this](const Sync &e) {
                              Q_EMIT synced(e.token);
                              return Written::Done;
                          },
                      },
                      event);
}

RecordWriter::Written RecordWriter::run(QSqlQuery &query)
{
    if (query.exec())
        return Written::Done;
    m_lastError = query.lastError();
    return recordschema::classify(m_lastError) == recordschema::Failure::Busy ? Written::Busy : Written::Failed;
}

RecordWriter::Written RecordWriter::run(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(sql);
    return run(query);
}

RecordWriter::Written RecordWriter::inTransaction(const std::function<Written()> &work)
{
    Written written = run(QStringLiteral("BEGIN IMMEDIATE"));
    if (written != Written::Done)
        return written;
    written = work();
    if (written == Written::Done)
        written = run(QStringLiteral("COMMIT"));
    if (written != Written::Done) {
        const QSqlError why = m_lastError;
        run(QStringLiteral("ROLLBACK"));
        m_lastError = why;
    }
    return written;
}

RecordWriter::Written RecordWriter::writeBegin(const Begin &begin)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString folder = record::cardSetKey(begin.start.cardFolder);
    Match match{};
    const Written written = inTransaction([&] {
        QSqlQuery addSet(db);
        addSet.prepare(QStringLiteral("INSERT OR IGNORE INTO card_sets (folder) VALUES (?)"));
        addSet.addBindValue(folder);
        QSqlQuery findSet(db);
        findSet.prepare(QStringLiteral("SELECT id FROM card_sets WHERE folder = ?"));
        findSet.addBindValue(folder);
        Written w = run(addSet);
        if (w == Written::Done)
            w = run(findSet);
        if (w != Written::Done)
            return w;
        findSet.next();
        match.setId = findSet.value(0).toLongLong();
        QSqlQuery addMatch(db);
        addMatch.prepare(QStringLiteral(
            "INSERT INTO matches (set_id, started_at, level, voice, card_count, drill, opponent)"
            " VALUES (?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant &value : {QVariant(match.setId), QVariant(begin.at), QVariant(begin.start.level),
                                      QVariant(int(begin.start.voice)), QVariant(begin.start.cardCount),
                                      QVariant(int(begin.start.drill)), QVariant(begin.start.opponent)})
            addMatch.addBindValue(value);
        w = run(addMatch);
        match.id = addMatch.lastInsertId().toLongLong();
        return w;
    });
    if (written == Written::Done)
        m_matches.insert(begin.key, match);
    return written;
}

RecordWriter::Written RecordWriter::writeTake(const TakeMade &made)
{
    const auto match = m_matches.constFind(made.key);
    if (match == m_matches.cend())
        return Written::Done; // its set was reset while it was being played
    QSqlQuery &q = *m_insertTake;
    q.bindValue(0, made.at);
    q.bindValue(1, match->id);
    q.bindValue(2, match->setId);
    q.bindValue(3, made.take.card);
    q.bindValue(4, made.take.label);
    q.bindValue(5, made.take.slot);
    q.bindValue(6, record::takerKey(made.take.taker));
    q.bindValue(7, made.take.reactionMs ? QVariant(*made.take.reactionMs) : QVariant(QMetaType(QMetaType::Int)));
    return run(q);
}

RecordWriter::Written RecordWriter::writeWrongTake(const WrongTakeMade &made)
{
    const auto match = m_matches.constFind(made.key);
    if (match == m_matches.cend())
        return Written::Done;
    QSqlQuery &q = *m_insertWrongTake;
    q.bindValue(0, made.at);
    q.bindValue(1, match->id);
    q.bindValue(2, match->setId);
    q.bindValue(3, made.wrongTake.clickedCard);
    q.bindValue(4, made.wrongTake.readCard);
    q.bindValue(5, made.wrongTake.slot);
    q.bindValue(6, made.wrongTake.sinceAnnouncementMs);
    return run(q);
}

RecordWriter::Written RecordWriter::writeEnd(const End &end)
{
    const auto match = m_matches.constFind(end.key);
    if (match == m_matches.cend())
        return Written::Done;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral(
        "UPDATE matches SET ended_at = ?, player_score = ?, computer_score = ?, result = ? WHERE id = ?"));
    q.addBindValue(end.at);
    q.addBindValue(end.end.playerScore);
    q.addBindValue(end.end.computerScore);
    const QString result = record::resultKey(end.end.result);
    q.addBindValue(result.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(result));
    q.addBindValue(match->id);
    const Written written = run(q);
    if (written == Written::Done)
        m_matches.erase(match);
    return written;
}

RecordWriter::Written RecordWriter::writeReset(const Reset &reset)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    qint64 setId = -1;
    const Written written = inTransaction([&] {
        QSqlQuery findSet(db);
        findSet.prepare(QStringLiteral("SELECT id FROM card_sets WHERE folder = ?"));
        findSet.addBindValue(record::cardSetKey(reset.folder));
        Written w = run(findSet);
        if (w != Written::Done || !findSet.next())
            return w;
        setId = findSet.value(0).toLongLong();
        for (const char *sql : {"DELETE FROM wrong_takes WHERE set_id = ?", "DELETE FROM takes WHERE set_id = ?",
                                "DELETE FROM take_counts WHERE set_id = ?", "DELETE FROM matches WHERE set_id = ?",
                                "DELETE FROM card_sets WHERE id = ?"}) {
            QSqlQuery q(db);
            q.prepare(QString::fromLatin1(sql));
            q.addBindValue(setId);
            if ((w = run(q)) != Written::Done)
                return w;
        }
        return Written::Done;
    });
    if (written != Written::Done)
        return written;
    for (auto it = m_matches.begin(); it != m_matches.end();) {
        if (it->setId == setId)
            it = m_matches.erase(it);
        else
            ++it;
    }
    Q_EMIT cardSetReset(reset.folder);
    return Written::Done;
}

RecordWriter::Written RecordWriter::writeKeep(const Keep &keep)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO kept_values (key, value) VALUES (?, ?)"));
    q.addBindValue(keep.key);
    q.addBindValue(keep.value);
    return run(q);
}
