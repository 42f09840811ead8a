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
        statistics.trend = trainingstats::matchTrend(statistics.perMatch, QTimeZone::systemTimeZone());
        return statistics;
    };
    if (!ready())
        return finish();

    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // One read transaction: the queries see the same moment of the record,
    // however the writer moves on meanwhile.
    db.transaction();
    const bool all = period == record::Period::All;
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

    // A period holds the matches begun in it, each with all its takes and
    // お手つき: a match begun just before it is left out whole, as the
    // history leaves it out. Of the takes since the period began (t), those
    // of such a match are left out by a look at their match (m).
    const QString inPeriod = all ? QStringLiteral(" WHERE t.set_id = :set") : QStringLiteral(
        " JOIN matches m ON m.id = t.match_id AND m.started_at >= :from WHERE t.set_id = :set AND t.taken_at >= :from");
    auto bind = [&](QSqlQuery &query) {
        query.bindValue(QStringLiteral(":set"), setId);
        if (!all)
            query.bindValue(QStringLiteral(":from"), from);
    };

    // The takes by card, side and reaction time: over the whole record from
    // the counts the file keeps, over a period counted from its takes.
    QSqlQuery takes(db);
    // Card, side and time come packed in one number: tens of thousands of
    // rows, and the driver makes a value of every column of every row.
    const QString packed =
        QStringLiteral("SELECT (%1card << 33) | ((%1taker = :computer) << 32) | min(max(%2 + 1, 0), 4294967295)");
    takes.prepare(all ? packed.arg(QString(), QStringLiteral("reaction_ms"))
                            + QStringLiteral(", takes FROM take_counts WHERE set_id = :set")
                      : packed.arg(QStringLiteral("t."), QStringLiteral("ifnull(t.reaction_ms, -1)"))
                            + QStringLiteral(", count(*) FROM takes t") + inPeriod + QStringLiteral(" GROUP BY 1"));
    takes.bindValue(QStringLiteral(":computer"), record::takerKey(record::Taker::Computer));
    bind(takes);
    if (run(takes)) {
        while (takes.next()) {
            const qint64 key = takes.value(0).toLongLong();
            const qint64 ms = (key & 0xffffffff) - 1;
            tally.addTakes(int(key >> 33), key & (qint64(1) << 32) ? record::Taker::Computer : record::Taker::Player,
                           ms >= 0 ? std::optional<int>(int(ms)) : std::nullopt, int(takes.value(1).toLongLong()));
        }
    }
    // お手つき by the card read and the card clicked: each card's count
    // either way, and the pairs the player mixes up, most often first.
    QSqlQuery wrong(db);
    wrong.prepare(QStringLiteral("SELECT t.read_card, t.clicked_card, count(*), max(t.taken_at) FROM wrong_takes t")
                  + inPeriod + QStringLiteral(" GROUP BY 1, 2 ORDER BY 3 DESC, 4 DESC, 1, 2"));
    bind(wrong);
    if (run(wrong)) {
        while (wrong.next()) {
            const record::Confusion pair{int(wrong.value(0).toLongLong()), int(wrong.value(1).toLongLong()),
                                         int(wrong.value(2).toLongLong()), wrong.value(3).toLongLong()};
            tally.addWrongTakes(pair.clickedCard, pair.readCard, pair.count);
            // Cards beyond today's set have no place on its board.
            if (pair.readCard != pair.clickedCard && pair.readCard >= 1 && pair.readCard <= labels.size()
                && pair.clickedCard >= 1 && pair.clickedCard <= labels.size())
                statistics.confusions.append(pair);
        }
    }
    // The trend of each card with times enough: its latest, by the index
    // of a card's takes in the order taken.
    QSqlQuery latest(db);
    latest.prepare(QStringLiteral("SELECT t.reaction_ms FROM takes t INDEXED BY takes_by_card") + inPeriod
                   + QStringLiteral(" AND t.card = :card AND t.taker = :player AND t.reaction_ms IS NOT NULL"
                                    " ORDER BY t.taken_at DESC LIMIT %1")
                         .arg(2 * trainingstats::TrendWindow));
    for (int card = 1; card <= labels.size(); ++card) {
        if (tally.timedTakes(card) < 2 * trainingstats::TrendWindow)
            continue;
        latest.bindValue(QStringLiteral(":card"), card);
        latest.bindValue(QStringLiteral(":player"), record::takerKey(record::Taker::Player));
        bind(latest);
        QList<int> times;
        if (!run(latest))
            break;
        while (latest.next())
            times.append(int(latest.value(0).toLongLong()));
        tally.setLatestTimes(card, times);
    }
    // The player's median of a match is kept when it ends; one still being
    // played, or cut off by a killed program, has it worked out here.
    QSqlQuery matches(db);
    // The small numbers of a match packed in one, and the usual opponent as
    // null: twenty thousand matches, and the driver makes a value of every
    // column of every row.
    matches.prepare(QStringLiteral(
        "SELECT id, started_at, ended_at, player_score, (min(max(level, 0), 255)"
        " | (min(max(card_count, 0), 255) << 8) | (min(max(computer_score, 0), 65535) << 16)"
        " | (voice << 32) | (drill << 33) | (CASE result WHEN :won THEN 1 WHEN :lost THEN 2 WHEN :abandoned THEN 3"
        " ELSE 0 END << 34)), nullif(opponent, :level), CASE WHEN ended_at IS NULL THEN %1 ELSE player_median_ms END"
        " FROM matches WHERE set_id = :set AND started_at >= :start ORDER BY started_at, id")
                        .arg(recordschema::matchMedianSql(QStringLiteral("matches.id"))));
    const QList<record::Result> results{record::Result::Unfinished, record::Result::Won, record::Result::Lost,
                                        record::Result::Abandoned};
    matches.bindValue(QStringLiteral(":won"), record::resultKey(record::Result::Won));
    matches.bindValue(QStringLiteral(":lost"), record::resultKey(record::Result::Lost));
    matches.bindValue(QStringLiteral(":abandoned"), record::resultKey(record::Result::Abandoned));
    matches.bindValue(QStringLiteral(":level"), record::MatchStart().opponent);
    matches.bindValue(QStringLiteral(":set"), setId);
    matches.bindValue(QStringLiteral(":start"), from);
    if (run(matches)) {
        while (matches.next()) {
            record::MatchRow row;
            row.matchId = matches.value(0).toLongLong();
            row.startedAt = matches.value(1).toLongLong();
            if (!matches.value(2).isNull())
                row.endedAt = matches.value(2).toLongLong();
            row.playerScore = matches.value(3).toLongLong();
            const qint64 small = matches.value(4).toLongLong();
            row.level = int(small & 0xff);
            row.cardCount = int(small >> 8 & 0xff);
            row.computerScore = int(small >> 16 & 0xffff);
            row.voice = small >> 32 & 1;
            row.drill = small >> 33 & 1;
            row.result = results.value(int(small >> 34 & 3));
            const QVariant opponent = matches.value(5);
            row.opponent = opponent.isNull() ? record::MatchStart().opponent : opponent.toString();
            const QVariant median = matches.value(6);
            statistics.perMatch.append({row.matchId, row.startedAt, row.level, row.drill, row.opponent,
                                        median.isNull() ? std::nullopt : std::optional<double>(median.toDouble())});
            statistics.history.append(row);
        }
    }
    takes.finish();
    wrong.finish();
    latest.finish();
    matches.finish();
    db.rollback();
    return finish();
}

bool RecordReader::exportRows(const QString &fileName, const QString &cardFolder, const Rows &rows, QString *error,
                              const Progress &progress)
{
    error->clear();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    file.write(csv::line(rows.header).toUtf8());
    if (ready()) {
        // The set's folder, or null for every set.
        const QVariant folder = cardFolder.isEmpty() ? QVariant(QMetaType(QMetaType::QString))
                                                     : QVariant(record::cardSetKey(cardFolder));
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        // The count and the rows of one moment of the record.
        db.transaction();
        qint64 total = 0;
        QSqlQuery query(db);
        if (progress) {
            query.prepare(rows.countSql);
            query.bindValue(QStringLiteral(":folder"), folder);
            if (run(query) && query.next())
                total = query.value(0).toLongLong();
            query.finish();
        }
        query.prepare(rows.sql);
        query.bindValue(QStringLiteral(":folder"), folder);
        if (!run(query)) {
            *error = query.lastError().text();
            db.rollback();
            file.cancelWriting();
            return false;
        }
        qint64 written = 0;
        bool going = !progress || progress(0, total);
        while (going && query.next()) {
            file.write(csv::line(rows.fields(query)).toUtf8());
            // About a hundred times in all, and at every row of a small export.
            if (progress && ++written % std::max<qint64>(1, total / 100) == 0)
                going = progress(written, total);
        }
        query.finish();
        db.rollback();
        if (!going) {
            file.cancelWriting();
            return false;
        }
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

bool RecordReader::exportTakes(const QString &fileName, const QString &cardFolder, QString *error,
                               const Progress &progress)
{
    Rows rows;
    // Both kinds of click in one list, in the order they happened. A wrong
    // take keeps no label: the clicked card is named by its index.
    rows.sql = QStringLiteral(
        "SELECT t.taken_at, s.folder, t.match_id, 0, t.card, t.label, t.card, t.slot, t.taker, t.reaction_ms, t.id"
        " FROM takes t JOIN card_sets s ON s.id = t.set_id WHERE :folder IS NULL OR s.folder = :folder"
        " UNION ALL "
        "SELECT w.taken_at, s.folder, w.match_id, 1, w.clicked_card, '', w.read_card, w.slot, 'player',"
        " w.since_announcement_ms, w.id"
        " FROM wrong_takes w JOIN card_sets s ON s.id = w.set_id WHERE :folder IS NULL OR s.folder = :folder"
        " ORDER BY 1, 4, 11");
    // The takes as the file counts them, rather than counted one by one.
    rows.countSql = QStringLiteral(
        "SELECT (SELECT ifnull(sum(c.takes), 0) FROM take_counts c JOIN card_sets s ON s.id = c.set_id"
        " WHERE :folder IS NULL OR s.folder = :folder)"
        " + (SELECT count(*) FROM wrong_takes w JOIN card_sets s ON s.id = w.set_id"
        " WHERE :folder IS NULL OR s.folder = :folder)");
    rows.header = QStringList{
        QStringLiteral("日時"), QStringLiteral("札の組"), QStringLiteral("試合番号"), QStringLiteral("種類"),
        QStringLiteral("札番号"), QStringLiteral("札の名前"), QStringLiteral("読まれた札"), QStringLiteral("場所"),
        QStringLiteral("取った人"), QStringLiteral("反応時間(ms)"),
    };
    const QTimeZone zone = QTimeZone::systemTimeZone();
    rows.fields = [&zone](const QSqlQuery &q) {
        const bool wrong = q.value(3).toInt() == 1;
        return QStringList{
            timeText(q.value(0), zone), q.value(1).toString(), q.value(2).toString(),
            wrong ? QStringLiteral("お手つき") : QStringLiteral("取り"), q.value(4).toString(), q.value(5).toString(),
            q.value(6).toString(), q.value(7).toString(), takerText(q.value(8).toString()), q.value(9).toString(),
        };
    };
    return exportRows(fileName, cardFolder, rows, error, progress);
}

bool RecordReader::exportMatches(const QString &fileName, const QString &cardFolder, QString *error,
                                 const Progress &progress)
{
    Rows rows;
    rows.sql = QStringLiteral(
        "SELECT m.id, s.folder, m.started_at, m.ended_at, m.level, m.voice, m.card_count, m.drill, m.opponent,"
        " m.player_score, m.computer_score, m.result"
        " FROM matches m JOIN card_sets s ON s.id = m.set_id WHERE :folder IS NULL OR s.folder = :folder"
        " ORDER BY m.started_at, m.id");
    rows.countSql = QStringLiteral("SELECT count(*) FROM matches m JOIN card_sets s ON s.id = m.set_id"
                                   " WHERE :folder IS NULL OR s.folder = :folder");
    rows.header = QStringList{
        QStringLiteral("試合番号"), QStringLiteral("札の組"), QStringLiteral("開始"), QStringLiteral("終了"),
        QStringLiteral("つよさ"), QStringLiteral("音声よみあげ"), QStringLiteral("札の数"), QStringLiteral("試合の種類"),
        QStringLiteral("相手"), QStringLiteral("あなたの得点"), QStringLiteral("コンピュータの得点"), QStringLiteral("結果"),
    };
    const QTimeZone zone = QTimeZone::systemTimeZone();
    rows.fields = [&zone](const QSqlQuery &q) {
        return QStringList{
            q.value(0).toString(), q.value(1).toString(), timeText(q.value(2), zone), timeText(q.value(3), zone),
            q.value(4).toString(), q.value(5).toInt() ? QStringLiteral("する") : QStringLiteral("しない"),
            q.value(6).toString(), q.value(7).toInt() ? QStringLiteral("苦手札") : QStringLiteral("試合"),
            q.value(8).toString(), q.value(9).toString(), q.value(10).toString(),
            record::resultText(record::resultFromKey(q.value(11).toString())),
        };
    };
    return exportRows(fileName, cardFolder, rows, error, progress);
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
