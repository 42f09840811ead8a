// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The stream device with no sound server to talk to, as on a machine where
// none runs: readings go on silently, each as long as its recording, the
// windows are told once, and nothing waits for a server that is not there.
// The recording window says it has no input and starts nothing.

#include "editor/recordingwindow.h"
#include "sound/sinksounddevice.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"
#include "tests/windowcontrols.h"

#include <QLabel>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QPushButton>
#include <QSignalSpy>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

class TestNoOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readingsRunSilentlyForTheirLength();
    void stoppedSilentReadingNeverReports();
    void recordingWindowHasNoInput();

private:
    QTemporaryDir m_dir;
};

void TestNoOutput::readingsRunSilentlyForTheirLength()
{
    SinkSoundDevice device;
    QList<int> codes;
    QList<qint64> times;
    int told = 0, started = 0;
    QElapsedTimer clock;
    connect(&device, &SoundDevice::done, this, [&](int code) {
        codes << code;
        times << clock.elapsed();
    });
    connect(&device, &SoundDevice::noSoundOutput, this, [&] { ++told; });
    connect(&device, &SoundDevice::readingStarted, this, [&] { ++started; });
    device.openAhead();
    for (const int lengthMs : {300, 800}) {
        const QString file = m_dir.filePath(QStringLiteral("tone%1.wav").arg(lengthMs));
        QVERIFY(testing::writeWav(file, {22050, 8, 1}, lengthMs));
        device.preload(file);
        clock.start();
        device.play(file);
        QTRY_VERIFY(device.route() == SinkSoundDevice::Route::Silent);
        QVERIFY(device.isPlaying());
        // Its silent stand-in counts as heard, as a reading's sound would.
        QTRY_COMPARE(started, lengthMs == 300 ? 1 : 2);
        QTRY_COMPARE_WITH_TIMEOUT(codes.size(), lengthMs == 300 ? 1 : 2, 3000);
        QCOMPARE(codes.last(), int(SoundDevice::Successful));
        // As long as the recording: a run keeps its schedule without sound.
        QVERIFY2(times.last() >= lengthMs - 1 && times.last() <= lengthMs + 100, qPrintable(QString::number(times.last())));
        QVERIFY(!device.isPlaying());
        // Begun once, when its silent stand-in started.
        QCOMPARE(started, codes.size());
        device.close();
    }
    QVERIFY(!device.hasSpareStream());
    // Said once, not at every reading.
    QCOMPARE(told, 1);
}

void TestNoOutput::stoppedSilentReadingNeverReports()
{
    const QString file = m_dir.filePath(QStringLiteral("stop.wav"));
    QVERIFY(testing::writeWav(file, {22050, 16, 1}, 300));
    SinkSoundDevice device;
    QList<int> codes;
    connect(&device, &SoundDevice::done, this, [&](int code) { codes << code; });
    device.play(file);
    QTRY_VERIFY(device.isPlaying());
    device.stopAndClose();
    QTest::qWait(500);
    QCOMPARE(codes, QList<int>());
    // And the next reading still runs to its end.
    device.play(file);
    QTRY_COMPARE_WITH_TIMEOUT(codes, QList<int>{SoundDevice::Successful}, 2000);
}

void TestNoOutput::recordingWindowHasNoInput()
{
    QVERIFY(QMediaDevices::audioInputs().isEmpty());
    testing::RecordingSoundDevice player;
    RecordingWindow window(3, QStringLiteral("う"), &player);
    QSignalSpy ready(&window, &RecordingWindow::readingReady);
    window.show();
    QVERIFY(testing::child<QLabel>(&window, "statusDisplay")->text().contains(QStringLiteral("入力装置（マイク）が見つかりません")));
    for (const char *name : {"recordButton", "stopButton", "listenButton", "saveButton"})
        QVERIFY2(!testing::child<QPushButton>(&window, name)->isEnabled(), name);
    QTest::mouseClick(testing::child<QPushButton>(&window, "recordButton"), Qt::LeftButton);
    QTest::qWait(200);
    QVERIFY(testing::child<QPushButton>(&window, "cancelButton")->isEnabled());
    QVERIFY(!testing::child<QPushButton>(&window, "stopButton")->isEnabled());
    QVERIFY(ready.isEmpty() && player.commands.isEmpty());
}

int main(int argc, char **argv)
{
    // No sound server, whatever runs on this machine.
    qputenv("PULSE_SERVER", "unix:/nonexistent/ginrei-no-server");
    testing::prepareEnvironment();
    QApplication app(argc, argv);
    TestNoOutput tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_nooutput.moc"
