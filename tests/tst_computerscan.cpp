// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The computer's scan and the takes of both sides, apart from any window:
// how many times the computer gives way before it takes a card, that a card
// taken meanwhile is never taken again, the scores, and the lift.

#include "match/board.h"
#include "match/computerscan.h"
#include "match/matchstate.h"

#include <QTest>

namespace {
// A match of n cards at a level whose card at reading position `position`
// lies in board slot `slot`, brought to that position by the player taking
// every card before it.
MatchState matchWith(int n, int level, int position, int slot)
{
    MatchState match;
    for (quint64 seed = 1;; ++seed) {
        match.begin(n, MatchState::Setup{level, false}, 4242, seed);
        if (match.boardOrder()[slot] == match.readingOrder()[position])
            break;
    }
    for (int p = 1; p < position; ++p) {
        int from = 0;
        for (int s = 1; s <= n; ++s) {
            if (match.isRightTake(s))
                from = s;
        }
        match.take(Board::Pile::Player, from);
    }
    return match;
}

// Steps until the scan does something other than yield; counts the yields.
ComputerScan::Result runToEnd(ComputerScan &scan, const MatchState &match, int &yields)
{
    yields = 0;
    for (int guard = 0; guard < 100000; ++guard) {
        const ComputerScan::Result r = scan.step(match);
        if (r.kind != ComputerScan::Result::Yield)
            return r;
        ++yields;
    }
    return ComputerScan::Result{};
}
} // namespace

class TestComputerScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void yieldsBeforeTheTake_data();
    void yieldsBeforeTheTake();
    void cardTakenDuringTheScanIsNotTaken_data();
    void cardTakenDuringTheScanIsNotTaken();
    void takesAndScores_data();
    void takesAndScores();
    void playerScoreHasNo16BitLimit();
    void liftSteps_data();
    void liftSteps();
};

void TestComputerScan::yieldsBeforeTheTake_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("yields");
    QTest::newRow("level 5, slot 1") << 46 << 5 << 1 << 1 << 11;
    QTest::newRow("level 1, slot 1") << 46 << 1 << 1 << 1 << 51;
    QTest::newRow("level 5, last slot") << 46 << 5 << 1 << 46 << 46 * 11;
    QTest::newRow("level 1, last slot") << 46 << 1 << 1 << 46 << 46 * 51;
    QTest::newRow("level 3, a one-card set") << 1 << 3 << 1 << 1 << 31;
    QTest::newRow("level 2, last slot of 49") << 49 << 2 << 1 << 49 << 49 * 41;
    // Empty slots cost nothing: half the board taken, only the rest counts.
    QTest::newRow("level 5, last slot, 23 taken") << 46 << 5 << 24 << 46 << 23 * 11;
    QTest::newRow("level 1, last card of all") << 46 << 1 << 46 << 46 << 51;
    QTest::newRow("level 4, last card in slot 1") << 46 << 4 << 46 << 1 << 21;
}

void TestComputerScan::yieldsBeforeTheTake()
{
    QFETCH(int, n);
    QFETCH(int, level);
    QFETCH(int, position);
    QFETCH(int, slot);
    QFETCH(int, yields);
    const MatchState match = matchWith(n, level, position, slot);
    ComputerScan scan;
    scan.begin(match);
    QCOMPARE(scan.newest()->target(), match.currentCard());
    int counted = 0;
    const ComputerScan::Result r = runToEnd(scan, match, counted);
    QCOMPARE(r.kind, ComputerScan::Result::Take);
    QCOMPARE(r.slot, slot);
    QCOMPARE(counted, yields);
    QVERIFY(scan.idle());
    // Nothing was changed by looking.
    QCOMPARE(match.cardInSlot(slot), match.currentCard());
}

void TestComputerScan::cardTakenDuringTheScanIsNotTaken_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("takenAfter"); // yields, before the player's click
    QTest::addColumn<int>("total");      // yields of the whole scan
    // 11 is the last yield at slot 1: the click waiting then is a tie, and
    // the player wins it. The scan still looks at every other card.
    QTest::newRow("tie at slot 1, level 5") << 5 << 1 << 11 << 46 * 11;
    QTest::newRow("early at slot 1, level 5") << 5 << 1 << 1 << 46 * 11;
    QTest::newRow("tie at slot 10, level 1") << 1 << 10 << 10 * 51 << 46 * 51;
    // Taken before the scan reached it: its slot is empty and costs nothing.
    QTest::newRow("before the scan reached slot 30, level 3") << 3 << 30 << 200 << 45 * 31;
}

void TestComputerScan::cardTakenDuringTheScanIsNotTaken()
{
    QFETCH(int, level);
    QFETCH(int, slot);
    QFETCH(int, takenAfter);
    QFETCH(int, total);
    MatchState match = matchWith(46, level, 1, slot);
    ComputerScan scan;
    scan.begin(match);
    for (int i = 0; i < takenAfter; ++i)
        QCOMPARE(scan.step(match).kind, ComputerScan::Result::Yield);
    // The player's click, handled in that yield.
    QCOMPARE(match.take(Board::Pile::Player, slot), 1);
    int rest = 0;
    const ComputerScan::Result r = runToEnd(scan, match, rest);
    QCOMPARE(r.kind, ComputerScan::Result::Idle);
    QCOMPARE(takenAfter + rest, total);
    QCOMPARE(match.computerScore(), 0);
    QCOMPARE(match.playerScore(), qint64(5));
}

void TestComputerScan::takesAndScores_data()
{
    QTest::addColumn<int>("n");
    // P: the player takes the card being read, C: the computer does,
    // w: the player clicks a wrong card (x: the slot of a taken card).
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QString>("playerScores"); // after each move
    QTest::addColumn<int>("computer");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<bool>("playerWins");
    QTest::newRow("three wrong, then right") << 46 << "wwwP" << "-3 -6 -9 -4" << 0 << false << false;
    QTest::newRow("one card") << 1 << "P" << "5" << 0 << true << true;
    QTest::newRow("a tie is a loss") << 2 << "PC" << "5 5" << 5 << true << false;
    QTest::newRow("a pile card is wrong") << 3 << "PxC" << "5 2 2" << 5 << false << false;
    QTest::newRow("computer takes all") << 3 << "CCC" << "0 0 0" << 15 << true << false;
    QTest::newRow("after the end every click is wrong") << 1 << "Pwx" << "5 2 -1" << 0 << true << false;
}

void TestComputerScan::takesAndScores()
{
    QFETCH(int, n);
    QFETCH(QString, moves);
    QFETCH(QString, playerScores);
    QFETCH(int, computer);
    QFETCH(bool, finished);
    QFETCH(bool, playerWins);
    MatchState match;
    match.begin(n, {}, 11, 12);
    const QStringList expected = playerScores.split(u' ');
    int takenSlot = 0;
    for (int i = 0; i < moves.size(); ++i) {
        int current = 0, wrong = 0;
        for (int s = 1; s <= n; ++s) {
            if (match.isRightTake(s))
                current = s;
            else if (match.cardInSlot(s) != 0)
                wrong = s;
        }
        const int position = match.position();
        switch (moves[i].toLatin1()) {
        case 'P':
        case 'C': {
            const bool player = moves[i] == u'P';
            const Board::Pile side = player ? Board::Pile::Player : Board::Pile::Computer;
            const int k = match.pileCount(side) + 1;
            QCOMPARE(match.take(side, current), k);
            QCOMPARE(match.position(), position + 1);
            QCOMPARE(match.cardInSlot(current), 0);
            takenSlot = current;
            break;
        }
        case 'w':
            QVERIFY(wrong > 0 || match.finished());
            QVERIFY(!match.isRightTake(wrong ? wrong : 1));
            match.wrongTake();
            break;
        case 'x':
            QVERIFY(!match.isRightTake(takenSlot));
            QCOMPARE(match.take(Board::Pile::Player, takenSlot), 0); // changes nothing
            match.wrongTake();
            QCOMPARE(match.position(), position);
            break;
        }
        QCOMPARE(QString::number(match.playerScore()), expected[i]);
    }
    QCOMPARE(match.computerScore(), computer);
    QCOMPARE(match.finished(), finished);
    QCOMPARE(match.playerWins(), playerWins);
    QCOMPARE(match.pileCount(Board::Pile::Player) + match.pileCount(Board::Pile::Computer), match.position() - 1);
}

void TestComputerScan::playerScoreHasNo16BitLimit()
{
    MatchState match;
    match.begin(46, {}, 1, 2);
    for (int i = 0; i < 11000; ++i)
        match.wrongTake();
    QCOMPARE(match.playerScore(), qint64(-33000));
    QVERIFY(!match.playerWins());
}

void TestComputerScan::liftSteps_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QPoint>("handFirst");
    QTest::addColumn<QPoint>("handLast");
    QTest::newRow("slot 1") << 1 << 29 << QPoint(700, 1900) << QPoint(700, 500);
    QTest::newRow("slot 23") << 23 << 89 << QPoint(3100, 4900) << QPoint(3100, 500);
    QTest::newRow("slot 49") << 49 << 149 << QPoint(10300, 7900) << QPoint(10300, 500);
}

void TestComputerScan::liftSteps()
{
    QFETCH(int, slot);
    QFETCH(int, steps);
    QFETCH(QPoint, handFirst);
    QFETCH(QPoint, handLast);
    const std::vector<Board::LiftStep> lift = Board::liftSteps(slot);
    QCOMPARE(int(lift.size()), steps);
    QCOMPARE(QPoint(lift.front().hand.left, lift.front().hand.top), handFirst);
    QCOMPARE(QPoint(lift.back().hand.left, lift.back().hand.top), handLast);
    QCOMPARE(lift.back().card.top, 100);
    const Layout::TwipPoint home = Board::slotPosition(slot);
    QCOMPARE(lift.front().card.top, home.top);
    for (const Board::LiftStep &step : lift) {
        QCOMPARE(step.card.left, home.left);
        QCOMPARE(step.hand.top - step.card.top, 400);
    }
}

QTEST_GUILESS_MAIN(TestComputerScan)
#include "tst_computerscan.moc"
