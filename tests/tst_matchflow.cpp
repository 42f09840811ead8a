// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A whole match in the real match window, with its real timers: the start,
// the player's takes, the computer's turns and takes, the result message,
// leaving the window and carrying a match on. Instead of waiting, the tests
// fire the reaction timer and step the computer's scan themselves, each
// time after checking that the window has that timer running.

#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/board.h"
#include "match/matchwindow.h"
#include "settings/settingswindow.h"
#include "tests/matchtest.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"
#include "ui/uikit.h"

#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using testing::RecordingSoundDevice;

namespace {
// Writes down where a widget moves to and how often it is painted.
class Watcher : public QObject
{
public:
    explicit Watcher(QWidget *watched) { watched->installEventFilter(this); }
    QList<QPoint> moves;
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Move)
            moves << static_cast<QWidget *>(watched)->pos();
        else if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

QPoint px(int left, int top)
{
    return Layout::TwipPoint{left, top}.toPx();
}

// The names of the widgets of the table that lie over w and hide part of it.
QStringList coveringWidgets(QWidget *w)
{
    QStringList over;
    QWidget *table = w->parentWidget();
    const QObjectList stack = table->children();
    for (qsizetype i = stack.indexOf(w) + 1; i < stack.size(); ++i) {
        auto *above = qobject_cast<QWidget *>(stack[i]);
        if (above && above->isVisibleTo(table) && above->geometry().intersects(w->geometry()))
            over << above->objectName();
    }
    return over;
}

const QString Win = QStringLiteral("あなたの勝ちです！！もう一度やりますか？");
const QString Loss = QStringLiteral("あなたの負けです。もう一度やりますか？");
} // namespace

class TestMatchFlow : public testing::MatchTest
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void playerTakesEveryCard_data();
    void playerTakesEveryCard();
    void computerTakesTheLastCard_data();
    void computerTakesTheLastCard();
    void wrongClicks();
    void firstCardAndReactionInterval_data();
    void firstCardAndReactionInterval();
    void computerYields_data();
    void computerYields();
    void clickDuringTheScanWins_data();
    void clickDuringTheScanWins();
    void secondTurnWhileTheFirstIsSuspended();
    void computerTakeIsActedOut();
    void pilesGrowFromRightToLeft();
    void leaveMidMatchThenCarryOn();
    void newMatchMakesOlderScansStale();
    void closingTheWindowMidScan();
    void closingTheWindowWhileTheComputerLifts();
    void cardFolderGoneWhileRunning();
    void matchPlaysItsOwnOrderAndCards_data();
    void matchPlaysItsOwnOrderAndCards();
    void soundIsReadAheadOfEachCard_data();
    void soundIsReadAheadOfEachCard();
    void boxesBeyondTheSetStayHidden();
    void displaysStayAboveThePilesAndTheHand_data();
    void displaysStayAboveThePilesAndTheHand();

private:
    MatchWindow *start(int level = 3, bool voice = false);
    int slotOf(int card) const;
    int currentSlot() const { return slotOf(m_window->match().currentCard()); }
    int occupiedUpTo(int slot) const;
    void playerTakes();
    // Lays the match out again so that the card read at `position` lies in
    // board slot `slot`; the first card is announced again.
    void arrange(int position, int slot);
    bool fireReactionTimer();
    // Steps the scan until the computer's score changes or no turn is left;
    // returns the number of steps.
    int stepScan();

    QPointer<MatchWindow> m_window;
};

void TestMatchFlow::init()
{
    setUpProgram();
}

void TestMatchFlow::cleanup()
{
    tearDownProgram();
}

MatchWindow *TestMatchFlow::start(int level, bool voice)
{
    m_hub->showMatch();
    m_window = m_hub->matchWindow();
    m_hub->matchSettings();
    controls(m_hub->settingsWindow()).levelButtons()[level - 1]->setChecked(true);
    controls(m_hub->settingsWindow()).voiceButtons()[voice ? 1 : 0]->setChecked(true);
    if (!controls(m_window).startMatchAction()->isEnabled())
        return nullptr;
    controls(m_window).startMatchAction()->trigger();
    return m_window;
}

int TestMatchFlow::slotOf(int card) const
{
    for (int s = 1; s <= m_window->match().cardCount(); ++s) {
        if (m_window->match().cardInSlot(s) == card)
            return s;
    }
    return 0;
}

int TestMatchFlow::occupiedUpTo(int slot) const
{
    int occupied = 0;
    for (int s = 1; s <= slot; ++s)
        occupied += m_window->match().cardInSlot(s) != 0;
    return occupied;
}

void TestMatchFlow::playerTakes()
{
    const int slot = currentSlot();
    QVERIFY(slot > 0);
    QVERIFY(controls(m_window).cardBoxes()[slot - 1]->isVisible());
    QTest::mouseClick(controls(m_window).cardBoxes()[slot - 1], Qt::LeftButton);
}

void TestMatchFlow::arrange(int position, int slot)
{
    MatchState &match = m_window->match();
    const MatchState::Setup setup = match.setup();
    for (quint64 seed = 1;; ++seed) {
        match.begin(match.cards(), setup, 777, seed);
        if (match.boardOrder()[slot] == match.readingOrder()[position])
            break;
    }
    m_window->layOutCards();
    controls(m_window).readingDisplay()->setText(match.label(match.currentCard()));
}

bool TestMatchFlow::fireReactionTimer()
{
    // The reaction interval of the match's level, started by the last take.
    if (!controls(m_window).reactionTimer()->isActive() || controls(m_window).reactionTimer()->interval() != m_window->match().reactionIntervalMs())
        return false;
    m_window->reactionTimeUp();
    return true;
}

int TestMatchFlow::stepScan()
{
    const int before = m_window->match().computerScore();
    int steps = 0;
    while (m_window->match().computerScore() == before && !m_window->scan().idle()) {
        if (!controls(m_window).scanTimer()->isActive() || controls(m_window).scanTimer()->interval() != 0)
            return -1;
        m_window->stepScan();
        ++steps;
    }
    return steps;
}

void TestMatchFlow::playerTakesEveryCard_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("voice");
    QTest::addColumn<bool>("again");
    QTest::newRow("46 cards, silent, no more") << 46 << false << false;
    QTest::newRow("46 cards, aloud, again") << 46 << true << true;
    QTest::newRow("1 card, silent, again") << 1 << false << true;
    QTest::newRow("1 card, aloud, no more") << 1 << true << false;
}

void TestMatchFlow::playerTakesEveryCard()
{
    QFETCH(int, n);
    QFETCH(bool, voice);
    QFETCH(bool, again);
    if (n != 46)
        useCardSet(n);
    MatchWindow *w = start(5, voice);
    QVERIFY(w);
    QVERIFY(!controls(w).startMatchAction()->isEnabled() && !controls(w).settingsAction()->isEnabled() && controls(w).leaveAction()->isEnabled());
    QCOMPARE(controls(w).levelDisplay()->text(), QStringLiteral("5"));
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("0"));
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("0"));

    testing::MessageBoxAnswerer answerer(again ? QMessageBox::Yes : QMessageBox::No);
    QMessageBox::StandardButtons buttons;
    answerer.inspect = [&](QMessageBox *box) { buttons = box->standardButtons(); };
    QStringList expected;
    for (int p = 1; p <= n; ++p) {
        const int card = w->match().readingOrder()[p];
        QCOMPARE(controls(w).readingDisplay()->text(), m_data->label(card));
        // The computer never starts on the first card; then it waits for
        // every later one.
        QCOMPARE(controls(w).reactionTimer()->isActive(), p > 1);
        if (voice) {
            expected << QStringLiteral("Open %1/karuon%2.wav").arg(m_data->cardFolder(), CardState::cardNumberText(card))
                     << QStringLiteral("Sound") << QStringLiteral("Stop") << QStringLiteral("Close");
        }
        const int slot = currentSlot();
        playerTakes();
        QCOMPARE(controls(w).playerScore()->text(), QString::number(5 * p));
        QCOMPARE(controls(w).cardBoxes()[slot - 1]->pos(), Board::pilePosition(Board::Pile::Player, p).toPx());
    }
    expected << QStringLiteral("Close");
    QCOMPARE(device()->commands, expected);
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("試合終了")});
    QCOMPARE(answerer.texts, QStringList{Win});
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("0"));
    QCOMPARE(w->isVisible(), again);
    QVERIFY(controls(w).startMatchAction()->isEnabled() && controls(w).settingsAction()->isEnabled());
    QVERIFY(!controls(w).reactionTimer()->isActive());
    QCOMPARE(w->match().position(), n + 1);
    // The finished table: every click is wrong and moves nothing.
    QTest::mouseClick(controls(w).cardBoxes()[0], Qt::LeftButton);
    QCOMPARE(controls(w).playerScore()->text(), QString::number(5 * n - 3));
    QCOMPARE(w->match().position(), n + 1);
}

void TestMatchFlow::computerTakesTheLastCard_data()
{
    QTest::addColumn<bool>("voice");
    QTest::newRow("silent") << false;
    QTest::newRow("aloud") << true;
}

void TestMatchFlow::computerTakesTheLastCard()
{
    QFETCH(bool, voice);
    useCardSet(2);
    MatchWindow *w = start(5, voice);
    QVERIFY(w);
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    playerTakes();
    const int slot = currentSlot();
    QVERIFY(fireReactionTimer());
    QVERIFY(!controls(w).reactionTimer()->isActive());
    // The first card's slot is empty now and costs nothing.
    QCOMPARE(stepScan(), 11);
    // 5 to 5: a tie is the player's loss.
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("5"));
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("5"));
    QCOMPARE(answerer.texts, QStringList{Loss});
    QVERIFY(w->isVisible());
    QVERIFY(controls(w).startMatchAction()->isEnabled() && controls(w).settingsAction()->isEnabled());
    QVERIFY(!controls(w).reactionTimer()->isActive() && w->scan().idle() && !controls(w).scanTimer()->isActive());
    QCOMPARE(controls(w).cardBoxes()[slot - 1]->pos(), Board::pilePosition(Board::Pile::Computer, 1).toPx());
    // The taking hand stays where the lift ended; the resting one is gone.
    QVERIFY(controls(w).handTaking()->isVisible());
    QVERIFY(!controls(w).handAtRest()->isVisible());
    QCOMPARE(controls(w).handTaking()->pos(), Board::liftSteps(slot).back().hand.toPx());
    const QStringList tail = voice ? QStringList{QStringLiteral("Stop"), QStringLiteral("Close"), QStringLiteral("Close")}
                                   : QStringList{QStringLiteral("Close")};
    QCOMPARE(device()->commands.mid(device()->commands.size() - tail.size()), tail);
    QCOMPARE(device()->commands.size(), voice ? 9 : 1);
}

void TestMatchFlow::wrongClicks()
{
    MatchWindow *w = start();
    QVERIFY(w);
    const int right = currentSlot();
    const int wrong = right == 1 ? 2 : 1;
    // Each wrong card is framed in red for a moment, over its picture.
    auto framed = [w](int slot) {
        ui::PictureBox *box = controls(w).cardBoxes()[slot - 1];
        QWidget *frame = controls(w).wrongCardFrame();
        const QImage seen = box->grab().toImage();
        return frame->parentWidget() == box && frame->isVisibleTo(box) && frame->geometry() == box->rect()
            && seen.pixelColor(1, 1) == Qt::red && seen.pixelColor(box->rect().center()) != Qt::red
            && controls(w).wrongCardTimer()->isActive() && controls(w).wrongCardTimer()->interval() == 600;
    };
    for (const QString &score : {QStringLiteral("-3"), QStringLiteral("-6"), QStringLiteral("-9")}) {
        QTest::mouseClick(controls(w).cardBoxes()[wrong - 1], Qt::LeftButton);
        QCOMPARE(controls(w).playerScore()->text(), score);
        QVERIFY(framed(wrong));
    }
    QTRY_VERIFY(!controls(w).wrongCardFrame()->isVisible());
    QCOMPARE(w->match().position(), 1);
    QCOMPARE(controls(w).cardBoxes()[wrong - 1]->pos(), Board::slotPosition(wrong).toPx());
    playerTakes();
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("-4"));

    // A wrong click leaves the reading, the table and the computer's
    // countdown alone; a card on the pile is a wrong card. The countdown has
    // run for a while, so a restarted one would have more time left.
    const QString reading = controls(w).readingDisplay()->text();
    QTest::qSleep(100);
    const int remaining = controls(w).reactionTimer()->remainingTime();
    QVERIFY2(remaining <= controls(w).reactionTimer()->interval() - 100, qPrintable(QString::number(remaining)));
    QTest::mouseClick(controls(w).cardBoxes()[right - 1], Qt::LeftButton);
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("-7"));
    QVERIFY(framed(right));
    QCOMPARE(controls(w).readingDisplay()->text(), reading);
    QVERIFY(controls(w).reactionTimer()->isActive());
    QVERIFY(controls(w).reactionTimer()->remainingTime() <= remaining);
    QCOMPARE(controls(w).cardBoxes()[right - 1]->pos(), Board::pilePosition(Board::Pile::Player, 1).toPx());
    QCOMPARE(device()->commands, QStringList());
}

void TestMatchFlow::firstCardAndReactionInterval_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("interval");
    QTest::newRow("level 5") << 5 << 2000;
    QTest::newRow("level 3") << 3 << 4000;
    QTest::newRow("level 1") << 1 << 6000;
}

void TestMatchFlow::firstCardAndReactionInterval()
{
    QFETCH(int, level);
    QFETCH(int, interval);
    MatchWindow *w = start(level);
    QVERIFY(w);
    QCOMPARE(controls(w).levelDisplay()->text(), QString::number(level));
    // However long the player waits, nothing is counting for the first card.
    QVERIFY(!controls(w).reactionTimer()->isActive());
    QVERIFY(w->scan().idle() && !controls(w).scanTimer()->isActive());
    playerTakes();
    QVERIFY(controls(w).reactionTimer()->isActive());
    QCOMPARE(controls(w).reactionTimer()->interval(), interval);
    QCOMPARE(controls(w).reactionTimer()->timerType(), Qt::PreciseTimer);
    QVERIFY(controls(w).reactionTimer()->isSingleShot());
    QVERIFY(controls(w).reactionTimer()->remainingTime() > interval - 500);
    // Fired, it does not count again until the next take.
    QVERIFY(fireReactionTimer());
    QVERIFY(!controls(w).reactionTimer()->isActive());
    QCOMPARE(w->scan().turns(), 1);
}

void TestMatchFlow::computerYields_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("slot");   // of the second card
    QTest::addColumn<int>("yields");
    // The first card has left its slot: 45 cards remain on the table.
    QTest::newRow("level 5, slot 1") << 5 << 1 << 11;
    QTest::newRow("level 1, slot 1") << 1 << 1 << 51;
    QTest::newRow("level 5, last slot") << 5 << 46 << 45 * 11;
    QTest::newRow("level 1, last slot") << 1 << 46 << 45 * 51;
}

void TestMatchFlow::computerYields()
{
    QFETCH(int, level);
    QFETCH(int, slot);
    QFETCH(int, yields);
    MatchWindow *w = start(level);
    QVERIFY(w);
    arrange(2, slot);
    playerTakes();
    QVERIFY(fireReactionTimer());
    // Each step is one return from a yield; the take comes in the last.
    QCOMPARE(stepScan(), yields);
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("5"));
    QVERIFY(w->scan().idle() && !controls(w).scanTimer()->isActive());
    QCOMPARE(w->match().position(), 3);
    QVERIFY(controls(w).reactionTimer()->isActive());
}

void TestMatchFlow::clickDuringTheScanWins_data()
{
    QTest::addColumn<bool>("tie");
    QTest::newRow("early in the scan") << false;
    // The scan has made its last yield at the card: a tie, the player's.
    QTest::newRow("a tie") << true;
}

void TestMatchFlow::clickDuringTheScanWins()
{
    QFETCH(bool, tie);
    MatchWindow *w = start(5);
    QVERIFY(w);
    arrange(2, 10);
    playerTakes();
    const int stepsFirst = tie ? 11 * occupiedUpTo(10) : 2;
    QVERIFY(fireReactionTimer());
    for (int i = 1; i < stepsFirst; ++i) {
        QVERIFY(controls(w).scanTimer()->isActive());
        w->stepScan();
    }
    QCOMPARE(w->scan().newest()->yields(), stepsFirst);
    playerTakes();
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("10"));
    QVERIFY(controls(w).reactionTimer()->isActive()); // for the third card
    QVERIFY(stepScan() > 0);
    QVERIFY(w->scan().idle());
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("0"));
    QVERIFY(controls(w).handAtRest()->isVisible() && !controls(w).handTaking()->isVisible());
    QCOMPARE(w->match().position(), 3);
    QVERIFY(controls(w).reactionTimer()->isActive());
}

void TestMatchFlow::secondTurnWhileTheFirstIsSuspended()
{
    MatchWindow *w = start(5);
    QVERIFY(w);
    playerTakes();
    QVERIFY(fireReactionTimer()); // turn for card 2
    w->stepScan();
    QCOMPARE(w->scan().newest()->yields(), 2);
    playerTakes();         // card 2 goes to the player during a yield
    QVERIFY(fireReactionTimer()); // turn for card 3, on top
    QCOMPARE(w->scan().turns(), 2);
    const int third = w->match().currentCard();
    QCOMPARE(w->scan().newest()->target(), third);
    QVERIFY(stepScan() > 0);
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("5"));
    QCOMPARE(w->match().cardInSlot(slotOf(third)), 0);
    // Only the newest turn moved. Its take done, the first one returned
    // from its second yield, made its third, and finds nothing.
    QCOMPARE(w->scan().turns(), 1);
    QCOMPARE(w->scan().newest()->yields(), 3);
    w->stepScan();
    QCOMPARE(w->scan().newest()->yields(), 4);
    QVERIFY(stepScan() > 0);
    QVERIFY(w->scan().idle());
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("5"));
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("10"));
    QCOMPARE(w->match().position(), 4);
}

void TestMatchFlow::computerTakeIsActedOut()
{
    MatchWindow *w = start(5, true);
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    arrange(2, 23);
    playerTakes();
    device()->commands.clear();
    ui::PictureBox *box = controls(w).cardBoxes()[22];
    Watcher hand(controls(w).handTaking());
    Watcher card(box);
    const int yields = 11 * occupiedUpTo(23);
    QVERIFY(fireReactionTimer());
    QCOMPARE(stepScan(), yields);
    // Slot 23 (column 2, row 2): the hand comes down at 3100, 4900 and goes
    // up with the card until the card's top is at 100.
    const int down = int(hand.moves.indexOf(px(3100, 4900)));
    QVERIFY(down >= 0);
    QCOMPARE(hand.moves.last(), px(3100, 500));
    for (int i = down + 1; i < hand.moves.size(); ++i) {
        QCOMPARE(hand.moves[i].x(), hand.moves[down].x());
        QVERIFY(hand.moves[i].y() < hand.moves[i - 1].y());
    }
    QVERIFY(card.moves.contains(px(2760, 100)));
    // Every step of the lift was painted while it happened.
    QVERIFY2(card.paints >= 88, qPrintable(QString::number(card.paints)));
    QCOMPARE(box->pos(), Board::pilePosition(Board::Pile::Computer, 1).toPx());
    // The next card: the hand back at rest, the timer, the reading.
    QVERIFY(controls(w).handAtRest()->isVisible() && !controls(w).handTaking()->isVisible());
    QCOMPARE(controls(w).handAtRest()->pos(), px(3000, 360));
    QVERIFY(controls(w).reactionTimer()->isActive());
    QCOMPARE(device()->commands.mid(0, 2), (QStringList{QStringLiteral("Stop"), QStringLiteral("Close")}));
    QCOMPARE(device()->commands.size(), 4);
    QCOMPARE(device()->commands[3], QStringLiteral("Sound"));
}

void TestMatchFlow::pilesGrowFromRightToLeft()
{
    useCardSet(10);
    MatchWindow *w = start(5);
    QVERIFY(w);
    QWidget *table = w->centralWidget();
    // Neither a card's place on the table nor its place on the pile reaches
    // the level display, so the player's take leaves it unpainted: that
    // paint comes as the player reaches for the next card. (The computer's
    // lift may pass over it.)
    int levelPaints = 0;
    testing::EventWatch paints(controls(w).levelDisplay(), QEvent::Paint, [&levelPaints] { ++levelPaints; });
    // The player takes the odd cards, the computer the even ones.
    for (int p = 1; p <= 9; ++p) {
        const int slot = currentSlot();
        QCoreApplication::processEvents();
        if (p % 2) {
            const int paintsBefore = levelPaints;
            playerTakes();
            QCoreApplication::processEvents();
            QCOMPARE(levelPaints, paintsBefore);
        } else {
            QVERIFY(fireReactionTimer());
            QVERIFY(stepScan() > 0);
        }
        const Board::Pile side = p % 2 ? Board::Pile::Player : Board::Pile::Computer;
        const int k = (p + 1) / 2;
        QCOMPARE(controls(w).cardBoxes()[slot - 1]->pos(), Board::pilePosition(side, k).toPx());
        QCOMPARE(controls(w).cardBoxes()[slot - 1]->pos(), px(11160 - 300 * (k - 1), p % 2 ? 9120 : 120));
        // In front of every other card, the one before it on the pile too.
        const QObjectList stack = table->children();
        for (ui::PictureBox *other : controls(w).cardBoxes()) {
            if (other != controls(w).cardBoxes()[slot - 1])
                QVERIFY(stack.indexOf(other) < stack.indexOf(controls(w).cardBoxes()[slot - 1]));
        }
    }
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("25"));
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("20"));
    QCOMPARE(device()->commands, QStringList());
}

void TestMatchFlow::leaveMidMatchThenCarryOn()
{
    MatchWindow *w = start(5, true);
    QVERIFY(w);
    playerTakes();
    QVERIFY(fireReactionTimer());
    w->stepScan();
    device()->commands.clear();
    const QString reading = controls(w).readingDisplay()->text();

    controls(w).leaveAction()->trigger();
    QVERIFY(!w->isVisible());
    QVERIFY(!controls(w).reactionTimer()->isActive());
    QCOMPARE(device()->commands, QStringList{QStringLiteral("Close")});
    QVERIFY(controls(w).startMatchAction()->isEnabled() && controls(w).settingsAction()->isEnabled());
    // The suspended turn stops at its next step and takes nothing.
    w->stepScan();
    QVERIFY(w->scan().idle() && !controls(w).scanTimer()->isActive());
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("0"));

    // Shown again as it was left; a right click carries the match on.
    m_hub->showMatch();
    QCOMPARE(controls(w).readingDisplay()->text(), reading);
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("5"));
    playerTakes();
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("10"));
    QVERIFY(controls(w).reactionTimer()->isActive());
    QVERIFY(controls(w).startMatchAction()->isEnabled() && controls(w).settingsAction()->isEnabled());
    QVERIFY(fireReactionTimer());
    QVERIFY(stepScan() > 0);
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("5"));
    QCOMPARE(w->match().position(), 4);
}

void TestMatchFlow::newMatchMakesOlderScansStale()
{
    MatchWindow *w = start(5);
    QVERIFY(w);
    playerTakes();
    controls(w).leaveAction()->trigger();
    m_hub->showMatch();
    playerTakes(); // carried on: 試合開始 stays enabled
    QVERIFY(fireReactionTimer());
    w->stepScan();
    QCOMPARE(w->scan().turns(), 1);

    controls(w).startMatchAction()->trigger();
    QCOMPARE(w->match().position(), 1);
    QVERIFY(!controls(w).reactionTimer()->isActive());
    // The old turn ends at its next step, without looking at the new table.
    QCOMPARE(stepScan(), 1);
    QVERIFY(w->scan().idle());
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("0"));
    QCOMPARE(w->match().position(), 1);
    for (int s = 1; s <= 46; ++s)
        QVERIFY(w->match().cardInSlot(s) != 0);
}

void TestMatchFlow::closingTheWindowMidScan()
{
    MatchWindow *w = start(5, true);
    QVERIFY(w);
    playerTakes();
    QVERIFY(fireReactionTimer());
    w->stepScan();
    RecordingSoundDevice *dev = device();
    dev->commands.clear();
    w->close();
    QCOMPARE(dev->commands, QStringList{QStringLiteral("Close")});
    QVERIFY(!controls(w).reactionTimer()->isActive() && !controls(w).scanTimer()->isActive());
    // Not gone yet: a step that still arrives takes nothing.
    w->stepScan();
    QVERIFY(w->scan().idle());
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("0"));
    QCOMPARE(dev->commands, QStringList{QStringLiteral("Close")});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_window);
    QTest::qWait(20); // any timer left behind would fire on a dead window now
    m_hub->showMatch();
    QVERIFY(m_hub->matchWindow());
}

void TestMatchFlow::closingTheWindowWhileTheComputerLifts()
{
    MatchWindow *w = start(5, true);
    QVERIFY(w);
    arrange(2, 23);
    playerTakes();
    // The close box is pressed as the hand starts to lift the card; the
    // lift runs without the event loop, so the close comes right after it.
    ui::PictureBox *box = controls(w).cardBoxes()[22];
    bool posted = false;
    testing::EventWatch closer(box, QEvent::Move, [&] {
        if (!posted)
            QCoreApplication::postEvent(w->windowHandle(), new QCloseEvent);
        posted = true;
    });
    QVERIFY(fireReactionTimer());
    QCOMPARE(stepScan(), 11 * occupiedUpTo(23));
    QVERIFY(posted);
    // The take was finished and the next card announced...
    QCOMPARE(controls(w).computerScore()->text(), QStringLiteral("5"));
    QCOMPARE(w->match().position(), 3);
    RecordingSoundDevice *dev = device();
    QCOMPARE(dev->commands.last(), QStringLiteral("Sound"));
    // ...and then the close stops all of it, before the window goes.
    QCoreApplication::sendPostedEvents(w->windowHandle(), QEvent::Close);
    QVERIFY(m_window);
    QVERIFY(!w->isVisible());
    QVERIFY(!controls(w).reactionTimer()->isActive() && !controls(w).scanTimer()->isActive());
    QCOMPARE(dev->commands.last(), QStringLiteral("Close"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_window);
    QTest::qWait(20);
    m_hub->showMatch();
    QVERIFY(m_hub->matchWindow() && controls(m_hub->matchWindow()).startMatchAction()->isEnabled());
}

void TestMatchFlow::cardFolderGoneWhileRunning()
{
    QVERIFY(QDir(m_data->cardFolder()).removeRecursively());
    MatchWindow *w = start(5, true);
    QVERIFY(w);
    // One warning that says why, which waits for nothing.
    QMessageBox *warning = w->findChild<QMessageBox *>();
    QVERIFY(warning && warning->isVisible() && !warning->isModal());
    QVERIFY(warning->text().contains(m_data->cardFolder()));
    // The cards lie on the table by their labels and can all be taken.
    for (int s = 1; s <= 46; ++s) {
        QVERIFY(!controls(w).cardBoxes()[s - 1]->hasPicture());
        QCOMPARE(controls(w).cardBoxes()[s - 1]->text(), m_data->label(w->match().cardInSlot(s)));
    }
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    for (int p = 1; p <= 46; ++p)
        playerTakes();
    QCOMPARE(answerer.texts, QStringList{Win});
    QCOMPARE(w->findChildren<QMessageBox *>().size(), 1);
    // A new match replaces the warning rather than adding another.
    controls(w).startMatchAction()->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(w->findChildren<QMessageBox *>().size(), 1);
}

void TestMatchFlow::matchPlaysItsOwnOrderAndCards_data()
{
    QTest::addColumn<bool>("saveAnotherSet");
    // The automatic reading draws its own order into the shared array.
    QTest::newRow("new shared order") << false;
    // The editor saves a set of 3 cards, with other labels, in another folder.
    QTest::newRow("another set saved") << true;
}

void TestMatchFlow::matchPlaysItsOwnOrderAndCards()
{
    QFETCH(bool, saveAnotherSet);
    MatchWindow *w = start(5, true);
    QVERIFY(w);
    const MatchState::Order order = w->match().readingOrder();
    const CardState::LabelTable labels = m_data->labels();
    const QString folder = m_data->cardFolder();
    if (saveAnotherSet) {
        m_otherSet = std::make_unique<QTemporaryDir>();
        CardState::LabelTable other;
        other.fill(QStringLiteral("他"));
        m_data->adoptSavedSet(m_otherSet->path(), other, 3);
    } else {
        for (int p = 1; p <= 46; ++p)
            m_data->readingOrder()[p] = order[47 - p];
    }
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    for (int p = 1; p <= 46; ++p) {
        const int card = order[p];
        QCOMPARE(controls(w).readingDisplay()->text(), labels[card]);
        const QStringList &commands = device()->commands;
        QCOMPARE(commands.value(commands.size() - 2),
                 QStringLiteral("Open %1/karuon%2.wav").arg(folder, CardState::cardNumberText(card)));
        playerTakes();
    }
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("230"));
    QCOMPARE(answerer.texts, QStringList{Win});
}

void TestMatchFlow::boxesBeyondTheSetStayHidden()
{
    useCardSet(49);
    MatchWindow *w = start(5);
    QVERIFY(w);
    for (int p = 1; p <= 5; ++p)
        playerTakes();
    controls(w).leaveAction()->trigger();
    // The editor saves a set of 10; the next match lays out 10 cards.
    useCardSet(10);
    m_hub->showMatch();
    controls(w).startMatchAction()->trigger();
    for (int k = 0; k < Board::Boxes; ++k)
        QCOMPARE(controls(w).cardBoxes()[k]->isVisible(), k < 10);
    // The cards taken last time lie on the table again, under the hand and
    // the captions, each above the slots before it.
    const QObjectList stack = w->centralWidget()->children();
    for (int k = 0; k < 9; ++k)
        QVERIFY(stack.indexOf(controls(w).cardBoxes()[k]) < stack.indexOf(controls(w).cardBoxes()[k + 1]));
    QVERIFY(stack.indexOf(controls(w).cardBoxes()[48]) < stack.indexOf(controls(w).handTaking()));
    QVERIFY(stack.indexOf(controls(w).cardBoxes()[48]) < stack.indexOf(controls(w).readingDisplay()));
    w->takeCard(20);
    QCOMPARE(controls(w).playerScore()->text(), QStringLiteral("-3"));
    QCOMPARE(w->match().position(), 1);
}

void TestMatchFlow::displaysStayAboveThePilesAndTheHand_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("computerTakes"); // every card after the first
    // From its 26th card the computer's pile reaches its hand at rest and
    // the caption over it, from its 36th the reading and level displays; its
    // last lift, from slot 1, ends over the reading display.
    QTest::newRow("46 cards, the computer's pile and hand") << 46 << true;
    // With the last row full the computer's frame stands in the player's row.
    QTest::newRow("49 cards, the player's pile") << 49 << false;
}

void TestMatchFlow::displaysStayAboveThePilesAndTheHand()
{
    QFETCH(int, n);
    QFETCH(bool, computerTakes);
    if (n != 46)
        useCardSet(n);
    MatchWindow *w = start(5);
    QVERIFY(w);
    arrange(n, 1);
    const std::array<QWidget *, 8> displays{controls(w).captions()[0], controls(w).readingDisplay(), controls(w).captions()[1], controls(w).levelDisplay(), controls(w).captions()[2], controls(w).handAtRest(), controls(w).playerScoreFrame(), controls(w).computerScoreFrame()};
    auto hidden = [&] {
        QStringList found;
        for (QWidget *display : displays) {
            // The hand at rest is away while the computer takes a card.
            const QStringList over = display->isVisible() ? coveringWidgets(display) : QStringList();
            if (!over.isEmpty())
                found << display->objectName() + QStringLiteral(" under ") + over.join(u' ');
        }
        return found.join(QStringLiteral("; "));
    };
    // Also while the hand lifts a card.
    QString hiddenInLift;
    testing::EventWatch lift(controls(w).handTaking(), QEvent::Move, [&] {
        if (hiddenInLift.isEmpty())
            hiddenInLift = hidden();
    });
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    for (int p = 1; p <= n; ++p) {
        if (p == 1 || !computerTakes) {
            playerTakes();
        } else {
            QVERIFY(fireReactionTimer());
            QVERIFY(stepScan() > 0);
        }
        QVERIFY2(hidden().isEmpty(), qPrintable(QStringLiteral("card %1: ").arg(p) + hidden()));
        QVERIFY2(hiddenInLift.isEmpty(), qPrintable(QStringLiteral("card %1: ").arg(p) + hiddenInLift));
    }
    QCOMPARE(answerer.texts.size(), 1);
    // The next match starts with the hand at rest, over nothing.
    controls(w).startMatchAction()->trigger();
    QVERIFY(controls(w).handAtRest()->isVisible() && !controls(w).handTaking()->isVisible());
    QCOMPARE(controls(w).handAtRest()->pos(), px(3000, 360));
    QVERIFY2(hidden().isEmpty(), qPrintable(hidden()));
}

void TestMatchFlow::soundIsReadAheadOfEachCard_data()
{
    QTest::addColumn<bool>("voice");
    QTest::addColumn<QString>("ending"); // "result" (はい or いいえ), "おわり", "close" or "drill"
    QTest::newRow("aloud, to the result, はい") << true << QStringLiteral("result");
    QTest::newRow("aloud, to the result, いいえ") << true << QStringLiteral("result no");
    QTest::newRow("aloud, おわり mid-match") << true << QStringLiteral("おわり");
    QTest::newRow("aloud, close box mid-match") << true << QStringLiteral("close");
    QTest::newRow("aloud, a drill started mid-match") << true << QStringLiteral("drill");
    QTest::newRow("silent, to the result, いいえ") << false << QStringLiteral("result no");
}

void TestMatchFlow::soundIsReadAheadOfEachCard()
{
    QFETCH(bool, voice);
    QFETCH(QString, ending);
    useCardSet(3);
    testing::MessageBoxAnswerer answerer(ending == u"result no" ? QMessageBox::No : QMessageBox::Yes);
    MatchWindow *w = start(5, voice);
    QVERIFY(w);
    auto sound = [this](int p) { return QStringLiteral("preload ") + m_data->cardSoundPath(m_window->match().readingOrder()[p]); };
    // The output opens when the window is shown, so the first card is heard
    // as soon as the others; at 試合開始 the first two recordings are read,
    // the second while the first is announced.
    QStringList expected{QStringLiteral("openAhead")};
    if (voice)
        expected << QStringLiteral("openAhead") << sound(1) << sound(2);
    QCOMPARE(device()->hints, expected);
    playerTakes();
    // Each announcement asks for the card after it; the last has none.
    if (voice)
        expected << sound(3);
    QCOMPARE(device()->hints, expected);
    if (ending.startsWith(u"result")) {
        playerTakes();
        QCOMPARE(device()->hints, expected);
        playerTakes();
    } else if (ending == u"おわり") {
        controls(w).leaveAction()->trigger();
    } else if (ending == u"close") {
        w->close();
    } else {
        // Its reading closed before the drill's first is opened.
        const qsizetype played = device()->commands.size();
        w->startDrill({1, 2});
        QCOMPARE(device()->commands.value(played), QStringLiteral("Close"));
    }
    // Kept while the window stays for another match or a drill; released
    // when it goes, with or without voice.
    QCOMPARE(w->isVisible(), ending == u"result" || ending == u"drill");
    if (!w->isVisible())
        expected << QStringLiteral("releaseOutput");
    QCOMPARE(device()->hints.mid(0, expected.size()), expected);
    QVERIFY(!device()->hints.mid(expected.size()).contains(QStringLiteral("releaseOutput")));
}

GINREI_TEST_MAIN(TestMatchFlow)
#include "tst_matchflow.moc"
