// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The automatic reading window driven through its real timers and a sound
// device that records what it is asked and completes when the test says so.

#include "data/cardstate.h"
#include "reading/readingwindow.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"
#include "ui/uikit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
int openCount(const testing::RecordingSoundDevice *sound)
{
    return int(sound->commands.filter(QStringLiteral("Open ")).size());
}

QString fileName(const QString &path)
{
    return path.section(u'/', -1);
}
} // namespace

class TestReadingWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void layoutMatchesTheDesign();
    void aiuRunReadsAllCardsOnSchedule();
    void randomRunShowsCardIndexes();
    void twiceReadsPairs();
    void combosAreReadOnlyAtStart();
    void activationWhileWaitingStopsTheRun();
    void leavingStopsTheRun_data();
    void leavingStopsTheRun();
    void leavingDuringTheReturnToTheLoopReadsNothing();
    void lateNoticeAfterActivationIsIgnored();
    void unknownMethodFallsBackToRandom();
    void missingPictureLeavesFrameEmpty();
    void damagedPictureDoesNotStopTheRun_data();
    void damagedPictureDoesNotStopTheRun();
    void missingSoundStopsButCanRunAgain();
    void cardFolderGoneStopsWithAWord();
    void closeBoxClosesTheDevice();
    void returnFromAnotherWindowActivates();
    void ownPopupsDoNotActivate_data();
    void ownPopupsDoNotActivate();
    void soundIsReadAheadOfEachReading_data();
    void soundIsReadAheadOfEachReading();
    void noSoundOutputIsShown();

private:
    // Press 実　行 and check the first timer is set for 2000 ms.
    QTimer *start(const QString &count, const QString &method);
    // Fire the run's timer and let the tick's continuation run.
    void tick(QTimer *timer);

    std::unique_ptr<testing::ProgramFolder> m_program;
    std::unique_ptr<CardState> m_data;
    testing::RecordingSoundDevice *m_sound = nullptr;
    std::unique_ptr<ReadingWindow> m_window;
};

void TestReadingWindow::init()
{
    m_program = std::make_unique<testing::ProgramFolder>();
    m_data = std::make_unique<CardState>(m_program->path());
    m_data->loadCardFolder();
    m_sound = new testing::RecordingSoundDevice;
    m_window = std::make_unique<ReadingWindow>(*m_data, m_sound);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestReadingWindow::cleanup()
{
    m_window.reset();
    m_data.reset();
    m_program.reset();
}

QTimer *TestReadingWindow::start(const QString &count, const QString &method)
{
    controls(m_window).timesChooser()->setCurrentText(count);
    controls(m_window).orderChooser()->setCurrentText(method);
    QTest::mouseClick(controls(m_window).startButton(), Qt::LeftButton);
    [&] { QVERIFY(!controls(m_window).startButton()->isEnabled()); }();
    QTimer *timer = controls(m_window).aiuOrderTimer()->isActive() ? controls(m_window).aiuOrderTimer() : controls(m_window).randomOrderTimer();
    [&] {
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 2000);
    }();
    return timer;
}

void TestReadingWindow::tick(QTimer *timer)
{
    const int opens = openCount(m_sound);
    timer == controls(m_window).aiuOrderTimer() ? m_window->aiuOrderTimeUp() : m_window->randomOrderTimeUp();
    [&] {
        QVERIFY(!timer->isActive());
        QCOMPARE(timer->interval(), 5000);
        // The picture and sound follow only after a return to the event loop.
        QCOMPARE(openCount(m_sound), opens);
        QTRY_COMPARE(openCount(m_sound), opens + 1);
    }();
}

void TestReadingWindow::layoutMatchesTheDesign()
{
    ReadingWindow &w = *m_window;
    QCOMPARE(w.windowTitle(), QStringLiteral("銀鈴かるた自動よみあげ"));
    QCOMPARE(w.centralWidget()->size(), QSize(409, 231));
    QCOMPARE(w.centralWidget()->palette().color(QPalette::Window), QColor(255, 255, 0));
    QCOMPARE(controls(w).timesChooser()->geometry(), QRect(96, 8, 41, 20));
    QCOMPARE(controls(w).orderChooser()->geometry(), QRect(96, 40, 81, 20));
    QCOMPARE(controls(w).timesChooser()->currentText(), QStringLiteral("1"));
    QCOMPARE(controls(w).orderChooser()->currentText(), QStringLiteral("1：ランダム"));
    QCOMPARE(controls(w).orderChooser()->itemText(1), QStringLiteral("2：あいう順"));
    QVERIFY(controls(w).timesChooser()->isEditable() && controls(w).orderChooser()->isEditable());
    QCOMPARE(controls(w).captions()[0]->buddy(), controls(w).timesChooser());
    QCOMPARE(controls(w).captions()[3]->buddy(), controls(w).orderChooser());
    QCOMPARE(controls(w).startButton()->text(), QStringLiteral("実　行"));
    QCOMPARE(controls(w).startButton()->geometry(), QRect(56, 160, 105, 33));
    QCOMPARE(controls(w).startButton()->palette().color(QPalette::Button), QColor(0, 255, 0));
    QCOMPARE(controls(w).startButton()->font().pointSizeF(), 11.25);
    QCOMPARE(controls(w).cardPicture()->geometry(), QRect(224, 8, 169, 209));
    QCOMPARE(controls(w).labelDisplay()->palette().color(QPalette::Window), QColor(255, 192, 192));
    QCOMPARE(controls(w).numberDisplay()->geometry(), QRect(96, 104, 41, 25));
    QCOMPARE(controls(w).numberDisplay()->font().pointSizeF(), 14.25);
    QVERIFY(controls(w).numberDisplay()->text().isEmpty() && !controls(w).cardPicture()->hasPicture());
    QCOMPARE(controls(w).leaveAction()->text(), QStringLiteral("おわり"));
    const QStringList captions{QStringLiteral("よみあげ回数"), QStringLiteral("回"), QStringLiteral("よみあげ番号"),
                               QStringLiteral("よみあげ方法"), QStringLiteral("よみあげ文字")};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(controls(w).captions()[i]->text(), captions[i]);
    // Prepared when it loaded: nothing open.
    QCOMPARE(m_sound->commands, QStringList{QStringLiteral("Close")});
}

void TestReadingWindow::aiuRunReadsAllCardsOnSchedule()
{
    testing::MessageBoxAnswerer answerer;
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    QCOMPARE(timer, controls(m_window).aiuOrderTimer());
    QVERIFY(!controls(m_window).randomOrderTimer()->isActive());
    for (int card = 1; card <= 46; ++card) {
        tick(timer);
        QCOMPARE(controls(m_window).numberDisplay()->text(), QString::number(card));
        QCOMPARE(controls(m_window).labelDisplay()->text(), m_data->label(card));
        QCOMPARE(fileName(m_sound->lastFile), QStringLiteral("karuon%1.wav").arg(card, 2, 10, QLatin1Char('0')));
        QVERIFY(controls(m_window).cardPicture()->hasPicture());
        m_sound->finish();
        // Closed whatever the outcome; the next reading 5000 ms after this one ended.
        QCOMPARE(m_sound->commands.last(), QStringLiteral("Close"));
        if (card < 46) {
            QVERIFY(timer->isActive());
            QCOMPARE(timer->remainingTime() > 4900, true);
        }
    }
    QTRY_COMPARE(answerer.texts, QStringList{QStringLiteral("終了しました")});
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("銀鈴かるた")});
    QVERIFY(controls(m_window).startButton()->isEnabled());
    QVERIFY(!timer->isActive());
    // Closing the message box is no activation: the run's position stays.
    QTest::qWait(20);
    QCOMPARE(m_data->readingPosition(), 47);
    // The last card stays on display.
    QCOMPARE(controls(m_window).numberDisplay()->text(), QStringLiteral("46"));
}

void TestReadingWindow::randomRunShowsCardIndexes()
{
    testing::MessageBoxAnswerer answerer;
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    QCOMPARE(timer, controls(m_window).randomOrderTimer());
    QSet<int> seen;
    for (int i = 1; i <= 46; ++i) {
        tick(timer);
        const int card = controls(m_window).numberDisplay()->text().toInt();
        QCOMPARE(card, int(m_data->readingOrder()[i]));
        QCOMPARE(controls(m_window).labelDisplay()->text(), m_data->label(card));
        QCOMPARE(fileName(m_sound->lastFile), QStringLiteral("karuon%1.wav").arg(card, 2, 10, QLatin1Char('0')));
        seen.insert(card);
        m_sound->finish();
    }
    QCOMPARE(seen.size(), 46);
    QTRY_COMPARE(answerer.texts.size(), 1);
}

void TestReadingWindow::twiceReadsPairs()
{
    testing::MessageBoxAnswerer answerer;
    QTimer *timer = start(QStringLiteral("2"), QStringLiteral("1：ランダム"));
    QStringList files;
    for (int i = 0; i < 92; ++i) {
        tick(timer);
        files << m_sound->lastFile;
        m_sound->finish();
    }
    QTRY_COMPARE(answerer.texts.size(), 1);
    for (int i = 0; i < 92; i += 2)
        QCOMPARE(files[i], files[i + 1]);
    QCOMPARE(QSet<QString>(files.begin(), files.end()).size(), 46);
}

void TestReadingWindow::combosAreReadOnlyAtStart()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    controls(m_window).timesChooser()->setCurrentText(QStringLiteral("2"));
    controls(m_window).orderChooser()->setCurrentText(QStringLiteral("1：ランダム"));
    tick(timer);
    QCOMPARE(controls(m_window).numberDisplay()->text(), QStringLiteral("1"));
    m_sound->finish();
    tick(timer);
    // Still once each, still あいう order.
    QCOMPARE(controls(m_window).numberDisplay()->text(), QStringLiteral("2"));
}

void TestReadingWindow::activationWhileWaitingStopsTheRun()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    tick(timer);
    m_sound->finish();
    QVERIFY(timer->isActive());
    const CardState::Order before = m_data->readingOrder();
    m_window->activate();
    QVERIFY(!controls(m_window).aiuOrderTimer()->isActive() && !controls(m_window).randomOrderTimer()->isActive());
    QVERIFY(controls(m_window).startButton()->isEnabled());
    QCOMPARE(m_data->readingPosition(), 0);
    QVERIFY(m_data->readingOrder() != before);
}

void TestReadingWindow::leavingStopsTheRun_data()
{
    QTest::addColumn<bool>("playing");
    QTest::newRow("while waiting") << false;
    QTest::newRow("while playing") << true;
}

void TestReadingWindow::leavingStopsTheRun()
{
    QFETCH(bool, playing);
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    if (playing)
        tick(timer);
    const int opens = openCount(m_sound);
    controls(m_window).leaveAction()->trigger();
    QVERIFY(!m_window->isVisible());
    QVERIFY(!controls(m_window).aiuOrderTimer()->isActive() && !controls(m_window).randomOrderTimer()->isActive());
    QCOMPARE(m_sound->commands.last(), QStringLiteral("Close"));
    // A notice that still arrives for the cut reading schedules nothing.
    m_sound->finish();
    QVERIFY(!controls(m_window).aiuOrderTimer()->isActive() && !controls(m_window).randomOrderTimer()->isActive());
    QCOMPARE(openCount(m_sound), opens);
    // Shown again: idle, with a new order.
    m_window->show();
    QVERIFY(controls(m_window).startButton()->isEnabled());
    QCOMPARE(m_data->readingPosition(), 0);
}

void TestReadingWindow::leavingDuringTheReturnToTheLoopReadsNothing()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    const int opens = openCount(m_sound);
    m_window->aiuOrderTimeUp();
    QCOMPARE(controls(m_window).numberDisplay()->text(), QStringLiteral("1"));
    // おわり is handled before the tick goes on.
    controls(m_window).leaveAction()->trigger();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(openCount(m_sound), opens);
    QVERIFY(!controls(m_window).cardPicture()->hasPicture());
    QVERIFY(!timer->isActive());
}

void TestReadingWindow::lateNoticeAfterActivationIsIgnored()
{
    QTimer *timer = start(QStringLiteral("2"), QStringLiteral("1：ランダム"));
    tick(timer);
    // Activated while the reading still plays, with its repeat pending.
    m_window->activate();
    m_sound->finish();
    QVERIFY(!controls(m_window).aiuOrderTimer()->isActive() && !controls(m_window).randomOrderTimer()->isActive());
    QCOMPARE(m_data->readingPosition(), 0);
    QVERIFY(controls(m_window).startButton()->isEnabled());
}

void TestReadingWindow::unknownMethodFallsBackToRandom()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("9：ほかの順"));
    QCOMPARE(timer, controls(m_window).randomOrderTimer());
    tick(timer);
    QCOMPARE(controls(m_window).numberDisplay()->text().toInt(), int(m_data->readingOrder()[1]));
}

void TestReadingWindow::missingPictureLeavesFrameEmpty()
{
    QFile::remove(m_program->cardFolder() + QStringLiteral("/karue01.jpg"));
    testing::writeAll(m_program->cardFolder() + QStringLiteral("/karue02.jpg"), "not a picture");
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    QVERIFY(!controls(m_window).cardPicture()->hasPicture());
    QVERIFY(fileName(m_sound->lastFile) == QStringLiteral("karuon01.wav"));
    m_sound->finish();
    tick(timer);
    QVERIFY(!controls(m_window).cardPicture()->hasPicture());
    m_sound->finish();
    tick(timer);
    QVERIFY(controls(m_window).cardPicture()->hasPicture());
    QCOMPARE(controls(m_window).numberDisplay()->text(), QStringLiteral("3"));
}

void TestReadingWindow::damagedPictureDoesNotStopTheRun_data()
{
    testing::addDamagedPictureRows();
}

void TestReadingWindow::damagedPictureDoesNotStopTheRun()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, shown);
    testing::writeAll(m_program->cardFolder() + QStringLiteral("/karue01.jpg"), bytes);
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    QCOMPARE(controls(m_window).cardPicture()->hasPicture(), shown);
    QCOMPARE(controls(m_window).labelDisplay()->text(), QStringLiteral("あ"));
    QCOMPARE(fileName(m_sound->lastFile), QStringLiteral("karuon01.wav"));
    m_sound->finish();
    QVERIFY(timer->isActive());
    tick(timer);
    QVERIFY(controls(m_window).cardPicture()->hasPicture());
    QCOMPARE(controls(m_window).numberDisplay()->text(), QStringLiteral("2"));
    QVERIFY(!m_window->findChild<QMessageBox *>());
}

void TestReadingWindow::missingSoundStopsButCanRunAgain()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    m_sound->finish(8); // the device could not play it
    QVERIFY(!controls(m_window).aiuOrderTimer()->isActive() && !controls(m_window).randomOrderTimer()->isActive());
    QCOMPARE(controls(m_window).numberDisplay()->text(), QStringLiteral("1"));
    // Usable again at once, with a word about why it stopped.
    QVERIFY(controls(m_window).startButton()->isEnabled());
    QTRY_VERIFY(QApplication::topLevelWidgets().contains(m_window->findChild<QMessageBox *>()));
    auto *box = m_window->findChild<QMessageBox *>();
    QVERIFY(box && box->text().contains(QStringLiteral("karuon01.wav")));
    QVERIFY(!box->isModal());
    box->close();
    timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    QCOMPARE(controls(m_window).numberDisplay()->text(), QStringLiteral("1"));
}

void TestReadingWindow::cardFolderGoneStopsWithAWord()
{
    QVERIFY(QDir(m_program->cardFolder()).removeRecursively());
    QTimer *timer = start(QStringLiteral("2"), QStringLiteral("1：ランダム"));
    tick(timer);
    QVERIFY(!controls(m_window).cardPicture()->hasPicture());
    m_sound->finish(8); // what the device reports for a missing file
    QVERIFY(!controls(m_window).aiuOrderTimer()->isActive() && !controls(m_window).randomOrderTimer()->isActive());
    QVERIFY(controls(m_window).startButton()->isEnabled());
    const QList<QMessageBox *> boxes = m_window->findChildren<QMessageBox *>();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0]->text().contains(m_data->cardFolder()));
    QVERIFY(boxes[0]->text().contains(QStringLiteral("見つかりません")));
}

void TestReadingWindow::closeBoxClosesTheDevice()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    m_sound->finish(); // the reading ends and the next one is due in 5 s
    QVERIFY(timer->isActive());
    m_sound->commands.clear();
    m_window->close();
    QCOMPARE(m_sound->commands, QStringList{QStringLiteral("Close")});
    QVERIFY(!controls(m_window).aiuOrderTimer()->isActive());
    QVERIFY(!controls(m_window).randomOrderTimer()->isActive());
}

void TestReadingWindow::returnFromAnotherWindowActivates()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    QVERIFY(timer->isActive());
    m_window->activateWindow();
    QTRY_VERIFY(m_window->isActiveWindow());
    QVERIFY(timer->isActive()); // focus coming back from nowhere is no activation

    QWidget other; // another window of the program
    other.show();
    other.activateWindow();
    QTRY_VERIFY(other.isActiveWindow());
    QVERIFY(timer->isActive());
    m_window->activateWindow();
    QTRY_VERIFY(m_window->isActiveWindow());
    QVERIFY(!timer->isActive());
    QVERIFY(controls(m_window).startButton()->isEnabled());
    QCOMPARE(m_data->readingPosition(), 0);
}

void TestReadingWindow::ownPopupsDoNotActivate_data()
{
    QTest::addColumn<QString>("popup");
    QTest::newRow("count dropdown") << QStringLiteral("Combo1");
    QTest::newRow("method dropdown") << QStringLiteral("Combo2");
    QTest::newRow("context menu of the count text") << QStringLiteral("menu");
}

void TestReadingWindow::ownPopupsDoNotActivate()
{
    QFETCH(QString, popup);
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    m_window->activateWindow();
    QTRY_COMPARE(QGuiApplication::focusWindow(), m_window->windowHandle());

    // The real popups, opened and closed as the user would; the focus goes
    // to the popup and back, as a window manager moves it.
    QComboBox *combo = m_window->findChild<QComboBox *>(popup);
    // The edit field's own menu, kept after it closes so that the focus can
    // come back from it.
    std::unique_ptr<QMenu> menu;
    if (combo) {
        combo->showPopup();
    } else {
        QLineEdit *edit = controls(m_window).timesChooser()->lineEdit();
        menu.reset(edit->createStandardContextMenu());
        menu->popup(edit->mapToGlobal(QPoint(2, 2)));
    }
    QTRY_VERIFY(QApplication::activePopupWidget());
    QWindow *popupWindow = QApplication::activePopupWidget()->windowHandle();
    popupWindow->requestActivate();
    QTRY_COMPARE(QGuiApplication::focusWindow(), popupWindow);
    if (combo)
        combo->hidePopup();
    else
        QApplication::activePopupWidget()->close();
    QTRY_VERIFY(!QApplication::activePopupWidget());
    m_window->activateWindow();
    QTRY_COMPARE(QGuiApplication::focusWindow(), m_window->windowHandle());

    // The run goes on: nothing was reset.
    QVERIFY(timer->isActive());
    QVERIFY(!controls(m_window).startButton()->isEnabled());
    QCOMPARE(m_data->readingPosition(), 1);
}

void TestReadingWindow::soundIsReadAheadOfEachReading_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("ending"); // how the run ends: "end", "stop", "おわり", "close"
    QTest::newRow("once, to the end") << QStringLiteral("1") << QStringLiteral("end");
    QTest::newRow("twice, to the end") << QStringLiteral("2") << QStringLiteral("end");
    QTest::newRow("once, a reading fails") << QStringLiteral("1") << QStringLiteral("stop");
    QTest::newRow("once, おわり") << QStringLiteral("1") << QStringLiteral("おわり");
    QTest::newRow("once, close box") << QStringLiteral("1") << QStringLiteral("close");
}

void TestReadingWindow::soundIsReadAheadOfEachReading()
{
    QFETCH(QString, count);
    QFETCH(QString, ending);
    CardState::LabelTable labels = m_data->labels();
    m_data->adoptSavedSet(m_data->cardFolder(), labels, 2);
    // Every activation opens the output, the first show's included.
    QCOMPARE(m_sound->hints, QStringList{QStringLiteral("openAhead")});
    m_window->activate();
    QCOMPARE(m_sound->hints.last(), QStringLiteral("openAhead"));
    m_sound->hints.clear();
    auto sound = [this](int card) { return QStringLiteral("preload ") + m_data->cardSoundPath(card); };
    testing::MessageBoxAnswerer answerer;
    QTimer *timer = start(count, QStringLiteral("2：あいう順"));
    // The output opens and the first recording is read at the press, two
    // seconds before they are needed.
    QCOMPARE(m_sound->hints, (QStringList{QStringLiteral("openAhead"), sound(1)}));
    const QList<int> order = count == u"2" ? QList<int>{1, 1, 2, 2} : QList<int>{1, 2};
    QStringList expected = m_sound->hints;
    for (int i = 0; i < order.size(); ++i) {
        tick(timer);
        // Each reading asks for the one after it, as soon as it plays.
        if (i + 1 < order.size())
            expected << sound(order[i + 1]);
        QCOMPARE(m_sound->hints, expected);
        if (ending == u"stop") {
            m_sound->finish(SoundDevice::Failure);
            break;
        }
        if (ending == u"おわり" || ending == u"close")
            break;
        m_sound->finish();
    }
    if (ending == u"おわり")
        controls(m_window).leaveAction()->trigger();
    else if (ending == u"close")
        m_window->close();
    if (ending == u"end")
        QTRY_COMPARE(answerer.texts, QStringList{QStringLiteral("終了しました")});
    // The output stays while the window is shown, ready for the next run,
    // and goes with the window.
    QTest::qWait(50);
    if (!m_window->isVisible())
        expected << QStringLiteral("releaseOutput");
    QCOMPARE(m_sound->hints, expected);
    QCOMPARE(m_window->isVisible(), ending == u"end" || ending == u"stop");
}

void TestReadingWindow::noSoundOutputIsShown()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    Q_EMIT m_sound->noSoundOutput();
    // Not modal: the run goes on under it.
    QTRY_VERIFY(m_window->findChild<QMessageBox *>());
    auto *box = m_window->findChild<QMessageBox *>();
    QVERIFY(box->isVisible() && !box->isModal());
    QCOMPARE(box->text(), ui::noSoundOutputText());
    m_sound->finish();
    QVERIFY(controls(m_window).aiuOrderTimer()->isActive());
}

GINREI_TEST_MAIN(TestReadingWindow)
#include "tst_readingwindow.moc"
