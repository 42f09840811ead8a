// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the statistics window and the opponent read from the training
// record, as plain values. Each reader has its own read-only connection,
// used in the thread that made the reader (the statistics window's run in a
// BackgroundReader): in WAL mode a read never waits for the writer thread or
// for another copy of the program, and sees everything committed before it
// started. Call TrainingRecord::whenWritten() first to be sure a match that
// has just ended is among it.
//
// Nothing here writes to the file. A file that is not there yet reads as an
// empty record; a file that cannot be read leaves the reader in a problem
// state with its message (see RecordState), and every query then returns
// nothing.

#include "record/recordevents.h"
#include "record/recordstate.h"
#include "record/trainingstats.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QSqlError;
class QSqlQuery;

class RecordReader
{
public:
    explicit RecordReader(const QString &databasePath);
    ~RecordReader();
    RecordReader(const RecordReader &) = delete;
    RecordReader &operator=(const RecordReader &) = delete;

    RecordState state() const { return m_state; }
    QString problemText() const { return m_problemText; }

    // Everything the statistics window shows for one card set and period.
    struct Statistics {
        // One row per card of today's set (labels[i] is card i + 1), in card
        // order; the bar chart takes each row's median.
        QList<record::CardRow> cards;
        // The player's median per match, and the match history; oldest first.
        QList<record::MatchPoint> perMatch;
        QList<record::MatchRow> history;
        // perMatch as the chart draws it, in the system's time zone.
        trainingstats::MatchTrend trend;
        // The cards the player mixed up (お手つき by the card read and the
        // card clicked), the most frequent first, then the latest.
        QList<record::Confusion> confusions;
    };
    // The weakest cards for a drill are trainingstats::weakestCards(cards, k, seed).
    Statistics statistics(const QString &cardFolder, const QStringList &labels, record::Period period,
                          qint64 nowMs = QDateTime::currentMSecsSinceEpoch());

    // Told the rows written so far and how many there are in all, now and
    // then during an export; false stops it.
    using Progress = std::function<bool(qint64 written, qint64 total)>;
    // Every take and お手つき, or every match, of one card set (of all sets
    // when cardFolder is empty) as CSV in UTF-8 with a header row, oldest
    // first. The file is replaced whole or not at all; on failure *error
    // says why, and an export stopped by progress leaves *error empty.
    bool exportTakes(const QString &fileName, const QString &cardFolder, QString *error,
                     const Progress &progress = {});
    bool exportMatches(const QString &fileName, const QString &cardFolder, QString *error,
                       const Progress &progress = {});

    // The player's reaction times in ms, card by card, of one card set and
    // period: the takes the player won, in the order taken. The computer's
    // takes, takes without a time and those of practice matches are left
    // out. Nothing when there is no record or it cannot be read.
    QHash<int, QList<int>> reactionTimes(const QString &cardFolder, record::Period period,
                                         qint64 nowMs = QDateTime::currentMSecsSinceEpoch());

    // A value kept by TrainingRecord::keepValue().
    std::optional<QString> keptValue(const QString &key);

private:
    // Whether there is a record to read; false for a file not made yet,
    // still empty, or in a problem state.
    bool ready();
    bool run(QSqlQuery &query);
    void fail(const QSqlError &error);
    struct Rows {
        QString sql;       // the rows, with :folder for the set or null
        QString countSql;  // how many there are
        QStringList header;
        std::function<QStringList(const QSqlQuery &)> fields;
    };
    bool exportRows(const QString &fileName, const QString &cardFolder, const Rows &rows, QString *error,
                    const Progress &progress);

    QString m_path;
    QString m_connection;
    bool m_open = false;
    RecordState m_state = RecordState::Recording;
    QString m_problemText;
};
