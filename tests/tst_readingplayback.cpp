// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The automatic reading from the start menu, with real recordings played
// through the real sound device: the devices' own completion notices must
// drive the run from one card to the next and to its end.

#include "app/startmenu.h"
#include "app/windowhub.h"
#include "data/cardstate.h"
#include "reading/readingwindow.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"
#include "tests/windowcontrols.h"

#include <QComboBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestReadingPlayback : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void threeCardRunIsDrivenByTheNotices_data();
    void threeCardRunIsDrivenByTheNotices();
    void readingWindowExistsOnce();
    void damagedRecordingInARun_data();
    void damagedRecordingInARun();
};

namespace {
// Makes the card set of program three cards with recordings of lengthMs.
void makeThreeCardSet(const testing::ProgramFolder &program, int lengthMs)
{
    testing::copyCards(program.cardFolder(), 3);
    for (int n = 1; n <= 3; ++n)
        QVERIFY(testing::writeWav(program.cardFolder() + QStringLiteral("/karuon0%1.wav").arg(n),
                                  testing::WavFormat{22050, 16, 1}, lengthMs));
    CardState setUp(program.path());
    setUp.loadCardFolder();
    CardState::LabelTable labels = setUp.labels();
    setUp.adoptSavedSet(setUp.cardFolder(), labels, 3);
    DataRecord record;
    for (int k = 1; k <= 49; ++k)
        record.setLabel(k, labels[k]);
    record.setCount(3);
    QString error;
    QVERIFY2(CardState::writeRecord(setUp.cardDataPath(), record.bytes(), &error), qPrintable(error));
}
} // namespace

void TestReadingPlayback::initTestCase()
{
    const QString problem = testing::checkAnnouncedAudioOutput();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestReadingPlayback::threeCardRunIsDrivenByTheNotices_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("readings");
    QTest::newRow("once") << QStringLiteral("1") << 3;
    QTest::newRow("twice") << QStringLiteral("2") << 6;
}

void TestReadingPlayback::threeCardRunIsDrivenByTheNotices()
{
    QFETCH(QString, count);
    QFETCH(int, readings);
    constexpr int lengthMs = 300;

    // A three-card set of short recordings.
    testing::ProgramFolder program(false);
    makeThreeCardSet(program, lengthMs);
    if (QTest::currentTestFailed())
        return;

    CardState data(program.path());
    WindowHub hub(data);
    hub.startMenu()->show();
    QTest::mouseClick(controls(hub.startMenu()).readingButton(), Qt::LeftButton);
    ReadingWindow *window = hub.readingWindow();
    QVERIFY(window && window->isVisible());

    testing::MessageBoxAnswerer answerer;
    controls(window).timesChooser()->setCurrentText(count);
    controls(window).orderChooser()->setCurrentText(QStringLiteral("2：あいう順"));
    QTest::mouseClick(controls(window).startButton(), Qt::LeftButton);

    QStringList numbers;
    for (int i = 0; i < readings; ++i) {
        QVERIFY(controls(window).aiuOrderTimer()->isActive());
        QCOMPARE(controls(window).aiuOrderTimer()->interval(), i == 0 ? 2000 : 5000);
        // The wait itself is not the point here: fire the timer now.
        QElapsedTimer playing;
        playing.start();
        window->aiuOrderTimeUp();
        numbers << controls(window).numberDisplay()->text();
        if (i + 1 < readings) {
            // Only the end of the recording starts the timer again.
            QTRY_VERIFY_WITH_TIMEOUT(controls(window).aiuOrderTimer()->isActive(), 5000);
            QVERIFY2(playing.elapsed() >= lengthMs - 20, qPrintable(QString::number(playing.elapsed())));
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT(answerer.texts, QStringList{QStringLiteral("終了しました")}, 5000);
    QVERIFY(controls(window).startButton()->isEnabled());
    const QStringList expected = readings == 3
        ? QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}
        : QStringList{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("3")};
    QCOMPARE(numbers, expected);
}

void TestReadingPlayback::readingWindowExistsOnce()
{
    testing::ProgramFolder program;
    CardState data(program.path());
    WindowHub hub(data);
    hub.startMenu()->show();
    QVERIFY(controls(hub.startMenu()).readingButton()->isEnabled());
    QTest::mouseClick(controls(hub.startMenu()).readingButton(), Qt::LeftButton);
    QPointer<ReadingWindow> first = hub.readingWindow();
    QVERIFY(first && first->isVisible() && !first->parentWidget() && !first->isModal());
    controls(first).leaveAction()->trigger();
    QVERIFY(!first->isVisible());
    QTest::mouseClick(controls(hub.startMenu()).readingButton(), Qt::LeftButton);
    QCOMPARE(hub.readingWindow(), first.data());
    QVERIFY(first->isVisible());
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QTest::mouseClick(controls(hub.startMenu()).readingButton(), Qt::LeftButton);
    QVERIFY(hub.readingWindow());
}

void TestReadingPlayback::damagedRecordingInARun_data()
{
    QTest::addColumn<QString>("damage"); // to the second card's recording
    QTest::addColumn<bool>("plays");
    QTest::newRow("zero bytes") << QStringLiteral("empty") << false;
    QTest::newRow("wrong header") << QStringLiteral("header") << false;
    QTest::newRow("cut short") << QStringLiteral("cut") << true;
}

void TestReadingPlayback::damagedRecordingInARun()
{
    QFETCH(QString, damage);
    QFETCH(bool, plays);
    testing::ProgramFolder program(false);
    makeThreeCardSet(program, 300);
    if (QTest::currentTestFailed())
        return;
    const QString second = program.cardFolder() + QStringLiteral("/karuon02.wav");
    QByteArray wav = testing::readAll(second);
    if (damage == u"empty")
        wav.clear();
    else if (damage == u"header")
        wav.replace(20, 2, QByteArray("\x34\x12", 2)); // an unknown format code
    else
        wav.truncate(44 + 2000);
    testing::writeAll(second, wav);

    CardState data(program.path());
    WindowHub hub(data);
    hub.startMenu()->show();
    QTest::mouseClick(controls(hub.startMenu()).readingButton(), Qt::LeftButton);
    ReadingWindow *window = hub.readingWindow();
    QVERIFY(window);
    testing::MessageBoxAnswerer answerer;
    controls(window).orderChooser()->setCurrentText(QStringLiteral("2：あいう順"));
    QTest::mouseClick(controls(window).startButton(), Qt::LeftButton);
    window->aiuOrderTimeUp();
    QTRY_VERIFY_WITH_TIMEOUT(controls(window).aiuOrderTimer()->isActive(), 5000);
    window->aiuOrderTimeUp();
    QCOMPARE(controls(window).numberDisplay()->text(), QStringLiteral("2"));
    if (plays) {
        QTRY_VERIFY_WITH_TIMEOUT(controls(window).aiuOrderTimer()->isActive(), 5000);
        window->aiuOrderTimeUp();
        QTRY_COMPARE_WITH_TIMEOUT(answerer.texts, QStringList{QStringLiteral("終了しました")}, 5000);
        return;
    }
    // The run stops at that card with a word about it, and starts again.
    QTRY_VERIFY_WITH_TIMEOUT(controls(window).startButton()->isEnabled(), 5000);
    QVERIFY(!controls(window).aiuOrderTimer()->isActive());
    auto *box = window->findChild<QMessageBox *>();
    QVERIFY(box && box->text().contains(QStringLiteral("karuon02.wav")));
    QVERIFY(answerer.texts.isEmpty());
    QTest::mouseClick(controls(window).startButton(), Qt::LeftButton);
    window->aiuOrderTimeUp();
    QCOMPARE(controls(window).numberDisplay()->text(), QStringLiteral("1"));
    QTRY_VERIFY_WITH_TIMEOUT(controls(window).aiuOrderTimer()->isActive(), 5000);
}

GINREI_TEST_MAIN(TestReadingPlayback)
#include "tst_readingplayback.moc"
