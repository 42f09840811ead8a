// The real sound device, playing real WAV files through Qt Multimedia. Run
// by CTest inside scripts/with-null-sink.sh, which gives it a PipeWire
// server with a null sink as the default output.

#include "sound/mediasounddevice.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"

#include <QAudioDevice>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {
// Every done() of a device, with the time it arrived since start().
struct Notices {
    explicit Notices(SoundDevice &device)
    {
        QObject::connect(&device, &SoundDevice::done, &device, [this](int code) {
            codes << code;
            times << clock.elapsed();
        });
    }
    void start() { clock.start(); }
    int successes() const { return int(codes.count(SoundDevice::Successful)); }

    QElapsedTimer clock;
    QList<int> codes;
    QList<qint64> times;
};
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
    QTest::newRow("16-bit stereo 11.025 kHz") << 11025 << 16 << 2;
}

void TestSound::playsToItsEndOnce()
{
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(int, channels);
    const QString file = tone(500, {rate, bits, channels});

    MediaSoundDevice device;
    Notices notices(device);
    notices.start();
    device.play(file);
    QVERIFY(device.isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QCOMPARE(notices.codes.first(), int(SoundDevice::Successful));
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

    MediaSoundDevice device;
    Notices notices(device);
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
    const QString path = m_dir.filePath(name);
    if (create)
        testing::writeAll(path, content);
    if (name == QLatin1String("folder.wav"))
        QVERIFY(QDir().mkpath(path));
    if (name == QLatin1String("picture.wav"))
        QVERIFY(QFile::copy(testing::builtCardFolder() + QStringLiteral("/karue01.jpg"), path));

    MediaSoundDevice device;
    Notices notices(device);
    device.play(path);
    // Never from inside play(): the caller is still in the middle of its step.
    QCOMPARE(notices.codes.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QVERIFY(notices.codes.first() != SoundDevice::Successful);
    QCOMPARE(notices.codes.first(), int(SoundDevice::Failure));
    QTest::qWait(300);
    QCOMPARE(notices.codes.size(), 1);
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
    QTest::newRow("7 bits a sample") << 34 << QByteArray("\x07\0", 2) << int(SoundDevice::Failure);
    QTest::newRow("data longer than the file") << 40 << QByteArray("\xff\xff\xff\x7f", 4) << int(SoundDevice::Successful);
    // Another kind of RIFF file: once any reading has played, the media
    // framework would never report on it.
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

    MediaSoundDevice device;
    Notices notices(device);
    notices.start();
    device.play(path);
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QCOMPARE(notices.codes.first(), code);
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
    MediaSoundDevice device;
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
    MediaSoundDevice device;
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
    MediaSoundDevice device;
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
    MediaSoundDevice device;
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
    auto *real = new MediaSoundDevice;
    testing::RecordingSoundDevice recorder(nullptr, real);
    QCOMPARE(real->parent(), &recorder);
    Notices notices(recorder);
    const QString first = tone(300);
    recorder.prepare();
    recorder.play(first);
    QVERIFY(real->isOpen());
    QTRY_COMPARE_WITH_TIMEOUT(notices.codes.size(), 1, 5000);
    QCOMPARE(notices.codes.first(), int(SoundDevice::Successful));
    recorder.play(first);
    QTest::qWait(100);
    recorder.stopAndClose();
    QVERIFY(!real->isOpen());
    recorder.close();
    QCOMPARE(recorder.commands, (QStringList{QStringLiteral("Close"), QStringLiteral("Open ") + first, QStringLiteral("Sound"),
                                            QStringLiteral("Open ") + first, QStringLiteral("Sound"), QStringLiteral("Stop"),
                                            QStringLiteral("Close"), QStringLiteral("Close")}));
    QCOMPARE(recorder.prepares, 1);
    QTest::qWait(500);
    QCOMPARE(notices.codes.size(), 1);
    // Without a real device behind it, the test says when a reading ends.
    testing::RecordingSoundDevice alone;
    Notices own(alone);
    alone.finish(SoundDevice::Aborted);
    QCOMPARE(own.codes, QList<int>{SoundDevice::Aborted});
}

GINREI_TEST_MAIN(TestSound)
#include "tst_sound.moc"
