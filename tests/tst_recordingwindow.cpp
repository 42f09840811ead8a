// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// 「録音」 on a real audio path: a tone played into the null sink comes back
// through the default input (the sink's monitor, scripts/with-null-sink.sh),
// 聞く plays the take, and what 保存 hands over is the tone, trimmed, at the
// loudness every reading is kept at.

#include "editor/readingprep.h"
#include "editor/recordingwindow.h"
#include "sound/audiodecode.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <ebur128.h>

#include <cmath>
#include <numbers>

class RecordingWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsTheToneThatWasPlayed();

private:
    QTemporaryDir m_dir;
};

void RecordingWindowTest::keepsTheToneThatWasPlayed()
{
    if (qEnvironmentVariableIsEmpty("GINREI_NULL_SINK"))
        QSKIP("needs the null sink of scripts/with-null-sink.sh");
    QTRY_COMPARE_WITH_TIMEOUT(QMediaDevices::defaultAudioInput().description(), QStringLiteral("testmic"), 5000);
    // 0.4 s of silence, 1 s of 440 Hz at -20 dBFS, 0.4 s of silence.
    std::vector<float> tone(size_t(1.8 * 48000));
    for (size_t i = size_t(0.4 * 48000); i < size_t(1.4 * 48000); ++i)
        tone[i] = 0.1f * float(std::sin(2 * std::numbers::pi * 440 * double(i) / 48000));
    const QString toneFile = m_dir.filePath(QStringLiteral("tone.wav"));
    testing::writeAll(toneFile, readingprep::monoWav(tone, 48000));

    testing::RecordingSoundDevice player;
    QPointer<RecordingWindow> window = new RecordingWindow(5, QStringLiteral("お"), &player);
    QSignalSpy ready(window.data(), &RecordingWindow::readingReady);
    window->show();
    auto button = [&](const char *name) { return testing::child<QPushButton>(window, name); };
    QTest::mouseClick(button("recordButton"), Qt::LeftButton);
    QVERIFY(button("stopButton")->isEnabled());
    QTest::qWait(300);
    QProcess play;
    play.start(QStringLiteral("paplay"), {toneFile});
    int loudest = 0;
    QTRY_VERIFY_WITH_TIMEOUT((loudest = std::max(loudest, testing::child<QProgressBar>(window, "levelMeter")->value()),
                              play.state() == QProcess::NotRunning),
                             10000);
    QCOMPARE(play.exitCode(), 0);
    QVERIFY2(loudest >= 30, qPrintable(QString::number(loudest))); // -20 dBFS on a 60 dB meter
    QTest::qWait(300);
    QTest::mouseClick(button("stopButton"), Qt::LeftButton);

    // 聞く plays the take as it came in: at least as long as the tone.
    QTest::mouseClick(button("listenButton"), Qt::LeftButton);
    QCOMPARE(player.commands.value(0), QStringLiteral("Open ") + player.lastFile);
    const audio::Mono take = audio::decodeMono(testing::readAll(player.lastFile), 48000);
    QVERIFY(take.ok() && take.samples.size() > size_t(1.8 * 48000));

    QTest::mouseClick(button("saveButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, 5000);
    QCOMPARE(ready.first().at(0).toInt(), 5);
    QTRY_VERIFY(window.isNull());
    const audio::Mono kept = audio::decodeMono(ready.first().at(1).toByteArray(), 48000);
    QVERIFY(kept.ok() && kept.source.sampleRate == 48000 && kept.source.channels == 1);
    // Trimmed to the tone and its margins.
    const double seconds = double(kept.samples.size()) / 48000;
    QVERIFY2(std::abs(seconds - (1.0 + readingprep::LeadSeconds + readingprep::TailSeconds)) < 0.05, qPrintable(QString::number(seconds)));
    // One second of 440 Hz: 880 sign changes.
    int changes = 0;
    for (size_t i = 1; i < kept.samples.size(); ++i)
        changes += (kept.samples[i - 1] < 0) != (kept.samples[i] < 0);
    QVERIFY2(std::abs(changes - 880) < 40, qPrintable(QString::number(changes)));
    ebur128_state *st = ebur128_init(1, 48000, EBUR128_MODE_I);
    ebur128_add_frames_float(st, kept.samples.data(), kept.samples.size());
    double lufs = 0;
    ebur128_loudness_global(st, &lufs);
    ebur128_destroy(&st);
    QVERIFY2(std::abs(lufs - readingprep::TargetLufs) <= 1, qPrintable(QString::number(lufs)));
}

GINREI_TEST_MAIN(RecordingWindowTest)
#include "tst_recordingwindow.moc"
