// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The record file: its tables, how it is brought up to this version of the
// program, and how a connection to it is set up. Used by the writer thread
// and by RecordReader; nothing here is for the windows.
//
// The file holds:
//   card_sets    one row per card folder
//   matches      start, end, level, voice switch, card count, both scores,
//                result, whether it was a drill, the kind of opponent
//   takes        each right take: when, match, card set, card index, its
//                label at the time, board slot, taker, the player's
//                reaction time
//   wrong_takes  each お手つき: when, match, card set, the card clicked, the
//                card being read, the slot, the time since the announcement
//   kept_values  small values that carry over from one run to the next
//   take_counts  the takes counted by card set, card, taker and reaction
//                time, kept by a trigger on takes
// and in matches, the player's median reaction (player_median_ms), set by a
// trigger when the match's end is written.
// Times are milliseconds since 1970 (UTC).

#include "record/recordstate.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>

namespace recordschema {

// The statements that take the file from version n to n + 1 are steps()[n];
// PRAGMA user_version holds the version the file is at. A new version adds
// a step and never changes an old one.
using Step = QStringList;
const QList<Step> &steps();
int currentVersion();

// An SQL expression: the player's median reaction in the match whose id is
// the SQL expression matchId; null when the player has no timed take in it.
QString matchMedianSql(const QString &matchId);

// Marks the file as this program's record, so that another program's SQLite
// file at the same path is never taken for an empty record and written into.
constexpr qint32 ApplicationId = 0x4b525431;

// How long a statement waits for another copy of the program that holds the
// file. Every transaction either copy makes is a single small write, done in
// well under a millisecond, so a wait longer than a moment means the other
// copy is stuck; the writer then tries the same event again later rather
// than hold up the events queued behind it. The reader runs in the UI
// thread, which must not freeze, and in WAL mode it waits only for the rare
// moment another connection recovers or resets the journal.
constexpr int WriterBusyTimeoutMs = 2000;
constexpr int ReaderBusyTimeoutMs = 200;

// What a database error means for the record. Constraint: a row refers to
// one that is gone, which another copy of the program can cause by deleting
// a card set's record; the file itself is sound.
enum class Failure { Busy, Full, Damaged, Unwritable, Constraint, Other };
Failure classify(const QSqlError &error);
// The state a failure leaves the record in; Busy is no state (try again).
RecordState stateFor(Failure failure);

struct Outcome {
    RecordState state = RecordState::Recording;
    QString detail;     // the database's own words when something failed
    bool busy = false;  // another copy held the file too long: try again later
};

// Sets up a freshly opened connection for writing and brings the file up to
// the steps given (the program passes steps(); the tests pass their own).
// A file that is not a record, is damaged, or is newer than the steps is
// left exactly as it was. All the steps needed run in one transaction: a
// failure in any of them leaves the file at the version it had.
Outcome prepareForWriting(QSqlDatabase &db, const QList<Step> &steps = recordschema::steps());

// Checks a connection opened read-only. A file that is still empty, or at an
// older version that the writer has yet to bring up, reads as empty:
// *empty is set and the state is Recording.
Outcome checkForReading(QSqlDatabase &db, bool *empty);

} // namespace recordschema
