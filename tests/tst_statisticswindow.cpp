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
#include "editor/editorwindow.h"
#include "match/matchwindow.h"
#include "record/recordreader.h"
#include "record/statisticswindow.h"
#include "record/trainingrecord.h"
#include "record/trainingstats.h"
#include "settings/settingswindow.h"
#include "tests/matchtest.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChartView>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <QFileDialog>
#include <QProgressDialog>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
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
    void confusionsAreDrilled_data();
    void confusionsAreDrilled();
    void menuItemOpensOneWindow();
    void followsTheCardSet_data();
    void followsTheCardSet();
    void chartsMatchTheTables_data();
    void chartsMatchTheTables();
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
    // Makes the set of count cards in folder the current one through the
    // editor's 保存; whether it said 保存しました.
    bool saveSetInEditor(const QString &folder, int count);
    // One match of the current set, as the match window would record it:
    // the player takes each card with the reaction time given.
    void recordMatch(const QList<QPair<int, int>> &takes, const QString &folder = QString(),
                     const QString &opponent = QStringLiteral("level"));

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

bool TestStatisticsWindow::saveSetInEditor(const QString &folder, int count)
{
    m_hub->showEditor();
    EditorWindow *edit = m_hub->editorWindow();
    controls(edit).folderLabel()->setText(folder);
    controls(edit).countBox()->setText(QString::number(count));
    testing::MessageBoxAnswerer answerer;
    controls(edit).saveAction()->trigger();
    return answerer.texts == QStringList{QStringLiteral("保存しました")};
}

void TestStatisticsWindow::recordMatch(const QList<QPair<int, int>> &takes, const QString &folder,
                                       const QString &opponent)
{
    TrainingRecord &record = m_hub->trainingRecord();
    record.setWallClock([this] { return m_now; });
    const QString set = folder.isEmpty() ? m_data->cardFolder() : folder;
    const auto key = record.startMatch({set, m_data->cardCount(), 3, false, false, opponent});
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
    QVERIFY2(controls(stats).summary()->text().endsWith(QStringLiteral("未計測の札：1枚")),
             qPrintable(controls(stats).summary()->text()));
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

    // The number chosen is kept through a set too small for it.
    for (const int cards : {1, 46}) {
        m_data->adoptSavedSet(m_data->cardFolder(), m_data->labels(), qint16(cards));
        QSignalSpy refreshed(stats, &StatisticsWindow::refreshed);
        stats->refresh();
        QVERIFY(!refreshed.isEmpty() || refreshed.wait(5000));
        QCOMPARE(controls(stats).drillSize()->value(), qMin(5, cards));
    }
}

void TestStatisticsWindow::confusionsAreDrilled_data()
{
    QTest::addColumn<int>("pairs");
    QTest::addColumn<QList<int>>("cards");
    QTest::newRow("the most frequent pair") << 1 << QList<int>{12, 30};
    QTest::newRow("a card of two pairs once") << 3 << QList<int>{7, 12, 30};
    QTest::newRow("every pair") << 4 << QList<int>{7, 12, 20, 21, 30};
}

void TestStatisticsWindow::confusionsAreDrilled()
{
    QFETCH(int, pairs);
    QFETCH(QList<int>, cards);
    // お手つき one after another: the card read, the card clicked.
    TrainingRecord &record = m_hub->trainingRecord();
    record.setWallClock([this] { return m_now; });
    const auto key = record.startMatch({m_data->cardFolder(), m_data->cardCount(), 3, false, false});
    for (const auto &[read, clicked] : QList<QPair<int, int>>{
             {20, 21}, {12, 30}, {7, 12}, {12, 30}, {12, 30}, {7, 12}, {30, 12}, {12, 30}}) {
        m_now += 1000;
        record.recordWrongTake(key, {clicked, read, 1, 300});
    }
    record.endMatch(key, {-24, 0, record::Result::Lost});
    StatisticsWindow *stats = openStatistics();

    // By count, then the latest first.
    auto name = [this](int card) { return QStringLiteral("%1 %2").arg(card).arg(m_data->labels()[card]); };
    QAbstractItemModel *table = controls(stats).confusionTable()->model();
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r)
        rows << QStringList{table->index(r, StatisticsWindow::ReadCard).data().toString(),
                            table->index(r, StatisticsWindow::ClickedCard).data().toString(),
                            table->index(r, StatisticsWindow::ConfusionCount).data().toString()}.join(u'/');
    QCOMPARE(rows, (QStringList{name(12) + "/" + name(30) + "/4", name(7) + "/" + name(12) + "/2",
                                name(30) + "/" + name(12) + "/1", name(20) + "/" + name(21) + "/1"}));
    QCOMPARE(controls(stats).confusionTable()->accessibleName(),
             QStringLiteral("取り違えた札の表：4組。最も多いのは「%1」が読まれて「%2」を取った4回").arg(name(12), name(30)));

    // The drill, started as 苦手札で試合 is: both cards of each pair on the
    // board, each once.
    controls(stats).pairCount()->setValue(pairs);
    QSignalSpy chosen(stats, &StatisticsWindow::drillChosen);
    QTest::mouseClick(controls(stats).confusionDrillButton(), Qt::LeftButton);
    QList<int> asked = chosen.value(0).value(0).value<QList<int>>();
    std::sort(asked.begin(), asked.end());
    QCOMPARE(asked, cards);
    MatchWindow *w = m_hub->matchWindow();
    QVERIFY(w && w->isVisible());
    QList<int> laidOut;
    for (int s = 1; s <= Board::Boxes; ++s) {
        if (controls(w).cardBoxes()[s - 1]->isVisibleTo(w))
            laidOut << w->match().cardInSlot(s);
    }
    std::sort(laidOut.begin(), laidOut.end());
    QCOMPARE(laidOut, cards);
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

void TestStatisticsWindow::chartsMatchTheTables_data()
{
    QTest::addColumn<QString>("chart");
    // The bar chart: a card, its category on the axis and its bar. The
    // match chart: a series, named as the history's 相手 column, and its points.
    QTest::addColumn<int>("card");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("value");
    QTest::newRow("two cards of one label") << "cards" << 2 << "2 あ" << 0.75;
    QTest::newRow("a card never timed") << "cards" << 3 << "3 う（未計測）" << 0.0;
    QTest::newRow("a match at a level") << "matches" << 0 << "3" << 1.0;
    QTest::newRow("a match against a named step") << "matches" << 0 << "上" << 1.0;
    QTest::newRow("matches against the adaptive opponent") << "matches" << 0 << "合" << 2.0;
    QTest::newRow("a match against nobody") << "matches" << 0 << "練" << 1.0;
    QTest::newRow("the seconds axes: marks where their labels say") << "axes" << 0 << "" << 0.0;
}

void TestStatisticsWindow::chartsMatchTheTables()
{
    QFETCH(QString, chart);
    QFETCH(int, card);
    QFETCH(QString, name);
    QFETCH(double, value);
    // Cards 1 and 2 both labelled あ; card 3 taken by nobody yet. (The
    // start menu loads the card state when it is made: before the set.)
    m_hub->startMenu();
    CardState::LabelTable labels = m_data->labels();
    labels[2] = labels[1];
    m_data->adoptSavedSet(m_data->cardFolder(), labels, 3);
    recordMatch({{1, 500}, {2, 700}});
    recordMatch({{1, 900}}, QString(), QStringLiteral("human:上"));
    recordMatch({{2, 800}}, QString(), QStringLiteral("adaptive"));
    recordMatch({{1, 600}}, QString(), QStringLiteral("adaptive"));
    recordMatch({{1, 650}}, QString(), QString::fromLatin1(record::PracticeOpponent));
    StatisticsWindow *stats = openStatistics();

    if (chart == QLatin1String("cards")) {
        QChart *bars = controls(stats).cardChart()->chart();
        auto *axis = qobject_cast<QBarCategoryAxis *>(bars->axes(Qt::Horizontal).value(0));
        auto *series = qobject_cast<QBarSeries *>(bars->series().value(0));
        QVERIFY(axis && series);
        QCOMPARE(axis->count(), 3);
        QCOMPARE(axis->at(card - 1), name);
        QCOMPARE(series->barSets().value(0)->at(card - 1), value);
        return;
    }
    if (chart == QLatin1String("axes")) {
        // Labels of one decimal: a mark between two tenths would read as
        // the nearer one, and every bar and point against it would be off.
        for (QChartView *view : {controls(stats).cardChart(), controls(stats).matchChart()}) {
            auto *y = qobject_cast<QValueAxis *>(view->chart()->axes(Qt::Vertical).value(0));
            QVERIFY(y && y->tickCount() > 1);
            const double tenths = 10 * (y->max() - y->min()) / (y->tickCount() - 1);
            QVERIFY2(qAbs(tenths - qRound(tenths)) < 1e-9 && y->min() == 0, qPrintable(QString::number(y->max())));
        }
        return;
    }
    QStringList names;
    for (QAbstractSeries *series : controls(stats).matchChart()->chart()->series()) {
        auto *points = qobject_cast<QScatterSeries *>(series);
        if (!points)
            continue;
        names << points->name();
        if (points->name() == name)
            QCOMPARE(points->count(), int(value));
    }
    QVERIFY2(names.contains(name), qPrintable(names.join(u' ')));
}

void TestStatisticsWindow::followsTheCardSet_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("drilled");      // cards of the drill started; 0: none
    QTest::addColumn<QString>("deleted");  // the set 記録を消去 deleted
    QTest::newRow("成績 chosen again") << "menu" << 0 << "";
    QTest::newRow("saved in the editor, then a drill") << "editor, drill" << 3 << "";
    QTest::newRow("saved in the editor, then 記録を消去") << "editor, reset" << 0 << "B";
    QTest::newRow("saved while 記録を消去 asks") << "asking, editor" << 0 << "";
    QTest::newRow("changed unannounced, then a drill") << "unannounced, drill" << 0 << "";
}

void TestStatisticsWindow::followsTheCardSet()
{
    QFETCH(QString, how);
    QFETCH(int, drilled);
    QFETCH(QString, deleted);
    m_hub->startMenu();
    const QString setA = m_data->cardFolder();
    const QString setB = m_recordFolder->filePath(QStringLiteral("set B"));
    QVERIFY(QDir().mkpath(setB));
    recordMatch({{1, 500}});
    recordMatch({{1, 600}, {2, 700}}, setB);
    recordMatch({{3, 800}}, setB);
    StatisticsWindow *stats = openStatistics();
    QCOMPARE(controls(stats).historyModel()->rowCount(), 1);
    auto question = [stats]() -> QMessageBox * {
        for (QMessageBox *box : stats->findChildren<QMessageBox *>(QStringLiteral("resetQuestion"))) {
            if (box->isVisible())
                return box;
        }
        return nullptr;
    };
    QSignalSpy refreshed(stats, &StatisticsWindow::refreshed);

    // Set B, of 3 cards, becomes the current set.
    if (how.startsWith(QLatin1String("asking"))) {
        controls(stats).resetAction()->trigger();
        QVERIFY(question());
    }
    if (how == QLatin1String("menu") || how.startsWith(QLatin1String("unannounced")))
        m_data->adoptSavedSet(setB, m_data->labels(), 3);
    else
        QVERIFY(saveSetInEditor(setB, 3));
    if (how == QLatin1String("menu"))
        controls(m_hub->startMenu()).statisticsAction()->trigger();
    if (!how.startsWith(QLatin1String("unannounced")))
        QVERIFY(!refreshed.isEmpty() || refreshed.wait(5000));

    testing::MessageBoxAnswerer answerer(QMessageBox::No);
    if (how.endsWith(QLatin1String("drill")))
        QTest::mouseClick(controls(stats).drillButton(), Qt::LeftButton);
    if (how.endsWith(QLatin1String("reset"))) {
        controls(stats).resetAction()->trigger();
        QVERIFY(question()->text().endsWith(QDir::toNativeSeparators(setB)));
        question()->button(QMessageBox::Yes)->click();
    }
    if (how.startsWith(QLatin1String("asking"))) {
        // はい to the question about set A: asked again, about set B.
        QMessageBox *first = question();
        QVERIFY(first->text().endsWith(QDir::toNativeSeparators(setA)));
        first->button(QMessageBox::Yes)->click();
        QTRY_VERIFY(question() && question() != first);
        QVERIFY(question()->text().endsWith(QDir::toNativeSeparators(setB)));
        question()->button(QMessageBox::No)->click();
    }

    // The window shows set B; the drill and the reset were of B.
    QTRY_COMPARE(controls(stats).historyModel()->rowCount(), deleted == QLatin1String("B") ? 0 : 2);
    QCOMPARE(controls(stats).cardModel()->rowCount(), 3);
    MatchWindow *w = m_hub->matchWindow();
    QCOMPARE(w && w->isVisible() ? w->match().cardCount() : 0, drilled);
    m_data->adoptSavedSet(setA, m_data->labels(), 46);
    QCOMPARE(statistics().history.size(), 1);
    m_data->adoptSavedSet(setB, m_data->labels(), 3);
    QCOMPARE(statistics().history.size(), deleted == QLatin1String("B") ? 0 : 2 + int(drilled > 0));
}

void TestStatisticsWindow::periodFilter_data()
{
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("matches");
    QTest::addColumn<QString>("median");
    // A match begun a minute before the 7 days, its card taken a minute into them.
    QTest::addColumn<bool>("straddling");
    // A period chosen just before, whose figures must never be shown.
    QTest::addColumn<int>("over");
    QTest::newRow("すべて") << 0 << 3 << QStringLiteral("0.80秒") << false << -1;
    QTest::newRow("最近30日") << 1 << 2 << QStringLiteral("0.60秒") << false << -1;
    QTest::newRow("最近7日") << 2 << 1 << QStringLiteral("0.40秒") << false << -1;
    QTest::newRow("最近7日, a match begun before them") << 2 << 1 << QStringLiteral("0.40秒") << true << -1;
    QTest::newRow("最近7日, chosen over 最近30日 at once") << 2 << 1 << QStringLiteral("0.40秒") << false << 1;
}

void TestStatisticsWindow::periodFilter()
{
    QFETCH(int, choice);
    QFETCH(int, matches);
    QFETCH(QString, median);
    QFETCH(bool, straddling);
    QFETCH(int, over);
    const qint64 day = 24 * 3600 * 1000;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // Card 1 taken 40 days ago in 1200 ms, 10 days ago in 800, today in 400.
    for (const auto &[daysAgo, ms] : QList<QPair<int, int>>{{40, 1200}, {10, 800}, {0, 400}}) {
        m_now = now - daysAgo * day;
        recordMatch({{1, ms}});
    }
    if (straddling) {
        TrainingRecord &record = m_hub->trainingRecord();
        m_now = now - 7 * day - 60000;
        const auto key = record.startMatch({m_data->cardFolder(), m_data->cardCount(), 3, false, false});
        m_now += 120000;
        record.recordTake(key, {1, m_data->labels()[1], 1, record::Taker::Player, 3000});
    }
    StatisticsWindow *stats = openStatistics();
    // The matches on show at each refresh.
    QList<int> shown;
    connect(stats, &StatisticsWindow::refreshed, stats,
            [&] { shown << controls(stats).historyModel()->rowCount(); });
    if (over >= 0)
        controls(stats).periodChooser()->setCurrentIndex(over);
    controls(stats).periodChooser()->setCurrentIndex(choice);
    if (choice != 0) {
        QCOMPARE(controls(stats).summary()->text(), QStringLiteral("読み込み中…"));
        QTRY_VERIFY(!shown.isEmpty());
    }
    QCOMPARE(shown, choice != 0 ? QList<int>{matches} : QList<int>{});
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
    // Whether the home folder has a documents folder, where the dialog starts.
    QTest::addColumn<bool>("documents");
    QTest::newRow("takes") << false << QStringLiteral("日時") << 3 << true;
    QTest::newRow("matches, with no documents folder") << true << QStringLiteral("試合番号") << 2 << false;
}

void TestStatisticsWindow::exportWritesCsv()
{
    QFETCH(bool, matches);
    QFETCH(QString, firstColumn);
    QFETCH(int, rows);
    QFETCH(bool, documents);
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const auto restoreHome = qScopeGuard([&oldHome] { qputenv("HOME", oldHome); });
    qputenv("HOME", home.path().toLocal8Bit());
    QVERIFY(!documents || QDir(home.path()).mkdir(QStringLiteral("Documents")));
    recordMatch({{1, 500}, {2, 600}});
    recordMatch({{3, 700}}, m_recordFolder->filePath(QStringLiteral("other set")));
    StatisticsWindow *stats = openStatistics();
    (matches ? controls(stats).exportMatchesAction() : controls(stats).exportTakesAction())->trigger();
    auto *dialog = stats->findChild<QFileDialog *>(QStringLiteral("exportDialog"));
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog->directory().absolutePath(), documents ? home.filePath(QStringLiteral("Documents")) : home.path());
    const QString file = m_recordFolder->filePath(QStringLiteral("書き出し.csv"));
    dialog->selectFile(file);
    // What 保存 does: the file is written on the export's own thread.
    QVERIFY(QMetaObject::invokeMethod(dialog, "accept"));
    QVERIFY(stats->findChild<QProgressDialog *>(QStringLiteral("exportProgress")));
    QTRY_VERIFY(stats->findChild<QMessageBox *>(QStringLiteral("notice")));
    const QList<QStringList> lines = readCsv(file);
    QCOMPARE(lines.size(), 1 + rows);
    QCOMPARE(lines[0].first(), firstColumn);
    auto *notice = stats->findChild<QMessageBox *>(QStringLiteral("notice"));
    QVERIFY(notice && notice->text().startsWith(QStringLiteral("書き出しました")));
}

GINREI_TEST_MAIN(TestStatisticsWindow)
#include "tst_statisticswindow.moc"
