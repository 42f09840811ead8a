// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The real sound device the windows use, playing real WAV files, and every
// rule of its notices. Run by CTest inside scripts/with-null-sink.sh,
// which gives it a PipeWire server with a null sink as the default output;
// what the sink plays is recorded from its monitor and checked too.

#include "sound/sinksounddevice.h"
#include "tests/monitorrecorder.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"

#include <QAudioDevice>
#include <QDir>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>

namespace {
// Level of a frequency in a stretch of the recording (Goertzel), as the
// amplitude of a sine that would give it.
double levelAt(const QList<float> &samples, qsizetype from, qsizetype count, double frequency)
{
    const double w = 2 * M_PI * frequency / testing::MonitorRecorder::Rate;
    double s1 = 0, s2 = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const double s0 = samples[i] + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2)) / double(count);
}

// The frames of the recording at or above a small threshold: first and
// one past the last, or -1, -1.
std::pair<qsizetype, qsizetype> loudSpan(const QList<float> &samples)
{
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) >= 0.02f) {
            if (first < 0)
                first = i;
            last = i + 1;
        }
    }
    return {first, last};
}

// Every done() of a device, with the time it arrived since start(), and
// how many readingStarted() notices had come by then.
struct Notices {
    explicit Notices(SoundDevice &device)
    {
        QObject::connect(&device, &SoundDevice::done, &device, [this](int code) {
            codes << code;
            times << clock.elapsed();
            soundedBefore << soundings;
        });
        QObject::connect(&device, &SoundDevice::readingStarted, &device, [this] { ++soundings; });
    }
    void start() { clock.start(); }
    int successes() const { return int(codes.count(SoundDevice::Successful)); }

    QElapsedTimer clock;
    QList<int> codes;
    QList<qint64> times;
    QList<int> soundedBefore;
    int soundings = 0;
};

// Runs a command of scripts/with-null-sink.sh on its sound server, without
// holding up this thread's event loop.
bool serverCommand(const char *command)
{
    QProcess process;
    process.start(QStringLiteral("sh"), {qEnvironmentVariable("GINREI_NULL_SINK_SCRIPT"), QLatin1String(command)});
    QDeadlineTimer deadline(20000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(20);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Keeps the audio thread busy for ms, as the sound server's library may.
void holdAudioThread(int ms)
{
    auto *busy = new QObject;
    busy->moveToThread(StreamPlayer::audioThread());
    QMetaObject::invokeMethod(busy, [busy, ms] {
        QThread::msleep(ms);
        busy->deleteLater();
    });
}
} // namespace

class TestSound : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void playsToItsEndOnce_data();
    void playsToItsEndOnce();
    void cutReadingNeverSucceeds_data();
    void cutReadingNeverSucceeds();
    void unplayableFileFailsLater_data();
    void unplayableFileFailsLater();
    void damagedRecordingEndsOnce_data();
    void damagedRecordingEndsOnce();
    void playsAgainAfterClose_data();
    void playsAgainAfterClose();
    void newReadingReplacesOpenOne();
    void endOfClosedReadingIsNotDelivered();
    void closingWithNothingOpenDoesNothing();
    void recorderPassesOperationsOn();
    void toneIsHeardAtItsPitch_data();
    void toneIsHeardAtItsPitch();
    void stopSilencesAtOnce_data();
    void stopSilencesAtOnce();
    void readingsNeverOverlap();
    void soundServerComesBack_data();
    void soundServerComesBack();

private:
    QString tone(int durationMs, testing::WavFormat format = {});
    QTemporaryDir m_dir;
    int m_files = 0;
};

QString TestSound::tone(int durationMs, testing::WavFormat format)
{
    const QString path = m_dir.filePath(QStringLiteral("tone%1.wav").arg(++m_files));
    if (!testing::writeWav(path, format, durationMs))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestSound::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString problem = testing::checkAnnouncedAudioOutput();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestSound::playsToItsEndOnce_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("channels");
    QTest::newRow("16-bit mono 22.05 kHz") << 22050 << 16 << 1;
    QTest::newRow("16-bit stereo 48 kHz") << 48000 << 16 << 2;
    QTest::newRow("16-bit mono 44.1 kHz") << 44100 << 16 << 1;
    QTest::newRow("8-bit mono 11.025 kHz") << 11025 << 8 << 1;
    QTest::newRow("8-bit stereo 22.05 kHz") << 22050 << 8 << 2;
    QTest::newRow("8-bit mono 22.05 kHz") << 22050 << 8 << 1;
    QTest::newRow("16-bit stereo 11.025 kHz") << 11025 << 16 << 2;
}

void TestSound::playsToItsEndOnce()
{
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(int, channels);
    const QString file = tone(500, {rate, bits, channels});

    SinkSoundDevice device;
    Notices notices(device);
    notices.start();
    device.play(file);
    QVERIFY(device.isOpen());
    QCOMPARE(notices.soundings, 0);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QCOMPARE(notices.codes.first(), int(SoundDevice::Successful));
    // It was heard before it ended, once.
    QCOMPARE(notices.soundedBefore.first(), 1);
    // Not before the reading could have been heard, and not long after.
    QVERIFY2(notices.times.first() >= 470, qPrintable(QString::number(notices.times.first())));
    QVERIFY2(notices.times.first() <= 500 + 800, qPrintable(QString::number(notices.times.first())));
    // Once only; the device stays open until it is closed.
    QTest::qWait(400);
    QCOMPARE(notices.codes.size(), 1);
    QVERIFY(device.isOpen());
    device.close();
    QVERIFY(!device.isOpen());
}

void TestSound::cutReadingNeverSucceeds_data()
{
    QTest::addColumn<int>("cutAfterMs");
    QTest::addColumn<bool>("stopFirst");
    QTest::newRow("stop and close while playing") << 150 << true;
    QTest::newRow("close while playing") << 150 << false;
    QTest::newRow("stop and close before it sounds") << 0 << true;
    QTest::newRow("close before it sounds") << 0 << false;
}

void TestSound::cutReadingNeverSucceeds()
{
    QFETCH(int, cutAfterMs);
    QFETCH(bool, stopFirst);
    const QString file = tone(500);

    SinkSoundDevice device;
    Notices notices(device);
    // As the windows do: a stream open and the file decoded ahead, so the
    // reading starts on the audio thread the moment it is asked for.
    device.openAhead();
    device.preload(file);
    QTRY_VERIFY(device.hasSpareStream());
    QTest::qWait(200);
    device.play(file);
    if (cutAfterMs > 0) {
        QTest::qWait(cutAfterMs);
        QVERIFY(device.isPlaying());
    }
    stopFirst ? device.stopAndClose() : device.close();
    QVERIFY(!device.isOpen());
    QVERIFY(!device.isPlaying());
    // Well past the file's end: nothing at all comes.
    QTest::qWait(1200);
    QCOMPARE(notices.codes, QList<int>());
    // A reading cut before its samples reached the output never sounded.
    QCOMPARE(notices.soundings, cutAfterMs > 0 ? 1 : 0);
}

void TestSound::unplayableFileFailsLater_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("create");
    QTest::newRow("missing") << QStringLiteral("missing.wav") << QByteArray() << false;
    QTest::newRow("empty") << QStringLiteral("empty.wav") << QByteArray() << true;
    QTest::newRow("text") << QStringLiteral("text.wav") << QByteArray("not a recording\n") << true;
    QTest::newRow("cut inside the header") << QStringLiteral("cut.wav") << QByteArray("RIFF\x24\x10\0\0WAVEfmt ", 16) << true;
    QTest::newRow("a folder") << QStringLiteral("folder.wav") << QByteArray() << false;
    QTest::newRow("a picture") << QStringLiteral("picture.wav") << QByteArray() << false;
}

void TestSound::unplayableFileFailsLater()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    const QString path = m_dir.filePath(QTest::currentDataTag()).replace(u':', u'-') + name;
    if (create)
        testing::writeAll(path, content);
    if (name == QLatin1String("folder.wav"))
        QVERIFY(QDir().mkpath(path));
    if (name == QLatin1String("picture.wav"))
        QVERIFY(QFile::copy(testing::builtCardFolder() + QStringLiteral("/karue01.jpg"), path));

    SinkSoundDevice device;
    Notices notices(device);
    device.play(path);
    // Never from inside play(): the caller is still in the middle of its step.
    QCOMPARE(notices.codes.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QVERIFY(notices.codes.first() != SoundDevice::Successful);
    QCOMPARE(notices.codes.first(), int(SoundDevice::Failure));
    QTest::qWait(300);
    QCOMPARE(notices.codes.size(), 1);
    QCOMPARE(notices.soundings, 0);
    device.close();
}

void TestSound::damagedRecordingEndsOnce_data()
{
    // Changes to a good 600 ms recording: offset and new bytes; a negative
    // offset cuts the file there.
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    QTest::newRow("cut short") << -(44 + 2000) << QByteArray() << int(SoundDevice::Successful);
    QTest::newRow("unknown format code") << 20 << QByteArray("\x34\x12", 2) << int(SoundDevice::Failure);
    QTest::newRow("no channels") << 22 << QByteArray("\0\0", 2) << int(SoundDevice::Failure);
    QTest::newRow("sample rate 0") << 24 << QByteArray("\0\0\0\0", 4) << int(SoundDevice::Failure);
    // Seven bits in two bytes a sample: read as the 16-bit samples they are.
    QTest::newRow("7 bits a sample") << 34 << QByteArray("\x07\0", 2) << int(SoundDevice::Successful);
    QTest::newRow("data longer than the file") << 40 << QByteArray("\xff\xff\xff\x7f", 4) << int(SoundDevice::Successful);
    // Another kind of RIFF file.
    QTest::newRow("not WAVE") << 8 << QByteArray("AVI ") << int(SoundDevice::Failure);
}

void TestSound::damagedRecordingEndsOnce()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    const QString path = tone(600);
    QByteArray wav = testing::readAll(path);
    if (offset < 0)
        wav.truncate(-offset);
    else
        wav.replace(offset, bytes.size(), bytes);
    testing::writeAll(path, wav);

    SinkSoundDevice device;
    Notices notices(device);
    notices.start();
    device.play(path);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QCOMPARE(notices.codes.first(), code);
    QCOMPARE(notices.soundings, code == SoundDevice::Successful ? 1 : 0);
    QTest::qWait(300);
    QCOMPARE(notices.codes.size(), 1);
    device.close();
    // The device is fine for the next reading.
    device.play(tone(200));
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 2, 5000);
    QCOMPARE(notices.codes.last(), int(SoundDevice::Successful));
    device.close();
}

void TestSound::playsAgainAfterClose_data()
{
    QTest::addColumn<QString>("first");
    QTest::newRow("after a reading that ended") << QStringLiteral("ended");
    QTest::newRow("after a reading that was cut off") << QStringLiteral("cut");
    QTest::newRow("after a file that failed") << QStringLiteral("failed");
}

void TestSound::playsAgainAfterClose()
{
    QFETCH(QString, first);
    SinkSoundDevice device;
    Notices notices(device);
    if (first == QLatin1String("ended")) {
        device.play(tone(200));
        QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
        device.close();
    } else if (first == QLatin1String("cut")) {
        device.play(tone(500));
        QTest::qWait(100);
        device.stopAndClose();
    } else {
        device.play(m_dir.filePath(QStringLiteral("nothing-here.wav")));
        QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
        device.close();
    }
    const int before = int(notices.codes.size());

    const QString second = tone(500);
    notices.start();
    device.play(second);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), before + 1, 5000);
    QCOMPARE(notices.codes.last(), int(SoundDevice::Successful));
    QVERIFY(notices.times.last() >= 470);
    device.close();
}

void TestSound::newReadingReplacesOpenOne()
{
    const QString longOne = tone(1500);
    const QString shortOne = tone(500);
    SinkSoundDevice device;
    Notices notices(device);
    device.play(longOne);
    QTest::qWait(200);
    notices.start();
    device.play(shortOne);
    // The short one ends once; the long one, replaced, never reports.
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QCOMPARE(notices.codes.first(), int(SoundDevice::Successful));
    QVERIFY(notices.times.first() >= 470);
    QVERIFY2(notices.times.first() <= 500 + 800, qPrintable(QString::number(notices.times.first())));
    QTest::qWait(1500);
    QCOMPARE(notices.codes.size(), 1);
}

void TestSound::endOfClosedReadingIsNotDelivered()
{
    const QString first = tone(150);
    const QString second = tone(600);
    SinkSoundDevice device;
    Notices notices(device);
    device.play(first);
    // The first reading ends while the program is busy elsewhere: its end
    // is waiting to be handled when it is closed and the next one opened.
    QTRY_VERIFY_WITH_TIMEOUT(device.isPlaying(), 2000);
    QThread::msleep(700);
    device.close();
    notices.start();
    device.play(second);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    // What arrives is the second reading's own end, not the first one's.
    QCOMPARE(notices.codes.first(), int(SoundDevice::Successful));
    QVERIFY2(notices.times.first() >= 570, qPrintable(QString::number(notices.times.first())));
}

void TestSound::closingWithNothingOpenDoesNothing()
{
    SinkSoundDevice device;
    Notices notices(device);
    device.close();
    device.stopAndClose();
    device.prepare();
    QVERIFY(!device.isOpen());
    QTest::qWait(300);
    QCOMPARE(notices.codes, QList<int>());
    // Never prepared is as good as prepared: the next reading plays.
    device.play(tone(200));
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QCOMPARE(notices.codes.first(), int(SoundDevice::Successful));
}

void TestSound::recorderPassesOperationsOn()
{
    // The recorder that window tests use, here in front of the real device:
    // it writes down the commands and the real device's notices come out.
    auto *real = new SinkSoundDevice;
    testing::RecordingSoundDevice recorder(nullptr, real);
    QCOMPARE(real->parent(), &recorder);
    Notices notices(recorder);
    const QString first = tone(300);
    recorder.prepare();
    // The hints reach the real device, and are not commands.
    recorder.openAhead();
    recorder.preload(first);
    QTRY_VERIFY(real->hasSpareStream());
    recorder.play(first);
    QVERIFY(real->isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QCOMPARE(notices.codes.first(), int(SoundDevice::Successful));
    QCOMPARE(notices.soundedBefore.first(), 1);
    recorder.play(first);
    QTest::qWait(100);
    recorder.stopAndClose();
    QVERIFY(!real->isOpen());
    recorder.close();
    QCOMPARE(recorder.commands, (QStringList{QStringLiteral("Close"), QStringLiteral("Open ") + first, QStringLiteral("Sound"),
                                            QStringLiteral("Open ") + first, QStringLiteral("Sound"), QStringLiteral("Stop"),
                                            QStringLiteral("Close"), QStringLiteral("Close")}));
    QCOMPARE(recorder.prepares, 1);
    QCOMPARE(recorder.hints, (QStringList{QStringLiteral("openAhead"), QStringLiteral("preload ") + first}));
    recorder.releaseOutput();
    QVERIFY(!real->hasSpareStream());
    QTest::qWait(500);
    QCOMPARE(notices.codes.size(), 1);
    // Without a real device behind it, the test says when a reading ends.
    testing::RecordingSoundDevice alone;
    Notices own(alone);
    alone.finish(SoundDevice::Aborted);
    QCOMPARE(own.codes, QList<int>{SoundDevice::Aborted});
}

void TestSound::toneIsHeardAtItsPitch_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("channels");
    QTest::addColumn<double>("frequency");
    // A recording of this pitch under the same name was decoded ahead, then
    // replaced (0: none).
    QTest::addColumn<double>("decodedBefore");
    QTest::newRow("8-bit mono 22.05 kHz, 440 Hz") << 22050 << 8 << 1 << 440.0 << 0.0;
    QTest::newRow("16-bit mono 22.05 kHz, 1 kHz") << 22050 << 16 << 1 << 1000.0 << 0.0;
    QTest::newRow("16-bit stereo 44.1 kHz, 660 Hz") << 44100 << 16 << 2 << 660.0 << 0.0;
    QTest::newRow("8-bit mono 8 kHz, 300 Hz") << 8000 << 8 << 1 << 300.0 << 0.0;
    // Same length, same time: only its content tells the new one apart.
    QTest::newRow("replaced after its decode, same size and time") << 22050 << 16 << 1 << 1000.0 << 440.0;
}

void TestSound::toneIsHeardAtItsPitch()
{
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(int, channels);
    QFETCH(double, frequency);
    QFETCH(double, decodedBefore);
    const QString file = m_dir.filePath(QStringLiteral("pitch%1.wav").arg(++m_files));
    SinkSoundDevice device;
    if (decodedBefore > 0) {
        QVERIFY(testing::writeWav(file, {rate, bits, channels}, 400, decodedBefore));
        device.preload(file);
        QTest::qWait(300);
        const QDateTime stamp = QFileInfo(file).lastModified();
        QVERIFY(testing::writeWav(file, {rate, bits, channels}, 400, frequency));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadWrite) && written.setFileTime(stamp, QFileDevice::FileModificationTime));
    } else {
        QVERIFY(testing::writeWav(file, {rate, bits, channels}, 400, frequency));
    }

    testing::MonitorRecorder recorder;
    QString error;
    QVERIFY2(recorder.start(&error), qPrintable(error));
    Notices notices(device);
    device.play(file);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QCOMPARE(notices.codes.first(), int(SoundDevice::Successful));
    QTest::qWait(200);
    const QList<float> heard = recorder.samples();
    const auto [first, end] = loudSpan(heard);
    QVERIFY2(first >= 0, "nothing was heard");
    // All of it, and nothing else; within one quantum of the server (21 ms),
    // which a busy machine may lose or repeat in the recording.
    const double heardMs = double(end - first) * 1000 / testing::MonitorRecorder::Rate;
    QVERIFY2(std::abs(heardMs - 400) <= 25, qPrintable(QString::number(heardMs)));
    // At its pitch: the tone stands out, a fifth above or below does not.
    const qsizetype middle = first + (end - first) / 4;
    const qsizetype count = (end - first) / 2;
    const double at = levelAt(heard, middle, count, frequency);
    QVERIFY2(at > 0.3 && at < 0.5, qPrintable(QString::number(at)));
    QVERIFY(levelAt(heard, middle, count, frequency * 1.5) < at / 20);
    QVERIFY(levelAt(heard, middle, count, frequency / 1.5) < at / 20);
}

void TestSound::stopSilencesAtOnce_data()
{
    // How long the audio thread is busy when the stop comes.
    QTest::addColumn<int>("busyMs");
    QTest::newRow("audio thread idle") << 0;
    QTest::newRow("audio thread busy for 300 ms") << 300;
}

void TestSound::stopSilencesAtOnce()
{
    QFETCH(int, busyMs);
    const QString file = tone(1500);
    testing::MonitorRecorder recorder;
    QString error;
    QVERIFY2(recorder.start(&error), qPrintable(error));
    SinkSoundDevice device;
    Notices notices(device);
    device.play(file);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.firstAbove(0.02f) >= 0, 3000);
    QTest::qWait(300);
    if (busyMs > 0)
        holdAudioThread(busyMs);
    device.stopAndClose();
    // Silent by the time the caller goes on, however long that took.
    const qint64 stoppedAt = testing::monotonicNs();
    QVERIFY(!device.isPlaying());
    QTest::qWait(500);
    const QList<float> heard = recorder.samples();
    const auto [first, end] = loudSpan(heard);
    QVERIFY(first >= 0);
    // What was already on its way to the sink may still be heard, no more:
    // the recording reaches this process within a quantum or two of the sink.
    const double afterStopMs = double(recorder.arrivalNs(recorder.firstFrame() + end) - stoppedAt) / 1e6;
    QVERIFY2(afterStopMs < 60, qPrintable(QString::number(afterStopMs)));
    QCOMPARE(notices.codes, QList<int>());
}

void TestSound::readingsNeverOverlap()
{
    // The first reading is replaced by the second while it sounds, as when
    // a card is taken and the next announced in the same moment.
    const QString low = m_dir.filePath(QStringLiteral("low.wav"));
    const QString high = m_dir.filePath(QStringLiteral("high.wav"));
    QVERIFY(testing::writeWav(low, {22050, 16, 1}, 1000, 500));
    QVERIFY(testing::writeWav(high, {22050, 16, 1}, 400, 1500));
    testing::MonitorRecorder recorder;
    QString error;
    QVERIFY2(recorder.start(&error), qPrintable(error));
    SinkSoundDevice device;
    Notices notices(device);
    device.openAhead();
    device.preload(low);
    device.preload(high);
    QTRY_VERIFY(device.hasSpareStream());
    device.play(low);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.firstAbove(0.02f) >= 0, 3000);
    // A spare stream is ready for the next reading before it comes.
    QTRY_VERIFY(device.hasSpareStream());
    QTest::qWait(250);
    device.play(high);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 3000);
    QTest::qWait(200);
    device.releaseOutput();

    // In 10 ms windows: the low tone has ended before the high one starts.
    const QList<float> heard = recorder.samples();
    constexpr qsizetype window = testing::MonitorRecorder::Rate / 100;
    qsizetype lastLow = -1, firstHigh = -1, highWindows = 0;
    for (qsizetype w = 0; (w + 1) * window <= heard.size(); ++w) {
        if (levelAt(heard, w * window, window, 500) > 0.05)
            lastLow = w;
        if (levelAt(heard, w * window, window, 1500) > 0.05) {
            ++highWindows;
            if (firstHigh < 0)
                firstHigh = w;
        }
    }
    QVERIFY(lastLow >= 0 && firstHigh >= 0);
    QVERIFY2(lastLow <= firstHigh, qPrintable(QStringLiteral("low until window %1, high from %2").arg(lastLow).arg(firstHigh)));
    // And the second was heard whole.
    QVERIFY2(highWindows >= 38, qPrintable(QString::number(highWindows)));
}

void TestSound::soundServerComesBack_data()
{
    // When the server goes away: -1 between two readings, else that many
    // ms into a reading of 1500 ms.
    QTest::addColumn<int>("lostAtMs");
    QTest::newRow("restarted between two readings") << -1;
    QTest::newRow("lost in the middle of a reading") << 500;
}

void TestSound::soundServerComesBack()
{
    if (qEnvironmentVariableIsEmpty("GINREI_NULL_SINK_SCRIPT"))
        QSKIP("needs scripts/with-null-sink.sh to restart the sound server");
    QFETCH(int, lostAtMs);
    SinkSoundDevice device;
    Notices notices(device);
    int noOutput = 0;
    connect(&device, &SoundDevice::noSoundOutput, this, [&noOutput] { ++noOutput; });
    device.openAhead();
    QTRY_VERIFY(device.hasSpareStream());

    notices.start();
    if (lostAtMs < 0) {
        device.play(tone(300));
        QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
        device.close();
        QVERIFY(serverCommand("--stop-server"));
    } else {
        device.play(tone(1500));
        QTest::qWait(lostAtMs);
        QVERIFY(serverCommand("--stop-server"));
        // It ends when its recording would have, from where the stream had
        // got to: not at once, not a whole recording later, and not after a
        // stall of its own.
        QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
        QVERIFY2(notices.times.first() >= 1400 && notices.times.first() <= 1500 + 400,
                 qPrintable(QString::number(notices.times.first())));
        device.close();
    }
    QCOMPARE(notices.codes.first(), int(SoundDevice::Successful));
    QVERIFY(serverCommand("--start-server"));
    // Qt reconnects to the server a few seconds later; the device drops the
    // dead spare and opens a new one as soon as it can.
    QTRY_VERIFY_WITH_TIMEOUT(device.hasSpareStream(), 15000);

    testing::MonitorRecorder recorder;
    QString error;
    QVERIFY2(recorder.start(&error), qPrintable(error));
    const QString next = m_dir.filePath(QStringLiteral("after-restart%1.wav").arg(++m_files));
    QVERIFY(testing::writeWav(next, {22050, 16, 1}, 400, 1000));
    device.play(next);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 2, 5000);
    QCOMPARE(notices.codes.last(), int(SoundDevice::Successful));
    QTest::qWait(200);
    const QList<float> heard = recorder.samples();
    const auto [first, end] = loudSpan(heard);
    QVERIFY2(first >= 0, "the reading after the restart was not heard");
    const double heardMs = double(end - first) * 1000 / testing::MonitorRecorder::Rate;
    QVERIFY2(std::abs(heardMs - 400) <= 25, qPrintable(QString::number(heardMs)));
    // A server was there for every reading but the rest of the cut one.
    QCOMPARE(noOutput, 0);
    device.releaseOutput();
}

GINREI_TEST_MAIN(TestSound)
#include "tst_sound.moc"
