// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/recordreader.h"

#include "record/csv.h"
#include "record/recordschema.h"
#include "record/trainingstats.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QVariant>

#include <atomic>

namespace {
QString uniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("training-record-reader-%1").arg(++counter);
}

// Local time, to the second, in the zone the caller looked up once: a
// conversion to local time of its own asks the system for the zone file,
// at every row of an export.
QString timeText(const QVariant &ms, const QTimeZone &zone)
{
    if (ms.isNull())
        return QString();
    return QDateTime::fromMSecsSinceEpoch(ms.toLongLong(), zone).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString takerText(const QString &key)
{
    return record::takerFromKey(key) == record::Taker::Computer ? QStringLiteral("コンピュータ")
                                                                 : QStringLiteral("あなた");
}

} // namespace

RecordReader::RecordReader(const QString &databasePath)
    : m_path(databasePath)
    , m_connection(uniqueConnectionName())
{
}

RecordReader::~RecordReader()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool RecordReader::ready()
{
    if (isRecordProblem(m_state))
        return false;
    if (!m_open) {
        // Opening read-only never creates the file; until the writer has
        // made it there is nothing to read.
        if (!QFileInfo::exists(m_path))
            return false;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(recordschema::ReaderBusyTimeoutMs));
        if (!db.open()) {
            const QSqlError error = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connection);
            fail(error);
            return false;
        }
        m_open = true;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    bool empty = false;
    const recordschema::Outcome outcome = recordschema::checkForReading(db, &empty);
    if (isRecordProblem(outcome.state)) {
        m_state = outcome.state;
        m_problemText = recordProblemText(m_state, m_path, outcome.detail);
        return false;
    }
    return !outcome.busy && !empty;
}

bool RecordReader::run(QSqlQuery &query)
{
    query.setForwardOnly(true);
    if (query.exec())
        return true;
    fail(query.lastError());
    return false;
}

void RecordReader::fail(const QSqlError &error)
{
    const auto failure = recordschema::classify(error);
    // Held up for a moment by another connection: nothing this time, the
    // next refresh tries again.
    if (failure == recordschema::Failure::Busy)
        return;
    m_state = failure == recordschema::Failure::Damaged ? RecordState::Damaged : RecordState::ReadFailed;
    m_problemText = recordProblemText(m_state, m_path, error.text());
}

RecordReader::Statistics RecordReader::statistics(const QString &cardFolder, const QStringList &labels,
                                                  record::Period period, qint64 nowMs)
{
    TakeTally tally(int(labels.size()));
    Statistics statistics;
    auto finish = [&] {
        statistics.cards = tally.cardRows(labels);
        for (const record::MatchRow &match : statistics.history)
            statistics.perMatch.append({match.matchId, match.startedAt, match.level, match.drill,
                                        tally.matchMedian(match.matchId)});
        return statistics;
    };
    if (!ready())
        return finish();

    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // One read transaction: the three queries see the same moment of the
    // record, however the writer moves on meanwhile.
    db.transaction();
    const qint64 from = record::periodStart(period, nowMs);
    QSqlQuery set(db);
    set.prepare(QStringLiteral("SELECT id FROM card_sets WHERE folder = ?"));
    set.addBindValue(record::cardSetKey(cardFolder));
    if (!run(set) || !set.next()) {
        db.rollback();
        return finish();
    }
    const qint64 setId = set.value(0).toLongLong();
    set.finish();

    QSqlQuery takes(db);
    // In the order of the index, which is the order taken: two takes in
    // the same millisecond are not of one card. The taker comes as a number
    // to spare a string per take.
    takes.prepare(QStringLiteral("SELECT card, taker = ?, reaction_ms, match_id FROM takes"
                                 " WHERE set_id = ? AND taken_at >= ? ORDER BY taken_at"));
    takes.addBindValue(record::takerKey(record::Taker::Computer));
    takes.addBindValue(setId);
    takes.addBindValue(from);
    if (run(takes)) {
        // toLongLong() reads the driver's integers as they are; toInt()
        // would convert each one, and there are a hundred thousand.
        while (takes.next()) {
            const QVariant ms = takes.value(2);
            tally.addTake(takes.value(3).toLongLong(), int(takes.value(0).toLongLong()),
                          takes.value(1).toLongLong() ? record::Taker::Computer : record::Taker::Player,
                          ms.isNull() ? std::nullopt : std::optional<int>(int(ms.toLongLong())));
        }
    }
    QSqlQuery wrong(db);
    wrong.prepare(QStringLiteral("SELECT clicked_card FROM wrong_takes WHERE set_id = ? AND taken_at >= ?"));
    wrong.addBindValue(setId);
    wrong.addBindValue(from);
    if (run(wrong)) {
        while (wrong.next())
            tally.addWrongTake(int(wrong.value(0).toLongLong()));
    }
    QSqlQuery matches(db);
    matches.prepare(QStringLiteral(
        "SELECT id, started_at, ended_at, level, voice, card_count, player_score, computer_score, result, drill,"
        " opponent FROM matches WHERE set_id = ? AND started_at >= ? ORDER BY started_at, id"));
    matches.addBindValue(setId);
    matches.addBindValue(from);
    if (run(matches)) {
        while (matches.next()) {
            record::MatchRow row;
            row.matchId = matches.value(0).toLongLong();
            row.startedAt = matches.value(1).toLongLong();
            if (!matches.value(2).isNull())
                row.endedAt = matches.value(2).toLongLong();
            row.level = matches.value(3).toInt();
            row.voice = matches.value(4).toInt() != 0;
            row.cardCount = matches.value(5).toInt();
            row.playerScore = matches.value(6).toLongLong();
            row.computerScore = matches.value(7).toInt();
            row.result = record::resultFromKey(matches.value(8).toString());
            row.drill = matches.value(9).toInt() != 0;
            row.opponent = matches.value(10).toString();
            statistics.history.append(row);
        }
    }
    takes.finish();
    wrong.finish();
    matches.finish();
    db.rollback();
    return finish();
}

bool RecordReader::exportRows(const QString &fileName, const QString &sql, const QString &cardFolder,
                              const QStringList &header, const std::function<QStringList(const QSqlQuery &)> &fields,
                              QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    file.write(csv::line(header).toUtf8());
    if (ready()) {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.prepare(sql);
        // The set's folder, or null for every set.
        query.bindValue(QStringLiteral(":folder"), cardFolder.isEmpty() ? QVariant(QMetaType(QMetaType::QString))
                                                : QVariant(record::cardSetKey(cardFolder)));
        if (!run(query)) {
            *error = query.lastError().text();
            file.cancelWriting();
            return false;
        }
        while (query.next())
            file.write(csv::line(fields(query)).toUtf8());
    } else if (isRecordProblem(m_state)) {
        *error = m_problemText;
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool RecordReader::exportTakes(const QString &fileName, const QString &cardFolder, QString *error)
{
    // Both kinds of click in one list, in the order they happened. A wrong
    // take keeps no label: the clicked card is named by its index.
    const QString sql = QStringLiteral(
        "SELECT t.taken_at, s.folder, t.match_id, 0, t.card, t.label, t.card, t.slot, t.taker, t.reaction_ms, t.id"
        " FROM takes t JOIN card_sets s ON s.id = t.set_id WHERE :folder IS NULL OR s.folder = :folder"
        " UNION ALL "
        "SELECT w.taken_at, s.folder, w.match_id, 1, w.clicked_card, '', w.read_card, w.slot, 'player',"
        " w.since_announcement_ms, w.id"
        " FROM wrong_takes w JOIN card_sets s ON s.id = w.set_id WHERE :folder IS NULL OR s.folder = :folder"
        " ORDER BY 1, 4, 11");
    const QStringList header = {
        QStringLiteral("日時"), QStringLiteral("札の組"), QStringLiteral("試合番号"), QStringLiteral("種類"),
        QStringLiteral("札番号"), QStringLiteral("札の名前"), QStringLiteral("読まれた札"), QStringLiteral("場所"),
        QStringLiteral("取った人"), QStringLiteral("反応時間(ms)"),
    };
    const QTimeZone zone = QTimeZone::systemTimeZone();
    return exportRows(fileName, sql, cardFolder, header, [&zone](const QSqlQuery &q) {
        const bool wrong = q.value(3).toInt() == 1;
        return QStringList{
            timeText(q.value(0), zone), q.value(1).toString(), q.value(2).toString(),
            wrong ? QStringLiteral("お手つき") : QStringLiteral("取り"), q.value(4).toString(), q.value(5).toString(),
            q.value(6).toString(), q.value(7).toString(), takerText(q.value(8).toString()), q.value(9).toString(),
        };
    }, error);
}

bool RecordReader::exportMatches(const QString &fileName, const QString &cardFolder, QString *error)
{
    const QString sql = QStringLiteral(
        "SELECT m.id, s.folder, m.started_at, m.ended_at, m.level, m.voice, m.card_count, m.drill, m.opponent,"
        " m.player_score, m.computer_score, m.result"
        " FROM matches m JOIN card_sets s ON s.id = m.set_id WHERE :folder IS NULL OR s.folder = :folder"
        " ORDER BY m.started_at, m.id");
    const QStringList header = {
        QStringLiteral("試合番号"), QStringLiteral("札の組"), QStringLiteral("開始"), QStringLiteral("終了"),
        QStringLiteral("つよさ"), QStringLiteral("音声よみあげ"), QStringLiteral("札の数"), QStringLiteral("試合の種類"),
        QStringLiteral("相手"), QStringLiteral("あなたの得点"), QStringLiteral("コンピュータの得点"), QStringLiteral("結果"),
    };
    const QTimeZone zone = QTimeZone::systemTimeZone();
    return exportRows(fileName, sql, cardFolder, header, [&zone](const QSqlQuery &q) {
        return QStringList{
            q.value(0).toString(), q.value(1).toString(), timeText(q.value(2), zone), timeText(q.value(3), zone),
            q.value(4).toString(), q.value(5).toInt() ? QStringLiteral("する") : QStringLiteral("しない"),
            q.value(6).toString(), q.value(7).toInt() ? QStringLiteral("苦手札") : QStringLiteral("試合"),
            q.value(8).toString(), q.value(9).toString(), q.value(10).toString(),
            record::resultText(record::resultFromKey(q.value(11).toString())),
        };
    }, error);
}

QHash<int, QList<int>> RecordReader::reactionTimes(const QString &cardFolder, record::Period period, qint64 nowMs)
{
    QHash<int, QList<int>> times;
    if (!ready())
        return times;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT t.card, t.reaction_ms FROM takes t JOIN card_sets s ON s.id = t.set_id"
                                 " WHERE s.folder = ? AND t.taker = ? AND t.reaction_ms IS NOT NULL"
                                 " AND t.taken_at >= ? AND t.match_id NOT IN (SELECT id FROM matches WHERE opponent = ?)"
                                 " ORDER BY t.taken_at"));
    query.addBindValue(record::cardSetKey(cardFolder));
    query.addBindValue(record::takerKey(record::Taker::Player));
    query.addBindValue(record::periodStart(period, nowMs));
    query.addBindValue(QString::fromLatin1(record::PracticeOpponent));
    if (!run(query))
        return times;
    while (query.next())
        times[int(query.value(0).toLongLong())].append(int(query.value(1).toLongLong()));
    return times;
}

std::optional<QString> RecordReader::keptValue(const QString &key)
{
    if (!ready())
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT value FROM kept_values WHERE key = ?"));
    query.addBindValue(key);
    if (!run(query) || !query.next())
        return std::nullopt;
    return query.value(0).toString();
}
