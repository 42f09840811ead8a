// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The automatic reading window driven through its real timers and a sound
// device that records what it is asked and completes when the test says so.

#include "app/uikit.h"
#include "data/module1.h"
#include "reading/frmmain.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"

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

class TestFrmMain : public QObject
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
    std::unique_ptr<Module1> m_data;
    testing::RecordingSoundDevice *m_sound = nullptr;
    std::unique_ptr<FrmMain> m_window;
};

void TestFrmMain::init()
{
    m_program = std::make_unique<testing::ProgramFolder>();
    m_data = std::make_unique<Module1>(m_program->path());
    m_data->LoadCardFolder();
    m_sound = new testing::RecordingSoundDevice;
    m_window = std::make_unique<FrmMain>(*m_data, m_sound);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestFrmMain::cleanup()
{
    m_window.reset();
    m_data.reset();
    m_program.reset();
}

QTimer *TestFrmMain::start(const QString &count, const QString &method)
{
    m_window->Combo1->setCurrentText(count);
    m_window->Combo2->setCurrentText(method);
    QTest::mouseClick(m_window->Command1, Qt::LeftButton);
    [&] { QVERIFY(!m_window->Command1->isEnabled()); }();
    QTimer *timer = m_window->Timer1->isActive() ? m_window->Timer1 : m_window->Timer2;
    [&] {
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 2000);
    }();
    return timer;
}

void TestFrmMain::tick(QTimer *timer)
{
    const int opens = openCount(m_sound);
    timer == m_window->Timer1 ? m_window->Timer1_Timer() : m_window->Timer2_Timer();
    [&] {
        QVERIFY(!timer->isActive());
        QCOMPARE(timer->interval(), 5000);
        // The picture and sound follow only after a return to the event loop.
        QCOMPARE(openCount(m_sound), opens);
        QTRY_COMPARE(openCount(m_sound), opens + 1);
    }();
}

void TestFrmMain::layoutMatchesTheDesign()
{
    FrmMain &w = *m_window;
    QCOMPARE(w.windowTitle(), QStringLiteral("銀鈴かるた自動よみあげ"));
    QCOMPARE(w.centralWidget()->size(), QSize(409, 231));
    QCOMPARE(w.centralWidget()->palette().color(QPalette::Window), QColor(255, 255, 0));
    QCOMPARE(w.Combo1->geometry(), QRect(96, 8, 41, 20));
    QCOMPARE(w.Combo2->geometry(), QRect(96, 40, 81, 20));
    QCOMPARE(w.Combo1->currentText(), QStringLiteral("1"));
    QCOMPARE(w.Combo2->currentText(), QStringLiteral("1：ランダム"));
    QCOMPARE(w.Combo2->itemText(1), QStringLiteral("2：あいう順"));
    QVERIFY(w.Combo1->isEditable() && w.Combo2->isEditable());
    QCOMPARE(w.Label2[0]->buddy(), w.Combo1);
    QCOMPARE(w.Label2[3]->buddy(), w.Combo2);
    QCOMPARE(w.Command1->text(), QStringLiteral("実　行"));
    QCOMPARE(w.Command1->geometry(), QRect(56, 160, 105, 33));
    QCOMPARE(w.Command1->palette().color(QPalette::Button), QColor(0, 255, 0));
    QCOMPARE(w.Command1->font().pointSizeF(), 11.25);
    QCOMPARE(w.Image1->geometry(), QRect(224, 8, 169, 209));
    QCOMPARE(w.Label1[1]->palette().color(QPalette::Window), QColor(255, 192, 192));
    QCOMPARE(w.Label1[0]->geometry(), QRect(96, 104, 41, 25));
    QCOMPARE(w.Label1[0]->font().pointSizeF(), 14.25);
    QVERIFY(w.Label1[0]->text().isEmpty() && !w.Image1->hasPicture());
    QCOMPARE(w.mnuEnd->text(), QStringLiteral("おわり"));
    const QStringList captions{QStringLiteral("よみあげ回数"), QStringLiteral("回"), QStringLiteral("よみあげ番号"),
                               QStringLiteral("よみあげ方法"), QStringLiteral("よみあげ文字")};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(w.Label2[i]->text(), captions[i]);
    // Prepared when it loaded: nothing open.
    QCOMPARE(m_sound->commands, QStringList{QStringLiteral("Close")});
}

void TestFrmMain::aiuRunReadsAllCardsOnSchedule()
{
    testing::MessageBoxAnswerer answerer;
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    QCOMPARE(timer, m_window->Timer1);
    QVERIFY(!m_window->Timer2->isActive());
    for (int card = 1; card <= 46; ++card) {
        tick(timer);
        QCOMPARE(m_window->Label1[0]->text(), QString::number(card));
        QCOMPARE(m_window->Label1[1]->text(), m_data->label(card));
        QCOMPARE(fileName(m_sound->lastFile), QStringLiteral("karuon%1.wav").arg(card, 2, 10, QLatin1Char('0')));
        QVERIFY(m_window->Image1->hasPicture());
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
    QVERIFY(m_window->Command1->isEnabled());
    QVERIFY(!timer->isActive());
    // Closing the message box is no activation: the run's position stays.
    QTest::qWait(20);
    QCOMPARE(m_data->readingPosition(), 47);
    // The last card stays on display.
    QCOMPARE(m_window->Label1[0]->text(), QStringLiteral("46"));
}

void TestFrmMain::randomRunShowsCardIndexes()
{
    testing::MessageBoxAnswerer answerer;
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    QCOMPARE(timer, m_window->Timer2);
    QSet<int> seen;
    for (int i = 1; i <= 46; ++i) {
        tick(timer);
        const int card = m_window->Label1[0]->text().toInt();
        QCOMPARE(card, int(m_data->readingOrder()[i]));
        QCOMPARE(m_window->Label1[1]->text(), m_data->label(card));
        QCOMPARE(fileName(m_sound->lastFile), QStringLiteral("karuon%1.wav").arg(card, 2, 10, QLatin1Char('0')));
        seen.insert(card);
        m_sound->finish();
    }
    QCOMPARE(seen.size(), 46);
    QTRY_COMPARE(answerer.texts.size(), 1);
}

void TestFrmMain::twiceReadsPairs()
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

void TestFrmMain::combosAreReadOnlyAtStart()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    m_window->Combo1->setCurrentText(QStringLiteral("2"));
    m_window->Combo2->setCurrentText(QStringLiteral("1：ランダム"));
    tick(timer);
    QCOMPARE(m_window->Label1[0]->text(), QStringLiteral("1"));
    m_sound->finish();
    tick(timer);
    // Still once each, still あいう order.
    QCOMPARE(m_window->Label1[0]->text(), QStringLiteral("2"));
}

void TestFrmMain::activationWhileWaitingStopsTheRun()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    tick(timer);
    m_sound->finish();
    QVERIFY(timer->isActive());
    const Module1::Order before = m_data->readingOrder();
    m_window->Form_Activate();
    QVERIFY(!m_window->Timer1->isActive() && !m_window->Timer2->isActive());
    QVERIFY(m_window->Command1->isEnabled());
    QCOMPARE(m_data->readingPosition(), 0);
    QVERIFY(m_data->readingOrder() != before);
}

void TestFrmMain::leavingStopsTheRun_data()
{
    QTest::addColumn<bool>("playing");
    QTest::newRow("while waiting") << false;
    QTest::newRow("while playing") << true;
}

void TestFrmMain::leavingStopsTheRun()
{
    QFETCH(bool, playing);
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    if (playing)
        tick(timer);
    const int opens = openCount(m_sound);
    m_window->mnuEnd->trigger();
    QVERIFY(!m_window->isVisible());
    QVERIFY(!m_window->Timer1->isActive() && !m_window->Timer2->isActive());
    QCOMPARE(m_sound->commands.last(), QStringLiteral("Close"));
    // A notice that still arrives for the cut reading schedules nothing.
    m_sound->finish();
    QVERIFY(!m_window->Timer1->isActive() && !m_window->Timer2->isActive());
    QCOMPARE(openCount(m_sound), opens);
    // Shown again: idle, with a new order.
    m_window->show();
    QVERIFY(m_window->Command1->isEnabled());
    QCOMPARE(m_data->readingPosition(), 0);
}

void TestFrmMain::leavingDuringTheReturnToTheLoopReadsNothing()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    const int opens = openCount(m_sound);
    m_window->Timer1_Timer();
    QCOMPARE(m_window->Label1[0]->text(), QStringLiteral("1"));
    // おわり is handled before the tick goes on.
    m_window->mnuEnd->trigger();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(openCount(m_sound), opens);
    QVERIFY(!m_window->Image1->hasPicture());
    QVERIFY(!timer->isActive());
}

void TestFrmMain::lateNoticeAfterActivationIsIgnored()
{
    QTimer *timer = start(QStringLiteral("2"), QStringLiteral("1：ランダム"));
    tick(timer);
    // Activated while the reading still plays, with its repeat pending.
    m_window->Form_Activate();
    m_sound->finish();
    QVERIFY(!m_window->Timer1->isActive() && !m_window->Timer2->isActive());
    QCOMPARE(m_data->readingPosition(), 0);
    QVERIFY(m_window->Command1->isEnabled());
}

void TestFrmMain::unknownMethodFallsBackToRandom()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("9：ほかの順"));
    QCOMPARE(timer, m_window->Timer2);
    tick(timer);
    QCOMPARE(m_window->Label1[0]->text().toInt(), int(m_data->readingOrder()[1]));
}

void TestFrmMain::missingPictureLeavesFrameEmpty()
{
    QFile::remove(m_program->cardFolder() + QStringLiteral("/karue01.jpg"));
    testing::writeAll(m_program->cardFolder() + QStringLiteral("/karue02.jpg"), "not a picture");
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    QVERIFY(!m_window->Image1->hasPicture());
    QVERIFY(fileName(m_sound->lastFile) == QStringLiteral("karuon01.wav"));
    m_sound->finish();
    tick(timer);
    QVERIFY(!m_window->Image1->hasPicture());
    m_sound->finish();
    tick(timer);
    QVERIFY(m_window->Image1->hasPicture());
    QCOMPARE(m_window->Label1[0]->text(), QStringLiteral("3"));
}

void TestFrmMain::damagedPictureDoesNotStopTheRun_data()
{
    testing::addDamagedPictureRows();
}

void TestFrmMain::damagedPictureDoesNotStopTheRun()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, shown);
    testing::writeAll(m_program->cardFolder() + QStringLiteral("/karue01.jpg"), bytes);
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    QCOMPARE(m_window->Image1->hasPicture(), shown);
    QCOMPARE(m_window->Label1[1]->text(), QStringLiteral("あ"));
    QCOMPARE(fileName(m_sound->lastFile), QStringLiteral("karuon01.wav"));
    m_sound->finish();
    QVERIFY(timer->isActive());
    tick(timer);
    QVERIFY(m_window->Image1->hasPicture());
    QCOMPARE(m_window->Label1[0]->text(), QStringLiteral("2"));
    QVERIFY(!m_window->findChild<QMessageBox *>());
}

void TestFrmMain::missingSoundStopsButCanRunAgain()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    m_sound->finish(8); // the device could not play it
    QVERIFY(!m_window->Timer1->isActive() && !m_window->Timer2->isActive());
    QCOMPARE(m_window->Label1[0]->text(), QStringLiteral("1"));
    // Usable again at once, with a word about why it stopped.
    QVERIFY(m_window->Command1->isEnabled());
    QTRY_VERIFY(QApplication::topLevelWidgets().contains(m_window->findChild<QMessageBox *>()));
    auto *box = m_window->findChild<QMessageBox *>();
    QVERIFY(box && box->text().contains(QStringLiteral("karuon01.wav")));
    QVERIFY(!box->isModal());
    box->close();
    timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    QCOMPARE(m_window->Label1[0]->text(), QStringLiteral("1"));
}

void TestFrmMain::cardFolderGoneStopsWithAWord()
{
    QVERIFY(QDir(m_program->cardFolder()).removeRecursively());
    QTimer *timer = start(QStringLiteral("2"), QStringLiteral("1：ランダム"));
    tick(timer);
    QVERIFY(!m_window->Image1->hasPicture());
    m_sound->finish(8); // what the device reports for a missing file
    QVERIFY(!m_window->Timer1->isActive() && !m_window->Timer2->isActive());
    QVERIFY(m_window->Command1->isEnabled());
    const QList<QMessageBox *> boxes = m_window->findChildren<QMessageBox *>();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0]->text().contains(m_data->cardFolder()));
    QVERIFY(boxes[0]->text().contains(QStringLiteral("見つかりません")));
}

void TestFrmMain::closeBoxClosesTheDevice()
{
    QTimer *timer = start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    tick(timer);
    m_sound->finish(); // the reading ends and the next one is due in 5 s
    QVERIFY(timer->isActive());
    m_sound->commands.clear();
    m_window->close();
    QCOMPARE(m_sound->commands, QStringList{QStringLiteral("Close")});
    QVERIFY(!m_window->Timer1->isActive());
    QVERIFY(!m_window->Timer2->isActive());
}

void TestFrmMain::returnFromAnotherWindowActivates()
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
    QVERIFY(m_window->Command1->isEnabled());
    QCOMPARE(m_data->readingPosition(), 0);
}

void TestFrmMain::ownPopupsDoNotActivate_data()
{
    QTest::addColumn<QString>("popup");
    QTest::newRow("count dropdown") << QStringLiteral("Combo1");
    QTest::newRow("method dropdown") << QStringLiteral("Combo2");
    QTest::newRow("context menu of the count text") << QStringLiteral("menu");
}

void TestFrmMain::ownPopupsDoNotActivate()
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
        QLineEdit *edit = m_window->Combo1->lineEdit();
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
    QVERIFY(!m_window->Command1->isEnabled());
    QCOMPARE(m_data->readingPosition(), 1);
}

void TestFrmMain::soundIsReadAheadOfEachReading_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("ending"); // how the run ends: "end", "stop", "おわり", "close"
    QTest::newRow("once, to the end") << QStringLiteral("1") << QStringLiteral("end");
    QTest::newRow("twice, to the end") << QStringLiteral("2") << QStringLiteral("end");
    QTest::newRow("once, a reading fails") << QStringLiteral("1") << QStringLiteral("stop");
    QTest::newRow("once, おわり") << QStringLiteral("1") << QStringLiteral("おわり");
    QTest::newRow("once, close box") << QStringLiteral("1") << QStringLiteral("close");
}

void TestFrmMain::soundIsReadAheadOfEachReading()
{
    QFETCH(QString, count);
    QFETCH(QString, ending);
    Module1::LabelTable labels = m_data->labels();
    m_data->adoptSavedSet(m_data->cardFolder(), labels, 2);
    m_window->Form_Activate();
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
        m_window->mnuEnd->trigger();
    else if (ending == u"close")
        m_window->close();
    QTRY_COMPARE(m_sound->hints.size(), expected.size() + 1);
    // The output goes as soon as the run is over.
    QCOMPARE(m_sound->hints.last(), QStringLiteral("releaseOutput"));
    if (ending == u"end")
        QTRY_COMPARE(answerer.texts, QStringList{QStringLiteral("終了しました")});
}

void TestFrmMain::noSoundOutputIsShown()
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
    QVERIFY(m_window->Timer1->isActive());
}

GINREI_TEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
