// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/recordschema.h"

#include <QSqlQuery>
#include <QVariant>

namespace recordschema {

QString matchMedianSql(const QString &matchId)
{
    // The middle one or two of the player's times in the match, in order.
    return QStringLiteral("(SELECT avg(ms) FROM (SELECT reaction_ms AS ms, row_number() OVER (ORDER BY reaction_ms) AS r,"
                          " count(*) OVER () AS n FROM takes WHERE match_id = %1 AND taker = 'player'"
                          " AND reaction_ms IS NOT NULL) WHERE 2 * r BETWEEN n AND n + 2)")
        .arg(matchId);
}

namespace {

const QList<Step> AllSteps = {
    // 0 -> 1: the first record.
    {
        QStringLiteral("CREATE TABLE card_sets ("
                       " id INTEGER PRIMARY KEY,"
                       " folder TEXT NOT NULL UNIQUE)"),
        QStringLiteral("CREATE TABLE matches ("
                       " id INTEGER PRIMARY KEY,"
                       " set_id INTEGER NOT NULL REFERENCES card_sets(id),"
                       " started_at INTEGER NOT NULL,"
                       " ended_at INTEGER,"
                       " level INTEGER NOT NULL,"
                       " voice INTEGER NOT NULL CHECK (voice IN (0, 1)),"
                       " card_count INTEGER NOT NULL,"
                       " player_score INTEGER NOT NULL DEFAULT 0,"
                       " computer_score INTEGER NOT NULL DEFAULT 0,"
                       " result TEXT CHECK (result IN ('won', 'lost', 'abandoned')),"
                       " drill INTEGER NOT NULL DEFAULT 0 CHECK (drill IN (0, 1)),"
                       " opponent TEXT NOT NULL DEFAULT 'level')"),
        QStringLiteral("CREATE TABLE takes ("
                       " id INTEGER PRIMARY KEY,"
                       " taken_at INTEGER NOT NULL,"
                       " match_id INTEGER NOT NULL REFERENCES matches(id),"
                       " set_id INTEGER NOT NULL REFERENCES card_sets(id),"
                       " card INTEGER NOT NULL,"
                       " label TEXT NOT NULL,"
                       " slot INTEGER NOT NULL,"
                       " taker TEXT NOT NULL CHECK (taker IN ('player', 'computer')),"
                       " reaction_ms INTEGER)"),
        QStringLiteral("CREATE TABLE wrong_takes ("
                       " id INTEGER PRIMARY KEY,"
                       " taken_at INTEGER NOT NULL,"
                       " match_id INTEGER NOT NULL REFERENCES matches(id),"
                       " set_id INTEGER NOT NULL REFERENCES card_sets(id),"
                       " clicked_card INTEGER NOT NULL,"
                       " read_card INTEGER NOT NULL,"
                       " slot INTEGER NOT NULL,"
                       " since_announcement_ms INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE kept_values ("
                       " key TEXT PRIMARY KEY,"
                       " value TEXT NOT NULL) WITHOUT ROWID"),
        // The statistics read a set's takes over a period in the order they
        // were taken; this index holds every column they read, so the table
        // itself is never visited.
        QStringLiteral("CREATE INDEX takes_by_set_time ON takes(set_id, taken_at, card, taker, reaction_ms, match_id)"),
        QStringLiteral("CREATE INDEX wrong_takes_by_set_time ON wrong_takes(set_id, taken_at, clicked_card)"),
        QStringLiteral("CREATE INDEX matches_by_set_time ON matches(set_id, started_at)"),
        // Deleting a set's matches checks that no take refers to them.
        QStringLiteral("CREATE INDEX takes_by_match ON takes(match_id)"),
        QStringLiteral("CREATE INDEX wrong_takes_by_match ON wrong_takes(match_id)"),
    },
    // 1 -> 2: summaries that the file keeps up to date itself, so that 成績
    // over a whole record of a million takes reads a row per card and
    // reaction time and a row per match, not every take.
    {
        // Takes by card set, card, side and reaction time (-1: none); kept
        // by a trigger on every take, whichever copy of the program writes.
        QStringLiteral("CREATE TABLE take_counts ("
                       " set_id INTEGER NOT NULL REFERENCES card_sets(id),"
                       " card INTEGER NOT NULL,"
                       " taker TEXT NOT NULL,"
                       " reaction_ms INTEGER NOT NULL,"
                       " takes INTEGER NOT NULL,"
                       " PRIMARY KEY (set_id, card, taker, reaction_ms)) WITHOUT ROWID"),
        QStringLiteral("INSERT INTO take_counts"
                       " SELECT set_id, card, taker, ifnull(reaction_ms, -1), count(*) FROM takes GROUP BY 1, 2, 3, 4"),
        QStringLiteral("CREATE TRIGGER takes_counted AFTER INSERT ON takes BEGIN"
                       " INSERT INTO take_counts VALUES (NEW.set_id, NEW.card, NEW.taker, ifnull(NEW.reaction_ms, -1), 1)"
                       " ON CONFLICT DO UPDATE SET takes = takes + 1;"
                       " END"),
        // The player's median reaction of each match, set when it ends.
        QStringLiteral("ALTER TABLE matches ADD COLUMN player_median_ms REAL"),
        QStringLiteral("UPDATE matches SET player_median_ms = ") + matchMedianSql(QStringLiteral("matches.id")),
        QStringLiteral("CREATE TRIGGER match_ended AFTER UPDATE OF ended_at ON matches BEGIN"
                       " UPDATE matches SET player_median_ms = ")
            + matchMedianSql(QStringLiteral("NEW.id")) + QStringLiteral(" WHERE id = NEW.id; END"),
        // A card's latest takes, for its trend.
        QStringLiteral("CREATE INDEX takes_by_card ON takes(set_id, card, taken_at)"),
    },
};

struct Header {
    qint64 applicationId = 0;
    int version = 0;
    bool hasTables = false;
};

// One statement, so that the three are read at one moment: another copy
// of the program may be bringing up a new file at the same time.
bool readHeader(QSqlDatabase &db, Header *header, QSqlError *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT (SELECT application_id FROM pragma_application_id()),"
                                   " (SELECT user_version FROM pragma_user_version()),"
                                   " (SELECT count(*) FROM sqlite_schema)"))
        || !query.next()) {
        *error = query.lastError();
        return false;
    }
    header->applicationId = query.value(0).toLongLong();
    header->version = query.value(1).toInt();
    header->hasTables = query.value(2).toLongLong() > 0;
    return true;
}

Outcome failed(const QSqlError &error)
{
    const Failure failure = classify(error);
    Outcome outcome;
    outcome.detail = error.text();
    if (failure == Failure::Busy)
        outcome.busy = true;
    else
        outcome.state = stateFor(failure);
    return outcome;
}

// The header of a file this program did not write, or wrote as a newer
// version. A file with no tables and no mark is a new one.
std::optional<RecordState> foreignHeader(const Header &header, int version)
{
    if (header.applicationId != ApplicationId && (header.applicationId != 0 || header.hasTables))
        return RecordState::Damaged;
    if (header.version > version)
        return RecordState::NewerVersion;
    return std::nullopt;
}

bool exec(QSqlDatabase &db, const QString &sql, QSqlError *error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    *error = query.lastError();
    return false;
}

} // namespace

const QList<Step> &steps()
{
    return AllSteps;
}

int currentVersion()
{
    return int(AllSteps.size());
}

Failure classify(const QSqlError &error)
{
    // The primary result code, whether or not the driver reports extended ones.
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        return Failure::Busy;
    case 13: // SQLITE_FULL
        return Failure::Full;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return Failure::Damaged;
    case 3:  // SQLITE_PERM
    case 8:  // SQLITE_READONLY
    case 14: // SQLITE_CANTOPEN
    case 23: // SQLITE_AUTH
        return Failure::Unwritable;
    case 19: // SQLITE_CONSTRAINT
        return Failure::Constraint;
    default:
        return Failure::Other;
    }
}

RecordState stateFor(Failure failure)
{
    switch (failure) {
    case Failure::Full:
        return RecordState::DiskFull;
    case Failure::Damaged:
        return RecordState::Damaged;
    case Failure::Unwritable:
        return RecordState::FolderUnwritable;
    case Failure::Busy:
    case Failure::Constraint:
    case Failure::Other:
        break;
    }
    return RecordState::WriteFailed;
}

Outcome prepareForWriting(QSqlDatabase &db, const QList<Step> &steps)
{
    const int target = int(steps.size());
    QSqlError error;
    Header header;
    // Nothing is written before the file is known to be a record this
    // version may write: even switching the journal mode writes the header.
    if (!exec(db, QStringLiteral("PRAGMA foreign_keys = ON"), &error) || !readHeader(db, &header, &error))
        return failed(error);
    if (const auto refused = foreignHeader(header, target)) {
        Outcome outcome;
        outcome.state = *refused;
        return outcome;
    }
    if (header.hasTables) {
        QSqlQuery check(db);
        if (!check.exec(QStringLiteral("PRAGMA quick_check")))
            return failed(check.lastError());
        if (!check.next() || check.value(0).toString() != QLatin1String("ok")) {
            Outcome outcome;
            outcome.state = RecordState::Damaged;
            outcome.detail = check.value(0).toString();
            return outcome;
        }
    }
    // WAL: the reader never waits for the writer, and a commit is one
    // append to the journal. With synchronous=NORMAL a commit does not wait
    // for the disk either; a killed program keeps every commit, and a power
    // cut can lose only the last ones, never the file.
    QSqlQuery mode(db);
    if (!mode.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
        return failed(mode.lastError());
    if (!mode.next() || mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        Outcome outcome;
        outcome.state = RecordState::FolderUnwritable;
        outcome.detail = QStringLiteral("journal_mode %1").arg(mode.value(0).toString());
        return outcome;
    }
    mode.finish();
    if (!exec(db, QStringLiteral("PRAGMA synchronous = NORMAL"), &error))
        return failed(error);

    // Another copy may be bringing the same file up right now: the version
    // is read again inside the transaction that takes the write lock.
    if (!exec(db, QStringLiteral("BEGIN IMMEDIATE"), &error))
        return failed(error);
    auto rollBack = [&db](const QSqlError &why) {
        QSqlError ignored;
        exec(db, QStringLiteral("ROLLBACK"), &ignored);
        return failed(why);
    };
    if (!readHeader(db, &header, &error))
        return rollBack(error);
    if (const auto refused = foreignHeader(header, target)) {
        QSqlError ignored;
        exec(db, QStringLiteral("ROLLBACK"), &ignored);
        Outcome outcome;
        outcome.state = *refused;
        return outcome;
    }
    if (header.version < target) {
        for (int v = header.version; v < target; ++v) {
            for (const QString &statement : steps.at(v)) {
                if (!exec(db, statement, &error))
                    return rollBack(error);
            }
        }
        if (!exec(db, QStringLiteral("PRAGMA user_version = %1").arg(target), &error)
            || !exec(db, QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId), &error))
            return rollBack(error);
    }
    if (!exec(db, QStringLiteral("COMMIT"), &error))
        return rollBack(error);
    return Outcome();
}

Outcome checkForReading(QSqlDatabase &db, bool *empty)
{
    *empty = false;
    QSqlError error;
    Header header;
    if (!readHeader(db, &header, &error))
        return failed(error);
    if (const auto refused = foreignHeader(header, currentVersion())) {
        Outcome outcome;
        outcome.state = *refused;
        return outcome;
    }
    *empty = header.version < currentVersion();
    return Outcome();
}

} // namespace recordschema
