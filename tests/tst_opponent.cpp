// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The computer's opponents played against simulated players, with fixed
// seeds: the named steps' speeds, the adaptive opponent's staircase and its
// reading of the record, and the five levels' take times left as they were.

#include "match/humanmodel.h"
#include "match/matchsimulator.h"
#include "match/opponent.h"

#include <QHash>
#include <QPoint>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {
using HumanModel::Step;
using Record = AdaptiveOpponent::Record;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}
} // namespace

class TestOpponent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void takeTimes_data();
    void takeTimes();
    void noTakesPileUpAtTheFloor_data();
    void noTakesPileUpAtTheFloor();
    void staircase_data();
    void staircase();
    void levelsTakeAtTheirInterval_data();
    void levelsTakeAtTheirInterval();
    void practiceLeavesEveryCardToThePlayer();
    void adaptiveBasis_data();
    void adaptiveBasis();
    void factor_data();
    void factor();
};

void TestOpponent::takeTimes_data()
{
    QTest::addColumn<OpponentChoice>("choice");
    QTest::addColumn<int>("recordedMs"); // for every card, three takes; 0: no record
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("medianMs");
    using K = OpponentChoice::Kind;
    QTest::newRow("はじめて") << OpponentChoice{K::HumanLike, Step::Beginner} << 0 << 1.0 << 1200.0;
    QTest::newRow("ふつう") << OpponentChoice{K::HumanLike, Step::Standard} << 0 << 1.0 << 800.0;
    QTest::newRow("じょうず") << OpponentChoice{K::HumanLike, Step::Skilled} << 0 << 1.0 << 600.0;
    QTest::newRow("めいじん") << OpponentChoice{K::HumanLike, Step::Master} << 0 << 1.0 << 400.0;
    QTest::newRow("adaptive, own medians") << OpponentChoice{K::Adaptive} << 1000 << 1.0 << 1000.0;
    QTest::newRow("adaptive, 10 % faster") << OpponentChoice{K::Adaptive} << 1000 << 0.9 << 900.0;
    QTest::newRow("adaptive, no record, 50 % slower") << OpponentChoice{K::Adaptive} << 0 << 1.5 << 1200.0;
}

void TestOpponent::takeTimes()
{
    QFETCH(OpponentChoice, choice);
    QFETCH(int, recordedMs);
    QFETCH(double, factor);
    QFETCH(double, medianMs);
    Record record;
    for (int card = 1; recordedMs > 0 && card <= 46; ++card)
        record[card] = {recordedMs, recordedMs, recordedMs};
    const std::unique_ptr<Opponent> opponent = makeOpponent(choice, 1600, record, factor);
    // Whole 46-card matches until the opponent has raced for 1,000 cards.
    SimulatedPlayer player(HumanModel::step(Step::Standard).params, 77);
    std::vector<double> all, fewCards, manyCards;
    for (quint64 m = 0; all.size() < 1000; ++m) {
        const MatchSimulator::Result match = MatchSimulator::play({}, 46, *opponent, player, 2 * m, 2 * m + 1);
        for (const MatchSimulator::CardTake &take : match.cards) {
            if (take.computerMs < 0)
                continue;
            all.push_back(take.computerMs);
            (take.cardsOnBoard <= 10 ? fewCards : manyCards).push_back(take.computerMs);
            // The card goes to whoever is faster, the tie to the player: a
            // computer's take from a wrong slot would take nothing.
            QCOMPARE(take.taker == Board::Pile::Computer, take.computerMs < take.playerMs);
        }
    }
    QVERIFY2(std::abs(median(all) - medianMs) <= 0.05 * medianMs, qPrintable(QString::number(median(all))));
    QCOMPARE_GE(*std::min_element(all.begin(), all.end()), HumanModel::FloorMs);
    // Visible variation: the middle half of the takes spans a tenth of the
    // median or more.
    std::sort(all.begin(), all.end());
    QCOMPARE_GE(all[all.size() * 3 / 4] - all[all.size() / 4], 0.1 * medianMs);
    // Fewer cards to search, faster takes.
    QCOMPARE_LT(median(fewCards), median(manyCards));
}

void TestOpponent::noTakesPileUpAtTheFloor_data()
{
    QTest::addColumn<HumanModel::Params>("params");
    QTest::addColumn<int>("cardsOnBoard");
    // The adaptive opponent stretches 「ふつう」 to the player's medians.
    const HumanModel::Params standard = HumanModel::step(Step::Standard).params;
    QTest::newRow("めいじん, last card") << HumanModel::step(Step::Master).params << 1;
    QTest::newRow("380 ms, 10 cards") << HumanModel::scaled(standard, 380.0 / 800) << 10;
    QTest::newRow("330 ms, full board") << HumanModel::scaled(standard, 330.0 / 800) << 45;
    QTest::newRow("330 ms, 2-card drill") << HumanModel::scaled(standard, 330.0 / 800) << 2;
    QTest::newRow("80 ms, 10 cards") << HumanModel::scaled(standard, 0.1) << 10;
}

void TestOpponent::noTakesPileUpAtTheFloor()
{
    QFETCH(HumanModel::Params, params);
    QFETCH(int, cardsOnBoard);
    HumanModel::Engine engine(28);
    int nearFloor = 0;
    for (int i = 0; i < 10000; ++i) {
        const double ms = HumanModel::drawMs(params, cardsOnBoard, engine);
        QCOMPARE_GE(ms, HumanModel::FloorMs);
        nearFloor += ms < HumanModel::FloorMs + 2;
    }
    QCOMPARE_LE(nearFloor, 100);
}

void TestOpponent::staircase_data()
{
    QTest::addColumn<HumanModel::Params>("player");
    QTest::addColumn<bool>("keepRecord");
    QTest::addColumn<std::vector<int>>("cardCounts"); // of the matches, in turn, 46 first
    const HumanModel::Params fast = HumanModel::scaled(HumanModel::step(Step::Skilled).params, 0.8);
    const HumanModel::Params middling = HumanModel::scaled(HumanModel::step(Step::Standard).params, 1.2);
    const HumanModel::Params slow = HumanModel::scaled(HumanModel::step(Step::Beginner).params, 1.3);
    // With no record the opponent starts as 「ふつう」: the factor alone has
    // to find the player.
    QTest::newRow("0.48 s, no record") << fast << false << std::vector<int>{46};
    QTest::newRow("0.96 s, no record") << middling << false << std::vector<int>{46};
    QTest::newRow("1.56 s, no record") << slow << false << std::vector<int>{46};
    QTest::newRow("0.48 s, recorded") << fast << true << std::vector<int>{46};
    QTest::newRow("0.96 s, recorded") << middling << true << std::vector<int>{46};
    QTest::newRow("1.56 s, recorded") << slow << true << std::vector<int>{46};
    // Two drills of 3 cards after each whole match: with the first card
    // free, the player wins three in four of them against an equal opponent.
    QTest::newRow("0.96 s, recorded, with drills") << middling << true << std::vector<int>{46, 3, 3};
}

void TestOpponent::staircase()
{
    QFETCH(HumanModel::Params, player);
    QFETCH(bool, keepRecord);
    QFETCH(std::vector<int>, cardCounts);
    SimulatedPlayer simulated(player, 2024);
    const MatchSimulator::Staircase run =
        MatchSimulator::staircase(60 * int(cardCounts.size()), cardCounts, simulated, keepRecord, 5150);
    // The whole matches, each first in its turn, from the 20th on.
    int wins = 0;
    for (std::size_t m = 19 * cardCounts.size(); m < run.playerWon.size(); m += cardCounts.size())
        wins += run.playerWon[m];
    QVERIFY2(wins >= 0.4 * 41 && wins <= 0.6 * 41, qPrintable(QStringLiteral("%1 of 41").arg(wins)));
}

void TestOpponent::levelsTakeAtTheirInterval_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("intervalMs");
    QTest::newRow("1") << 1 << 6000;
    QTest::newRow("2") << 2 << 5000;
    QTest::newRow("3") << 3 << 4000;
    QTest::newRow("4") << 4 << 3000;
    QTest::newRow("5") << 5 << 2000;
}

void TestOpponent::levelsTakeAtTheirInterval()
{
    QFETCH(int, level);
    QFETCH(int, intervalMs);
    const MatchState::Setup setup{level, false};
    LevelOpponent opponent;
    // The window runs the level's own timer and scan.
    MatchState match;
    match.begin(46, setup, 3, 4);
    QCOMPARE(opponent.plan(match).kind, Opponent::Plan::Kind::LevelScan);
    QCOMPARE(opponent.plan(match).ms, intervalMs);
    // A player slower than any level: the computer takes every card it
    // races for, the scan's yields costing nothing.
    SimulatedPlayer player(HumanModel::Params{60000, 0, 0, 0}, 1);
    const MatchSimulator::Result result = MatchSimulator::play(setup, 46, opponent, player, 3, 4);
    QCOMPARE(result.computerScore, 5 * 45);
    QCOMPARE(result.cards.front().taker, Board::Pile::Player);
    for (std::size_t i = 1; i < result.cards.size(); ++i)
        QCOMPARE(result.cards[i].computerMs, double(intervalMs));
    // A player exactly as fast ties every card, and a tie is the player's.
    SimulatedPlayer tying(HumanModel::Params{double(intervalMs), 0, 0, 0}, 1);
    QCOMPARE(MatchSimulator::play(setup, 46, opponent, tying, 3, 4).computerScore, 0);
}

void TestOpponent::practiceLeavesEveryCardToThePlayer()
{
    const std::unique_ptr<Opponent> opponent = makeOpponent({OpponentChoice::Kind::Practice}, 1);
    // A player who takes a minute over each card still gets every one.
    SimulatedPlayer player(HumanModel::Params{60000, 0, 0, 0}, 1);
    const MatchSimulator::Result result = MatchSimulator::play({}, 46, *opponent, player, 3, 4);
    QCOMPARE(result.computerScore, 0);
    for (const MatchSimulator::CardTake &take : result.cards)
        QCOMPARE(take.computerMs, -1.0);
}

void TestOpponent::adaptiveBasis_data()
{
    QTest::addColumn<Record>("record");
    QTest::addColumn<int>("card");
    QTest::addColumn<double>("basisMs");
    QTest::newRow("no record: ふつう") << Record{} << 1 << 800.0;
    QTest::newRow("only absurd takes: ふつう") << Record{{1, {-5, 0, 99, 30001, 65000}}, {2, {70000}}} << 1 << 800.0;
    QTest::newRow("the card's own median") << Record{{1, {1000, 1400, 1200}}, {2, {500, 600, 700}}} << 1 << 1200.0;
    QTest::newRow("an even count") << Record{{1, {1400, 1000, 1300, 1100}}} << 1 << 1200.0;
    QTest::newRow("absurd takes left out of the card") << Record{{1, {50, 60, 1000, 1100, 1200, 61000}}} << 1 << 1100.0;
    QTest::newRow("0.1 and 30 s still count") << Record{{2, {100, 100, 30000}}, {3, {5000}}} << 2 << 100.0;
    QTest::newRow("two takes: the overall median") << Record{{1, {1000, 2000}}, {2, {400, 500, 600}}} << 1 << 600.0;
    QTest::newRow("never taken: the overall median") << Record{{1, {1000, 2000}}, {2, {400, 500, 600}}} << 3 << 600.0;
}

void TestOpponent::adaptiveBasis()
{
    QFETCH(Record, record);
    QFETCH(int, card);
    QFETCH(double, basisMs);
    AdaptiveOpponent adaptive(record, AdaptiveOpponent::StartFactor, 99);
    QCOMPARE(adaptive.basisMs(card), basisMs);
    if (AdaptiveOpponent::hasUsableTakes(record))
        return;
    // Nothing usable: draw for draw the opponent of 「ふつう」 with the same seed.
    HumanLikeOpponent standard(Step::Standard, 99);
    MatchState match;
    match.begin(46, {}, 5, 6);
    for (int i = 0; i < 45; ++i) {
        const Opponent::Plan a = adaptive.plan(match), s = standard.plan(match);
        QCOMPARE(a.ms, s.ms);
        QCOMPARE(a.slot, s.slot);
        match.take(Board::Pile::Player, a.slot);
    }
}

void TestOpponent::factor_data()
{
    QTest::addColumn<QString>("kept"); // the text the record kept
    QTest::addColumn<QString>("results"); // then the player's: W won, L lost
    QTest::addColumn<double>("factor");
    QTest::newRow("nothing kept, won twice, lost once") << "" << "WWL" << 0.95 * 0.95 * 1.05;
    const double kept = 0.95 * 0.95 * 0.95;
    QTest::newRow("kept, then a win") << AdaptiveOpponent::factorToText(kept) << "W" << kept * 0.95;
    QTest::newRow("40 losses stop at 5") << "" << QString(40, u'L') << 5.0;
    QTest::newRow("40 wins stop at 0.2") << "" << QString(40, u'W') << 0.2;
    QTest::newRow("10-card drills: a fifth of a step each") << "" << "ww" << std::pow(0.95, 0.4);
    QTest::newRow("3-card drills, even counts: no step") << "" << "dd==" << 1.0;
    QTest::newRow("nan kept") << "nan" << "" << 1.0;
    QTest::newRow("negative kept") << "-0.5" << "" << 1.0;
    QTest::newRow("far too fast kept") << "1e-9" << "" << 1.0;
    QTest::newRow("far too slow kept") << "inf" << "" << 1.0;
}

void TestOpponent::factor()
{
    QFETCH(QString, kept);
    QFETCH(QString, results);
    QFETCH(double, factor);
    // The contested cards the player and the computer took: W, L a 46-card
    // match won or lost by one; w a 10-card drill won by one; d a 3-card
    // drill won 2 to 0; = 4 each.
    const QHash<QChar, QPoint> took{{u'W', {23, 22}}, {u'L', {22, 23}}, {u'w', {5, 4}}, {u'd', {2, 0}}, {u'=', {4, 4}}};
    double f = AdaptiveOpponent::factorFromText(kept);
    for (QChar r : results)
        f = AdaptiveOpponent::nextFactor(f, took[r].x(), took[r].y());
    QCOMPARE(f, factor);
}

QTEST_GUILESS_MAIN(TestOpponent)
#include "tst_opponent.moc"
