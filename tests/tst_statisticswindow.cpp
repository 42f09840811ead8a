// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The training record as the windows keep and show it: what the match
// window records (reaction times against a clock the test moves, wrong
// takes, the computer's takes, a match given up), the drill of the weakest
// cards, and the 成績 window (its menu item, the table of a match just
// played, the period filter, 記録を消去 and the CSV export).

#include "app/startmenu.h"
#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/matchwindow.h"
#include "record/recordreader.h"
#include "record/statisticswindow.h"
#include "record/trainingrecord.h"
#include "record/trainingstats.h"
#include "settings/settingswindow.h"
#include "tests/matchtest.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"

#include <QFileDialog>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

namespace {
QStringList fieldsOf(const QString &line)
{
    // The fields here hold no commas or quotes: paths of temporary folders,
    // kana labels and numbers.
    return line.split(u',');
}

QList<QStringList> readCsv(const QString &path)
{
    QList<QStringList> rows;
    const QString text = QString::fromUtf8(testing::readAll(path));
    for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows << fieldsOf(line);
    return rows;
}
} // namespace

class TestStatisticsWindow : public testing::MatchTest
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void matchPlayedIsRecordedAndShown();
    void givenUpMatchKeepsItsTakes_data();
    void givenUpMatchKeepsItsTakes();
    void drillPlaysOnlyTheWeakestCards();
    void menuItemOpensOneWindow();
    void periodFilter_data();
    void periodFilter();
    void resetAsksFirst_data();
    void resetAsksFirst();
    void exportWritesCsv_data();
    void exportWritesCsv();

private:
    MatchWindow *startMatch();
    void computerTakesCardBeingRead();
    void waitForRecord();
    RecordReader::Statistics statistics(record::Period period = record::Period::All);
    StatisticsWindow *openStatistics();
    // One match of the current set, as the match window would record it:
    // the player takes each card with the reaction time given.
    void recordMatch(const QList<QPair<int, int>> &takes, const QString &folder = QString());

    qint64 m_now = 10000;
};

void TestStatisticsWindow::init()
{
    setUpProgram();
    m_now = 10000;
}

void TestStatisticsWindow::cleanup()
{
    tearDownProgram();
}

MatchWindow *TestStatisticsWindow::startMatch()
{
    m_hub->matchSettings();
    // Silent, and the slowest computer: nothing but the test takes a card.
    controls(m_hub->settingsWindow()).voiceButtons()[0]->setChecked(true);
    controls(m_hub->settingsWindow()).levelButtons()[0]->setChecked(true);
    m_hub->showMatch();
    MatchWindow *w = m_hub->matchWindow();
    w->setReactionClock([this] { return m_now; });
    controls(w).startMatchAction()->trigger();
    // The clock starts once the first card is on the screen.
    if (!QTest::qWaitFor([w] { return w->isReactionClockRunning(); }))
        qWarning("the reaction clock did not start");
    return w;
}

void TestStatisticsWindow::computerTakesCardBeingRead()
{
    MatchWindow *w = m_hub->matchWindow();
    const int score = w->match().computerScore();
    controls(w).reactionTimer()->stop();
    w->reactionTimeUp();
    while (w->match().computerScore() == score)
        w->stepScan();
    QVERIFY(QTest::qWaitFor([w] { return w->isReactionClockRunning(); }));
}

void TestStatisticsWindow::waitForRecord()
{
    bool written = false;
    m_hub->trainingRecord().whenWritten(nullptr, [&written] { written = true; });
    QTRY_VERIFY(written);
}

RecordReader::Statistics TestStatisticsWindow::statistics(record::Period period)
{
    waitForRecord();
    QStringList labels;
    for (int card = 1; card <= m_data->cardCount(); ++card)
        labels << m_data->labels()[card];
    return m_hub->recordReader().statistics(m_data->cardFolder(), labels, period);
}

StatisticsWindow *TestStatisticsWindow::openStatistics()
{
    StartMenu *menu = m_hub->startMenu();
    menu->show();
    controls(menu).statisticsAction()->trigger();
    StatisticsWindow *w = m_hub->statisticsWindow();
    if (w) {
        QSignalSpy refreshed(w, &StatisticsWindow::refreshed);
        refreshed.wait(5000);
    }
    return w;
}

void TestStatisticsWindow::recordMatch(const QList<QPair<int, int>> &takes, const QString &folder)
{
    TrainingRecord &record = m_hub->trainingRecord();
    record.setWallClock([this] { return m_now; });
    const QString set = folder.isEmpty() ? m_data->cardFolder() : folder;
    const auto key = record.startMatch({set, m_data->cardCount(), 3, false, false});
    int slot = 0;
    for (const auto &[card, ms] : takes)
        record.recordTake(key, {card, m_data->labels()[card], ++slot, record::Taker::Player, ms});
    record.endMatch(key, {qint64(5 * takes.size()), 0, record::Result::Won});
}

void TestStatisticsWindow::matchPlayedIsRecordedAndShown()
{
    // The start menu loads the card state when it is made: before the set.
    m_hub->startMenu();
    useCardSet(3);
    testing::MessageBoxAnswerer answerer(QMessageBox::No);
    m_now = 1000;
    m_hub->trainingRecord().setWallClock([this] { return m_now; });
    MatchWindow *w = startMatch();
    const int first = w->match().currentCard();
    // お手つき 250 ms after the first announcement, then the right card at 700.
    int wrongSlot = 1;
    while (w->match().isRightTake(wrongSlot))
        ++wrongSlot;
    const int wrongCard = w->match().cardInSlot(wrongSlot);
    m_now = 1250;
    QTest::mouseClick(controls(w).cardBoxes()[wrongSlot - 1], Qt::LeftButton);
    m_now = 1700;
    QVERIFY(clickCardBeingRead());
    // The computer takes the second; the third is announced at 2000 and
    // taken by the player at 2420.
    const int second = w->match().currentCard();
    m_now = 2000;
    computerTakesCardBeingRead();
    const int third = w->match().currentCard();
    m_now = 2420;
    QVERIFY(clickCardBeingRead());
    QVERIFY(w->match().finished());
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("試合終了")});

    waitForRecord();
    const QString csv = m_recordFolder->filePath(QStringLiteral("takes.csv"));
    QString error;
    QVERIFY2(m_hub->recordReader().exportTakes(csv, QString(), &error), qPrintable(error));
    const QList<QStringList> rows = readCsv(csv);
    QCOMPARE(rows.size(), 5);
    // kind, card, read card, taker, reaction
    auto row = [&rows](int i) {
        return QStringList{rows[i][3], rows[i][4], rows[i][6], rows[i][8], rows[i][9]};
    };
    const QString n1 = QString::number(first), n2 = QString::number(second), n3 = QString::number(third);
    QCOMPARE(row(1), (QStringList{QStringLiteral("お手つき"), QString::number(wrongCard), n1, QStringLiteral("あなた"),
                                  QStringLiteral("250")}));
    QCOMPARE(row(2), (QStringList{QStringLiteral("取り"), n1, n1, QStringLiteral("あなた"), QStringLiteral("700")}));
    QCOMPARE(row(3), (QStringList{QStringLiteral("取り"), n2, n2, QStringLiteral("コンピュータ"), QString()}));
    QCOMPARE(row(4), (QStringList{QStringLiteral("取り"), n3, n3, QStringLiteral("あなた"), QStringLiteral("420")}));

    const RecordReader::Statistics s = statistics();
    QCOMPARE(s.history.size(), 1);
    QCOMPARE(s.history[0].result, record::Result::Won);
    QCOMPARE(s.history[0].playerScore, qint64(10 - 3));
    QCOMPARE(s.history[0].computerScore, 5);
    QCOMPARE(s.history[0].cardCount, 3);
    QVERIFY(!s.history[0].drill);

    // 成績 right after the match: the card the player never timed first,
    // then the slower of the two taken.
    StatisticsWindow *stats = openStatistics();
    QVERIFY(stats);
    QAbstractItemModel *table = controls(stats).cardModel();
    QCOMPARE(table->rowCount(), 3);
    const QList<QStringList> expected{{n2, QStringLiteral("1"), QStringLiteral("－"), QStringLiteral("1")},
                                      {n1, QStringLiteral("1"), QStringLiteral("0.70秒"), QStringLiteral("0")},
                                      {n3, QStringLiteral("1"), QStringLiteral("0.42秒"), QStringLiteral("0")}};
    for (int r = 0; r < 3; ++r) {
        auto cell = [&](int column) { return table->index(r, column).data().toString(); };
        QCOMPARE((QStringList{cell(StatisticsWindow::CardNumber), cell(StatisticsWindow::Takes),
                              cell(StatisticsWindow::Median), cell(StatisticsWindow::ComputerFirst)}),
                 expected[r]);
    }
    QCOMPARE(controls(stats).historyModel()->index(0, 4).data().toString(), QStringLiteral("勝ち"));
    QVERIFY(controls(stats).cardChart()->accessibleName().contains(
        QStringLiteral("最も遅いのは「%1」").arg(m_data->labels()[first])));
}

void TestStatisticsWindow::givenUpMatchKeepsItsTakes_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("おわり") << QStringLiteral("leave");
    QTest::newRow("close box") << QStringLiteral("close");
    QTest::newRow("終了 in the start menu") << QStringLiteral("end");
    QTest::newRow("a drill started over it") << QStringLiteral("drill");
}

void TestStatisticsWindow::givenUpMatchKeepsItsTakes()
{
    QFETCH(QString, how);
    MatchWindow *w = startMatch();
    const int taken = w->match().currentCard();
    m_now += 640;
    QVERIFY(clickCardBeingRead());
    if (how == QLatin1String("leave"))
        controls(w).leaveAction()->trigger();
    else if (how == QLatin1String("close"))
        w->close();
    else if (how == QLatin1String("end"))
        m_hub->endProgram();
    else
        m_hub->startDrill({1, 2});

    const RecordReader::Statistics s = statistics();
    QVERIFY(!s.history.isEmpty());
    QCOMPARE(s.history[0].result, record::Result::Abandoned);
    QCOMPARE(s.history[0].playerScore, qint64(5));
    int takes = 0;
    for (const record::CardRow &row : s.cards)
        takes += row.takes;
    QCOMPARE(takes, 1);
    QCOMPARE(s.cards[taken - 1].bestMs.value_or(-1), 640);
}

void TestStatisticsWindow::drillPlaysOnlyTheWeakestCards()
{
    // Every card taken once, quickly, but for six slow ones.
    const QList<int> slow{40, 7, 33, 21, 12, 3};
    QList<QPair<int, int>> takes;
    for (int card = 1; card <= m_data->cardCount(); ++card)
        takes << qMakePair(card, slow.contains(card) ? 3000 - 100 * int(slow.indexOf(card)) : 500);
    recordMatch(takes);

    StatisticsWindow *stats = openStatistics();
    QVERIFY(stats);
    QCOMPARE(controls(stats).drillSize()->value(), 10);
    QCOMPARE(controls(stats).drillSize()->maximum(), m_data->cardCount());
    controls(stats).drillSize()->setValue(5);
    testing::MessageBoxAnswerer answerer(QMessageBox::No);
    QTest::mouseClick(controls(stats).drillButton(), Qt::LeftButton);

    MatchWindow *w = m_hub->matchWindow();
    QVERIFY(w && w->isVisible());
    const QSet<int> expected{40, 7, 33, 21, 12};
    QCOMPARE(w->match().cardCount(), 5);
    QSet<int> laidOut;
    for (int s = 1; s <= Board::Boxes; ++s) {
        ui::PictureBox *box = controls(w).cardBoxes()[s - 1];
        QCOMPARE(box->isVisibleTo(w), s <= 5);
        if (s <= 5) {
            laidOut << w->match().cardInSlot(s);
            QCOMPARE(box->accessibleName(), m_data->labels()[w->match().cardInSlot(s)]);
        }
    }
    QCOMPARE(laidOut, expected);
    QSet<int> read;
    while (!w->match().finished()) {
        const int card = w->match().currentCard();
        QVERIFY(expected.contains(card));
        QCOMPARE(controls(w).readingDisplay()->text(), m_data->labels()[card]);
        read << card;
        QVERIFY(clickCardBeingRead());
    }
    QCOMPARE(read, expected);
    QCOMPARE(answerer.texts.size(), 1);

    const RecordReader::Statistics s = statistics();
    QCOMPARE(s.history.size(), 2);
    QVERIFY(s.history[1].drill);
    QCOMPARE(s.history[1].cardCount, 5);
    QCOMPARE(s.history[1].result, record::Result::Won);
}

void TestStatisticsWindow::menuItemOpensOneWindow()
{
    // Where the item sits in the menu bar: tst_startmenu.
    StatisticsWindow *first = openStatistics();
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->objectName(), QStringLiteral("frmSeiseki"));
    QCOMPARE(first->windowTitle(), QStringLiteral("成績"));
    QVERIFY(!first->parent() && !first->isModal());
    QCOMPARE(openStatistics(), first);
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(),
                           [](QWidget *w) { return qobject_cast<StatisticsWindow *>(w) != nullptr; }),
             1);
    // もどる hides it as it is; the close box destroys it.
    controls(first).backAction()->trigger();
    QVERIFY(!first->isVisible());
    QCOMPARE(openStatistics(), first);
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_hub->statisticsWindow());
    QVERIFY(openStatistics());
}

void TestStatisticsWindow::periodFilter_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("matches");
    QTest::addColumn<QString>("median");
    QTest::newRow("すべて") << 0 << 3 << QStringLiteral("0.80秒");
    QTest::newRow("最近30日") << 1 << 2 << QStringLiteral("0.60秒");
    QTest::newRow("最近7日") << 2 << 1 << QStringLiteral("0.40秒");
}

void TestStatisticsWindow::periodFilter()
{
    QFETCH(int, choice);
    QFETCH(int, matches);
    QFETCH(QString, median);
    const qint64 day = 24 * 3600 * 1000;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // Card 1 taken 40 days ago in 1200 ms, 10 days ago in 800, today in 400.
    for (const auto &[daysAgo, ms] : QList<QPair<int, int>>{{40, 1200}, {10, 800}, {0, 400}}) {
        m_now = now - daysAgo * day;
        recordMatch({{1, ms}});
    }
    StatisticsWindow *stats = openStatistics();
    QSignalSpy refreshed(stats, &StatisticsWindow::refreshed);
    controls(stats).periodChooser()->setCurrentIndex(choice);
    if (choice != 0)
        QCOMPARE(refreshed.size(), 1);
    QCOMPARE(controls(stats).historyModel()->rowCount(), matches);
    QAbstractItemModel *table = controls(stats).cardModel();
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->index(r, StatisticsWindow::CardNumber).data().toInt() == 1)
            QCOMPARE(table->index(r, StatisticsWindow::Median).data().toString(), median);
    }
}

void TestStatisticsWindow::resetAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("はい") << true;
    QTest::newRow("いいえ") << false;
}

void TestStatisticsWindow::resetAsksFirst()
{
    QFETCH(bool, yes);
    const QString otherSet = m_recordFolder->filePath(QStringLiteral("other set"));
    recordMatch({{1, 500}});
    recordMatch({{2, 700}}, otherSet);
    StatisticsWindow *stats = openStatistics();
    QCOMPARE(controls(stats).historyModel()->rowCount(), 1);

    QSignalSpy reset(&m_hub->trainingRecord(), &TrainingRecord::cardSetReset);
    controls(stats).resetAction()->trigger();
    auto *question = stats->findChild<QMessageBox *>(QStringLiteral("resetQuestion"));
    QVERIFY(question && question->isVisible());
    QCOMPARE(question->windowTitle(), QStringLiteral("記録を消去"));
    question->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    if (yes) {
        QVERIFY(reset.wait(5000));
        QTRY_COMPARE(controls(stats).historyModel()->rowCount(), 0);
    }
    QCOMPARE(statistics().history.size(), yes ? 0 : 1);
    // The other set keeps its record either way.
    QStringList labels;
    for (int card = 1; card <= m_data->cardCount(); ++card)
        labels << m_data->labels()[card];
    QCOMPARE(m_hub->recordReader().statistics(otherSet, labels, record::Period::All).history.size(), 1);
}

void TestStatisticsWindow::exportWritesCsv_data()
{
    QTest::addColumn<bool>("matches");
    QTest::addColumn<QString>("firstColumn");
    QTest::addColumn<int>("rows");
    QTest::newRow("takes") << false << QStringLiteral("日時") << 3;
    QTest::newRow("matches") << true << QStringLiteral("試合番号") << 2;
}

void TestStatisticsWindow::exportWritesCsv()
{
    QFETCH(bool, matches);
    QFETCH(QString, firstColumn);
    QFETCH(int, rows);
    recordMatch({{1, 500}, {2, 600}});
    recordMatch({{3, 700}}, m_recordFolder->filePath(QStringLiteral("other set")));
    StatisticsWindow *stats = openStatistics();
    (matches ? controls(stats).exportMatchesAction() : controls(stats).exportTakesAction())->trigger();
    auto *dialog = stats->findChild<QFileDialog *>(QStringLiteral("exportDialog"));
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    const QString file = m_recordFolder->filePath(QStringLiteral("書き出し.csv"));
    dialog->selectFile(file);
    // What 保存 does.
    QVERIFY(QMetaObject::invokeMethod(dialog, "accept"));
    const QList<QStringList> lines = readCsv(file);
    QCOMPARE(lines.size(), 1 + rows);
    QCOMPARE(lines[0].first(), firstColumn);
    auto *notice = stats->findChild<QMessageBox *>(QStringLiteral("notice"));
    QVERIFY(notice && notice->text().startsWith(QStringLiteral("書き出しました")));
}

GINREI_TEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
