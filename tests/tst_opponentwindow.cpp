// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The human-like and adaptive opponents in the real match window, with its
// real reaction timer: a take at the time drawn from a fixed seed, the
// adaptive opponent's record, its fallback to 「ふつう」 and its factor; and
// practice, where nobody races the player.

#include "match/matchwindow.h"
#include "match/opponent.h"
#include "record/recordreader.h"
#include "record/trainingrecord.h"
#include "settings/settingswindow.h"
#include "tests/matchtest.h"
#include "tests/windowcontrols.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>

using HumanModel::Step;

Q_DECLARE_METATYPE(HumanModel::Step)

namespace {
constexpr quint64 Seed = 20261207;

// The notices about the adaptive opponent's record the window shows.
QList<QMessageBox *> fallbackNotices(const QWidget *window)
{
    QList<QMessageBox *> notices;
    for (QMessageBox *box : window->findChildren<QMessageBox *>()) {
        if (box->isVisible() && box->text().contains(QStringLiteral("「あなたに合わせる」")))
            notices << box;
    }
    return notices;
}
} // namespace

class TestOpponentWindow : public testing::MatchTest
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void humanLikeTakesAtTheDrawnTime_data();
    void humanLikeTakesAtTheDrawnTime();
    void adaptiveOpponent_data();
    void adaptiveOpponent();
    void practiceWaitsForThePlayer();

private:
    // Starts a match against the given opponent, silent, its opponent's
    // engine seeded with Seed.
    MatchWindow *start(OpponentChoice choice);

    QPointer<MatchWindow> m_window;
    QTemporaryDir m_recordDir;
};

void TestOpponentWindow::init()
{
    setUpProgram();
    m_hub->recordPath = m_recordDir.filePath(QStringLiteral("record.sqlite"));
    QFile::remove(m_hub->recordPath);
}

void TestOpponentWindow::cleanup()
{
    tearDownProgram();
}

MatchWindow *TestOpponentWindow::start(OpponentChoice choice)
{
    m_hub->showMatch();
    m_window = m_hub->matchWindow();
    m_window->setOpponentSeeds([] { return Seed; });
    m_hub->matchSettings();
    SettingsWindowControls settings = controls(m_hub->settingsWindow());
    settings.voiceButtons()[0]->setChecked(true);
    settings.opponentButtons()[int(choice.kind)]->setChecked(true);
    settings.stepChooser()->setCurrentIndex(int(choice.step));
    if (!controls(m_window).startMatchAction()->isEnabled())
        return nullptr;
    controls(m_window).startMatchAction()->trigger();
    return m_window;
}

void TestOpponentWindow::humanLikeTakesAtTheDrawnTime_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("shown");
    QTest::newRow("はじめて") << Step::Beginner << QStringLiteral("初");
    QTest::newRow("じょうず") << Step::Skilled << QStringLiteral("上");
    QTest::newRow("めいじん") << Step::Master << QStringLiteral("名");
}

void TestOpponentWindow::humanLikeTakesAtTheDrawnTime()
{
    QFETCH(Step, step);
    QFETCH(QString, shown);
    MatchWindow *w = start({OpponentChoice::Kind::HumanLike, step});
    QVERIFY(w);
    QCOMPARE(controls(w).levelDisplay()->text(), shown);
    // The same opponent, from the same seed, draws the same times.
    HumanLikeOpponent same(step, Seed);
    // From the announcement to the computer's hand coming down on the card.
    QElapsedTimer clock;
    QList<qint64> announcedAt;
    qint64 handDownAt = -1;
    const QMetaObject::Connection watching =
        connect(w, &MatchWindow::announced, this, [&] { announcedAt << clock.nsecsElapsed(); });
    const auto stopWatching = qScopeGuard([&] { disconnect(watching); });
    testing::EventWatch handShown(controls(w).handTaking(), QEvent::Show, [&] {
        if (handDownAt < 0)
            handDownAt = clock.nsecsElapsed();
    });
    clock.start();
    QVERIFY(clickCardBeingRead());
    QCOMPARE(announcedAt.size(), 1);
    const Opponent::Plan plan = same.plan(w->match());
    QCOMPARE(plan.kind, Opponent::Plan::Kind::TakeAt);
    QTimer *timer = controls(w).reactionTimer();
    QVERIFY(timer->isActive() && timer->isSingleShot());
    QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    QCOMPARE(timer->interval(), plan.ms);

    // The computer takes the card of the plan through the usual take: its
    // score, its pile, and the next card announced at once.
    const int card = w->match().currentCard();
    QVERIFY(QTest::qWaitFor([&] { return announcedAt.size() == 2; }, plan.ms + 5000));
    QCOMPARE(w->match().computerScore(), 5);
    QCOMPARE(w->match().cardInSlot(plan.slot), 0);
    QCOMPARE(controls(w).cardBoxes()[plan.slot - 1]->pos(), Board::pilePosition(Board::Pile::Computer, 1).toPx());
    QVERIFY(w->match().currentCard() != card);
    const double tookMs = double(handDownAt - announcedAt[0]) / 1e6;
    QVERIFY2(tookMs >= plan.ms - 1 && tookMs <= plan.ms + 30,
             qPrintable(QStringLiteral("drawn %1 ms, taken after %2 ms").arg(plan.ms).arg(tookMs)));
    // The next card has its own draw.
    QCOMPARE(timer->interval(), same.plan(w->match()).ms);
    QVERIFY(timer->isActive());
}

void TestOpponentWindow::adaptiveOpponent_data()
{
    QTest::addColumn<QString>("record"); // none, unreadable, or takes
    QTest::addColumn<bool>("notice");
    QTest::newRow("no record") << "none" << true;
    QTest::newRow("unreadable record") << "unreadable" << true;
    QTest::newRow("the player's takes") << "takes" << false;
}

void TestOpponentWindow::adaptiveOpponent()
{
    QFETCH(QString, record);
    QFETCH(bool, notice);
    useCardSet(6);
    AdaptiveOpponent::Record takes;
    if (record == QLatin1String("unreadable")) {
        QByteArray bytes(16 * 1024, Qt::Uninitialized);
        QRandomGenerator(16).fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        QFile file(m_hub->recordPath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    } else if (record == QLatin1String("takes")) {
        // Card 1 at 500 ms, card 2 at 2 s, three takes each, and one take
        // from a clock jump that must not count.
        TrainingRecord writer(m_hub->recordPath);
        const auto key = writer.startMatch({m_data->cardFolder(), 2, 3, false});
        for (int card : {1, 2}) {
            for (int i = 0; i < 3; ++i) {
                const int ms = card == 1 ? 500 + i : 2000 + i;
                writer.recordTake(key, {card, QString::number(card), card, record::Taker::Player, ms});
                takes[card] << ms;
            }
        }
        writer.recordTake(key, {1, QStringLiteral("1"), 1, record::Taker::Player, 90000});
        writer.endMatch(key, {30, 0, record::Result::Won});
        bool written = false;
        writer.whenWritten(nullptr, [&written] { written = true; });
        QVERIFY(QTest::qWaitFor([&written] { return written; }, 10000));
        QCOMPARE(writer.state(), RecordState::Recording);
    }

    MatchWindow *w = start({OpponentChoice::Kind::Adaptive, Step::Master});
    QVERIFY(w);
    QCOMPARE(controls(w).levelDisplay()->text(), QStringLiteral("合"));
    // Without takes to go by, the opponent is 「ふつう」, and the player is
    // told so.
    QList<QMessageBox *> shown = fallbackNotices(w);
    QCOMPARE(shown.size(), notice ? 1 : 0);
    if (notice) {
        QVERIFY(!shown[0]->isModal());
        QCOMPARE(shown[0]->text().contains(QStringLiteral("成績の記録がまだないか、読めないため")), true);
        if (record == QLatin1String("unreadable"))
            QVERIFY2(shown[0]->text().contains(m_hub->recordPath), qPrintable(shown[0]->text()));
        shown[0]->close();
    }
    // The same opponent, from the same seed, draws the same times.
    auto expectedMs = [&](double factor) { return AdaptiveOpponent(takes, factor, Seed).plan(w->match()).ms; };
    QVERIFY(clickCardBeingRead());
    QCOMPARE(controls(w).reactionTimer()->interval(), expectedMs(1.0));
    if (notice)
        QCOMPARE(controls(w).reactionTimer()->interval(), HumanLikeOpponent(Step::Standard, Seed).plan(w->match()).ms);
    else
        QVERIFY(controls(w).reactionTimer()->interval() != HumanLikeOpponent(Step::Standard, Seed).plan(w->match()).ms);

    // おわり ends the match's claim on the factor: carried on to its end, it
    // leaves the factor as it was. The notice is not given again in this
    // run, not even by a window made afresh after the close box.
    controls(w).leaveAction()->trigger();
    m_hub->showMatch();
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    while (clickCardBeingRead()) {
    }
    QCOMPARE(answerer.texts.size(), 1);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_hub->matchWindow());
    w = start({OpponentChoice::Kind::Adaptive, Step::Master});
    QVERIFY(w);
    QVERIFY(fallbackNotices(w).isEmpty());
    QVERIFY(clickCardBeingRead());
    QCOMPARE(controls(w).reactionTimer()->interval(), expectedMs(1.0));

    // A finished match in which the player took every contested card:
    // faster from the next match on, by 5 of 45 cards' share of 5 %, kept in
    // the record where the record can be kept.
    for (int p = 2; p <= 6; ++p)
        QVERIFY(clickCardBeingRead());
    QCOMPARE(answerer.texts.size(), 2);
    const double won = AdaptiveOpponent::nextFactor(1.0, 5, 0);
    QVERIFY(start({OpponentChoice::Kind::Adaptive, Step::Master}));
    QVERIFY(fallbackNotices(w).isEmpty());
    QVERIFY(clickCardBeingRead());
    QCOMPARE(controls(w).reactionTimer()->interval(), expectedMs(won));
    if (record != QLatin1String("unreadable")) {
        bool written = false;
        m_hub->trainingRecord().whenWritten(nullptr, [&written] { written = true; });
        QVERIFY(QTest::qWaitFor([&written] { return written; }, 10000));
        RecordReader reader(m_hub->recordPath);
        const std::optional<QString> kept = reader.keptValue(QString::fromLatin1(AdaptiveOpponent::RecordKey));
        QVERIFY(kept);
        QCOMPARE(AdaptiveOpponent::factorFromText(*kept), won);
    }
}

void TestOpponentWindow::practiceWaitsForThePlayer()
{
    useCardSet(4);
    qint64 now = 0;
    m_hub->showMatch();
    m_hub->matchWindow()->setReactionClock([&now] { return now; });
    MatchWindow *w = start({OpponentChoice::Kind::Practice});
    QVERIFY(w);
    QCOMPARE(controls(w).levelDisplay()->text(), QStringLiteral("練"));
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    for (int p = 1; p <= 4; ++p) {
        QVERIFY(QTest::qWaitFor([w] { return w->isReactionClockRunning(); }));
        // A minute goes by with nothing counting down for the computer; from
        // the second card on, a reaction timer fired all the same takes
        // nothing.
        now += 60000 + p;
        QVERIFY(!controls(w).reactionTimer()->isActive() && w->scan().idle() && !controls(w).scanTimer()->isActive());
        if (p > 1)
            w->reactionTimeUp();
        QVERIFY(w->scan().idle() && !controls(w).scanTimer()->isActive());
        QCOMPARE(w->match().position(), p);
        if (p == 2) {
            // お手つき costs 3 as in any match.
            int wrongSlot = 1;
            while (w->match().cardInSlot(wrongSlot) == 0 || w->match().isRightTake(wrongSlot))
                ++wrongSlot;
            QTest::mouseClick(controls(w).cardBoxes()[wrongSlot - 1], Qt::LeftButton);
        }
        QVERIFY(clickCardBeingRead());
    }
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("あなたの勝ちです！！もう一度やりますか？")});
    QCOMPARE(w->match().playerScore(), 4 * 5 - 3);
    QCOMPARE(w->match().computerScore(), 0);

    // Recorded as practice with the player's times, which count in each
    // card's figures but not for the adaptive opponent.
    bool written = false;
    m_hub->trainingRecord().whenWritten(nullptr, [&written] { written = true; });
    QVERIFY(QTest::qWaitFor([&written] { return written; }, 10000));
    RecordReader reader(m_hub->recordPath);
    const QStringList labels{m_data->label(1), m_data->label(2), m_data->label(3), m_data->label(4)};
    const RecordReader::Statistics stats = reader.statistics(m_data->cardFolder(), labels, record::Period::All);
    QCOMPARE(stats.history.size(), 1);
    QCOMPARE(stats.history[0].opponent, QStringLiteral("practice"));
    for (int p = 1; p <= 4; ++p)
        QCOMPARE(stats.cards[w->match().readingOrder()[p] - 1].medianMs.value_or(-1), 60000.0 + p);
    QVERIFY(reader.reactionTimes(m_data->cardFolder(), record::Period::All).isEmpty());
}

GINREI_TEST_MAIN(TestOpponentWindow)
#include "tst_opponentwindow.moc"
