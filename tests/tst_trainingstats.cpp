// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The numbers of the statistics window, apart from the database: medians,
// the trend, the card table, the weakest cards for a drill and CSV
// quoting, each against a table worked out by hand.

#include "record/csv.h"
#include "record/trainingstats.h"

#include <QSet>
#include <QTest>

using record::CardRow;
using record::Taker;
using Ms = std::optional<double>;

Q_DECLARE_METATYPE(Ms)
Q_DECLARE_METATYPE(CardRow)

namespace {
// An optional time as QCOMPARE can print it; -1 for none.
double ms(Ms value)
{
    return value.value_or(-1);
}

// A card read ten times, unless told otherwise.
CardRow row(int card, Ms median, int computerFirst = 0, int takes = 10, int wrongWhileRead = 0, int wrongTakes = 0)
{
    CardRow r;
    r.card = card;
    r.medianMs = median;
    r.computerFirst = computerFirst;
    r.takes = takes;
    r.wrongWhileRead = wrongWhileRead;
    r.wrongTakes = wrongTakes;
    return r;
}
} // namespace

class TestTrainingStats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void median_data();
    void median();
    void trend_data();
    void trend();
    void cardTable_data();
    void cardTable();
    void weakness_data();
    void weakness();
    void weakest_data();
    void weakest();
    void csvField_data();
    void csvField();
    void matchTrend_data();
    void matchTrend();
};

void TestTrainingStats::median_data()
{
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<Ms>("expected");
    QTest::newRow("none") << QList<int>{} << Ms();
    QTest::newRow("one") << QList<int>{700} << Ms(700);
    QTest::newRow("odd, unsorted") << QList<int>{900, 300, 500, 1200, 400} << Ms(500);
    QTest::newRow("even: mean of the middle two") << QList<int>{800, 200, 500, 300} << Ms(400);
    QTest::newRow("even, odd sum") << QList<int>{601, 600} << Ms(600.5);
    QTest::newRow("repeats") << QList<int>{450, 450, 100, 450, 2000, 450} << Ms(450);
}

void TestTrainingStats::median()
{
    QFETCH(QList<int>, values);
    QFETCH(Ms, expected);
    QCOMPARE(ms(trainingstats::median(values)), ms(expected));
}

void TestTrainingStats::trend_data()
{
    QTest::addColumn<QList<int>>("times");
    QTest::addColumn<Ms>("expected");
    const QList<int> slow = {900, 800, 1000, 950, 850, 900, 1100, 700, 900, 1000}; // median 900
    const QList<int> fast = {500, 650, 600, 550, 700, 400, 600, 620, 580, 600};    // median 600
    QTest::newRow("19 times: none") << (slow + fast.mid(1)) << Ms();
    QTest::newRow("got faster") << (slow + fast) << Ms(-300);
    QTest::newRow("got slower") << (fast + slow) << Ms(300);
    // Only the last 20 count: a very slow start changes nothing.
    QTest::newRow("older times left out") << (QList<int>{5000, 5000, 5000} + slow + fast) << Ms(-300);
    QTest::newRow("even windows") << (QList<int>(10, 400) + QList<int>{300, 310, 320, 330, 340, 350, 360, 370, 380, 390})
                                  << Ms(345 - 400);
}

void TestTrainingStats::trend()
{
    QFETCH(QList<int>, times);
    QFETCH(Ms, expected);
    QCOMPARE(ms(trainingstats::trend(times)), ms(expected));
}

void TestTrainingStats::cardTable_data()
{
    QTest::addColumn<int>("card");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("takes");
    QTest::addColumn<int>("playerTakes");
    QTest::addColumn<Ms>("median");
    QTest::addColumn<int>("best");
    QTest::addColumn<int>("computerFirst");
    QTest::addColumn<int>("wrongTakes");
    QTest::addColumn<int>("wrongWhileRead");
    QTest::addColumn<Ms>("trend");
    QTest::newRow("1: three timed, one lost") << 1 << "あ" << 4 << 3 << Ms(640) << 410 << 1 << 0 << 2 << Ms();
    QTest::newRow("2: never timed") << 2 << "い" << 2 << 0 << Ms() << -1 << 2 << 2 << 1 << Ms();
    QTest::newRow("3: 20 timed") << 3 << "う" << 20 << 20 << Ms(900) << 500 << 0 << 1 << 2 << Ms(-450);
    QTest::newRow("4: never read") << 4 << "" << 0 << 0 << Ms() << -1 << 0 << 0 << 0 << Ms();
}

void TestTrainingStats::cardTable()
{
    QFETCH(int, card);
    QFETCH(QString, label);
    QFETCH(int, takes);
    QFETCH(int, playerTakes);
    QFETCH(Ms, median);
    QFETCH(int, best);
    QFETCH(int, computerFirst);
    QFETCH(int, wrongTakes);
    QFETCH(int, wrongWhileRead);
    QFETCH(Ms, trend);

    // Four cards today, of which only three have a label; takes of card 7
    // come from when the set was larger.
    TakeTally tally(4);
    tally.addTakes(1, Taker::Player, 640);
    tally.addTakes(2, Taker::Computer, 90); // the time is not the player's
    tally.addTakes(7, Taker::Player, 100);
    tally.addTakes(1, Taker::Computer, std::nullopt);
    tally.addTakes(1, Taker::Player, 410);
    tally.addTakes(2, Taker::Computer, std::nullopt);
    tally.addTakes(1, Taker::Player, 2200);
    for (int i = 0; i < 10; ++i)
        tally.addTakes(3, Taker::Player, 1000 + 50 * (i % 3)); // 1000, 1050, 1100, ...
    for (const auto &[time, takes] : QList<QPair<int, int>>{{500, 3}, {600, 3}, {700, 2}, {800, 2}})
        tally.addTakes(3, Taker::Player, time, takes); // as the record counts them
    // The 20 latest: ten around 1050, then ten around 600.
    QList<int> latest;
    for (int i = 9; i >= 0; --i)
        latest << 500 + 100 * (i % 4);
    for (int i = 9; i >= 0; --i)
        latest << 1000 + 50 * (i % 3);
    tally.setLatestTimes(3, latest);
    // お手つき: the card clicked, the card read.
    for (const auto &[clicked, read] : QList<QPair<int, int>>{{2, 1}, {2, 3}, {3, 1}, {7, 2}, {0, 3}})
        tally.addWrongTakes(clicked, read);

    const QList<CardRow> rows = tally.cardRows({QStringLiteral("あ"), QStringLiteral("い"), QStringLiteral("う")});
    QCOMPARE(rows.size(), 4);
    const CardRow &r = rows.at(card - 1);
    QCOMPARE(r.card, card);
    QCOMPARE(r.label, label);
    QCOMPARE(r.takes, takes);
    QCOMPARE(r.playerTakes, playerTakes);
    QCOMPARE(ms(r.medianMs), ms(median));
    QCOMPARE(r.bestMs.value_or(-1), best);
    QCOMPARE(r.computerFirst, computerFirst);
    QCOMPARE(r.wrongTakes, wrongTakes);
    QCOMPARE(r.wrongWhileRead, wrongWhileRead);
    QCOMPARE(ms(r.trendMs), ms(trend));
}

void TestTrainingStats::weakness_data()
{
    QTest::addColumn<CardRow>("card");
    QTest::addColumn<Ms>("score"); // seconds
    // Read 10 times: each slip per reading weighs a second.
    QTest::newRow("its time alone") << row(1, 800) << Ms(0.8);
    QTest::newRow("お手つき while it was read") << row(1, 800, 0, 10, 2) << Ms(1.0);
    QTest::newRow("clicked while another was read") << row(1, 800, 0, 10, 0, 3) << Ms(1.1);
    QTest::newRow("taken first by the computer") << row(1, 800, 5) << Ms(1.3);
    QTest::newRow("all three, read 4 times") << row(1, 1200, 2, 4, 1, 1) << Ms(2.2);
    QTest::newRow("never timed: no score") << row(1, Ms(), 3, 3, 1) << Ms();
}

void TestTrainingStats::weakness()
{
    QFETCH(CardRow, card);
    QFETCH(Ms, score);
    QCOMPARE(ms(trainingstats::weakness(card)), ms(score));
}

void TestTrainingStats::weakest_data()
{
    QTest::addColumn<QList<CardRow>>("rows");
    QTest::addColumn<int>("k");
    QTest::addColumn<QList<int>>("expected");
    // Whether expected is a set, drawn in another order from seed to seed.
    QTest::addColumn<bool>("shuffled");
    const QList<CardRow> table = {
        row(1, 420), row(2, Ms(), 0), row(3, 1310), row(4, 655.5), row(5, Ms(), 3),
        row(6, 1310, 2), row(7, 980), row(8, 420, 1),
    };
    QTest::newRow("never taken first, the computer's favourites ahead")
        << table << 2 << QList<int>{5, 2} << false;
    QTest::newRow("then slowest median; a tie by computer takes")
        << table << 5 << QList<int>{5, 2, 6, 3, 7} << false;
    QTest::newRow("mistakes outweigh a slower median")
        << QList<CardRow>{row(1, 900), row(2, 600, 0, 10, 2, 2), row(3, 700)} << 3 << QList<int>{2, 1, 3} << false;
    QTest::newRow("never timed: more slips a reading first")
        << QList<CardRow>{row(1, Ms(), 0, 0), row(2, Ms(), 0, 2, 1), row(3, Ms(), 0, 4, 0, 1), row(4, 2000)} << 3
        << QList<int>{2, 3, 1} << false;
    QTest::newRow("equal medians and computer takes: by card")
        << QList<CardRow>{row(3, 500), row(1, 500), row(2, 500)} << 3 << QList<int>{1, 2, 3} << false;
    QTest::newRow("all of them") << table << 8 << QList<int>{5, 2, 6, 3, 7, 4, 8, 1} << false;
    QTest::newRow("more than the cards") << table << 50 << QList<int>{5, 2, 6, 3, 7, 4, 8, 1} << false;
    QTest::newRow("none") << table << 0 << QList<int>{} << false;
    QTest::newRow("no record: untaken cards in random order")
        << QList<CardRow>{row(1, Ms()), row(2, Ms()), row(3, Ms()), row(4, Ms()), row(5, 700), row(6, Ms())} << 5
        << QList<int>{1, 2, 3, 4, 6} << true;
}

void TestTrainingStats::weakest()
{
    QFETCH(QList<CardRow>, rows);
    QFETCH(int, k);
    QFETCH(QList<int>, expected);
    QFETCH(bool, shuffled);
    QSet<QList<int>> orders;
    for (quint32 seed = 1; seed <= 20; ++seed) {
        QList<int> cards = trainingstats::weakestCards(rows, k, seed);
        orders << cards;
        if (shuffled)
            std::sort(cards.begin(), cards.end());
        QCOMPARE(cards, expected);
    }
    QCOMPARE(orders.size() > 1, shuffled);
}

void TestTrainingStats::csvField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << QStringLiteral("あ") << QStringLiteral("あ");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("comma") << QStringLiteral("a,b") << QStringLiteral("\"a,b\"");
    QTest::newRow("quote") << QStringLiteral("6\"") << QStringLiteral("\"6\"\"\"");
    QTest::newRow("line break") << QStringLiteral("上\n下") << QStringLiteral("\"上\n下\"");
    QTest::newRow("carriage return") << QStringLiteral("a\rb") << QStringLiteral("\"a\rb\"");
    QTest::newRow("spaces at the ends") << QStringLiteral(" 銀 ") << QStringLiteral("\" 銀 \"");
    QTest::newRow("space inside") << QStringLiteral("C:/かるた 2") << QStringLiteral("C:/かるた 2");
    QTest::newRow("formula") << QStringLiteral("=1+2") << QStringLiteral("'=1+2");
    QTest::newRow("formula with a comma") << QStringLiteral("@SUM(A1,A2)") << QStringLiteral("\"'@SUM(A1,A2)\"");
    QTest::newRow("formula after a carriage return") << QStringLiteral("\r=1+1") << QStringLiteral("\"'\r=1+1\"");
    QTest::newRow("negative score") << QStringLiteral("-3") << QStringLiteral("-3");
}

void TestTrainingStats::csvField()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(csv::field(text), field);
    QCOMPARE(csv::line({text, text}), field + u',' + field + QStringLiteral("\r\n"));
}

void TestTrainingStats::matchTrend_data()
{
    QTest::addColumn<int>("maxPoints");
    QTest::addColumn<int>("span");         // trainingstats::TrendSpan
    QTest::addColumn<QList<double>>("all"); // the medians of the line
    QTest::addColumn<QString>("kinds");     // each series and its points
    QTest::addColumn<int>("firstAt");       // the first point, in hours from the first Monday
    QTest::newRow("a point a match while they fit") << 10 << 0 << QList<double>{500, 700, 600, 900} << "3:3 合:1" << 1;
    QTest::newRow("else a point a day") << 3 << 1 << QList<double>{600, 900} << "3:2 合:1" << 0;
    QTest::newRow("else a week: the series count too") << 2 << 2 << QList<double>{650} << "3:1 合:1" << 0;
    QTest::newRow("at last a month") << 1 << 3 << QList<double>{650} << "3:1 合:1" << 0;
}

void TestTrainingStats::matchTrend()
{
    QFETCH(int, maxPoints);
    QFETCH(int, span);
    QFETCH(QList<double>, all);
    QFETCH(QString, kinds);
    QFETCH(int, firstAt);
    // From Monday 2024-01-01 00:00: four matches on the Monday, one of them
    // without a timed take, and one on the Tuesday.
    const qint64 monday = QDateTime(QDate(2024, 1, 1), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    const qint64 hour = 3600 * 1000;
    const QList<record::MatchPoint> matches{
        {1, monday + hour, 3, false, QStringLiteral("level"), 500},
        {2, monday + 2 * hour, 1, false, QStringLiteral("adaptive"), 700},
        {3, monday + 3 * hour, 1, false, QStringLiteral("human:上"), std::nullopt},
        {4, monday + 4 * hour, 3, false, QStringLiteral("level"), 600},
        {5, monday + 25 * hour, 3, true, QStringLiteral("level"), 900},
    };
    const trainingstats::MatchTrend trend = trainingstats::matchTrend(matches, QTimeZone::utc(), maxPoints);
    QCOMPARE(int(trend.span), span);
    QList<double> medians;
    for (const trainingstats::TrendPoint &p : trend.all)
        medians << p.medianMs;
    QCOMPARE(medians, all);
    QCOMPARE(trend.all.constFirst().at, monday + firstAt * hour);
    QStringList series;
    for (const auto &[opponent, points] : trend.byOpponent)
        series << QStringLiteral("%1:%2").arg(opponent).arg(points.size());
    QCOMPARE(series.join(u' '), kinds);
}

QTEST_APPLESS_MAIN(TestTrainingStats)
#include "tst_trainingstats.moc"
