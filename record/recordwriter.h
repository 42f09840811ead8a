// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The writer thread's half of TrainingRecord; nothing else uses it. It owns
// the only writing connection to the record file and lives in its own
// thread: every event arrives by value, in the order it was handed over,
// and is committed on its own.

#include "record/recordevents.h"
#include "record/recordstate.h"

#include <QHash>
#include <QObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <variant>

class QTimer;

namespace recordwriter {
struct Begin {
    qint64 key;
    qint64 at;
    record::MatchStart start;
};
struct TakeMade {
    qint64 key;
    qint64 at;
    record::Take take;
};
struct WrongTakeMade {
    qint64 key;
    qint64 at;
    record::WrongTake wrongTake;
};
struct End {
    qint64 key;
    qint64 at;
    record::MatchEnd end;
};
struct Reset {
    QString folder;
};
struct Keep {
    QString key;
    QString value;
};
// Answered with synced() once everything before it is done.
struct Sync {
    quint64 token;
};
using Event = std::variant<Begin, TakeMade, WrongTakeMade, End, Reset, Keep, Sync>;
} // namespace recordwriter

class RecordWriter : public QObject
{
    Q_OBJECT

public:
    explicit RecordWriter(const QString &databasePath);
    ~RecordWriter() override;

    // Run in the writer thread.
    void open();
    void handle(recordwriter::Event event);
    // Writes what is still queued, closes the file and ends the thread.
    void finish();

Q_SIGNALS:
    // state is a RecordState.
    void stateChanged(int state, const QString &detail);
    void synced(quint64 token);
    void cardSetReset(const QString &folder);

private:
    enum class Written { Done, Busy, Failed };
    bool tryOpen();
    void drain();
    void stop(RecordState state, const QString &detail);
    Written write(const recordwriter::Event &event);
    Written writeBegin(const recordwriter::Begin &begin);
    Written writeTake(const recordwriter::TakeMade &made);
    Written writeWrongTake(const recordwriter::WrongTakeMade &made);
    Written writeEnd(const recordwriter::End &end);
    Written writeReset(const recordwriter::Reset &reset);
    Written writeKeep(const recordwriter::Keep &keep);
    // Runs a prepared or plain statement; on failure remembers why.
    Written run(QSqlQuery &query);
    Written run(const QString &sql);
    Written inTransaction(const std::function<Written()> &work);

    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_stopped = false;
    QTimer *m_retry = nullptr;
    std::deque<recordwriter::Event> m_queue;
    QSqlError m_lastError;

    struct Match {
        qint64 id;
        qint64 setId;
    };
    QHash<qint64, Match> m_matches; // by the key TrainingRecord gave it
    std::optional<QSqlQuery> m_insertTake;
    std::optional<QSqlQuery> m_insertWrongTake;
};
