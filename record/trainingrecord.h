// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The training record as the match window sees it: every take, wrong take,
// match start and match end is handed over by value as it happens, and a
// writer on its own thread, with its own connection to the record file,
// commits each one at once. Handing over costs the UI thread a copy and a
// queued call; it never waits for the disk, and nothing is shared with the
// match's rules. Killing the program loses at most the event being handed
// over at that moment.
//
// Used from the UI thread only. The program makes one, on the file at
// defaultPath(); a second copy of the program running at the same time
// makes its own, and both record.
//
// From the match window, through its MatchRecorder:
//     key = record.startMatch({folder, count, level, voice, drill})  at 試合開始
//     record.recordTake(key, {card, label, slot, taker, ms})         at each right take
//     record.recordWrongTake(key, {clicked, read, slot, ms})         at each お手つき
//     record.endMatch(key, {scores, Won / Lost / Abandoned})         at the end, おわり or the close box
// with the reaction time from a ReactionClock the window owns.
// From the statistics window: resetCardSet() after its question, and
// whenWritten() before reading, so that a match that has just ended is in.
//
// When the record cannot be kept (see RecordState), problem() is sent once,
// with the message to show; the match goes on, and what is handed over
// from then on is dropped.

#include "record/matchrecorder.h"
#include "record/recordevents.h"
#include "record/recordstate.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include <functional>

class RecordWriter;

class TrainingRecord : public QObject, public MatchRecorder::Sink
{
    Q_OBJECT

public:
    // The user's data folder + "/training-record.sqlite": one file for every
    // copy of the program, portable or installed.
    static QString defaultPath();

    // Starts the writer thread, which creates the folder and opens, checks
    // and if need be brings up the file; events handed over meanwhile wait.
    explicit TrainingRecord(const QString &databasePath, QObject *parent = nullptr);
    // Lets the writer finish what was handed over, then stops its thread.
    ~TrainingRecord() override;

    // A match, known to the record by the key startMatch() gives.
    MatchKey startMatch(const record::MatchStart &start) override;
    void recordTake(MatchKey match, const record::Take &take) override;
    void recordWrongTake(MatchKey match, const record::WrongTake &wrongTake) override;
    void endMatch(MatchKey match, const record::MatchEnd &end) override;

    // Deletes the record of one card set. A match of that set still being
    // played is no longer recorded. cardSetReset() follows once done.
    void resetCardSet(const QString &cardFolder);
    // A value that carries over from one run to the next (RecordReader
    // reads it back).
    void keepValue(const QString &key, const QString &value);

    // Calls done in the UI thread once everything handed over before this
    // call has been written (or dropped); not if a context was given and is
    // gone by then.
    void whenWritten(QObject *context, std::function<void()> done);

    RecordState state() const { return m_state; }
    // The message of the problem, once there is one.
    QString problemText() const { return m_problemText; }
    QString path() const { return m_path; }

    // Where the times of events come from: the wall clock, in ms since
    // 1970. Tests and benchmarks set their own to record the past.
    using WallClock = std::function<qint64()>;
    void setWallClock(WallClock clock) { m_wallClock = std::move(clock); }

Q_SIGNALS:
    // From Opening to Recording, or to a problem, whose text is in message;
    // sent at most once for a problem.
    void stateChanged(RecordState state);
    void problem(const QString &message);
    void cardSetReset(const QString &cardFolder);

private:
    void onState(RecordState state, const QString &detail);
    void onSynced(quint64 token);
    template<typename Event>
    void post(Event event);

    QString m_path;
    QThread m_thread;
    RecordWriter *m_writer = nullptr;
    RecordState m_state = RecordState::Opening;
    QString m_problemText;
    WallClock m_wallClock;
    MatchKey m_lastKey = 0;
    quint64 m_lastToken = 0;
    struct Pending {
        QPointer<QObject> context;
        bool guarded = false;
        std::function<void()> done;
    };
    QHash<quint64, Pending> m_pending;
};
