// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Recordings of every kind a user may put in a card folder, written by
// libsndfile itself, and the damaged and hostile files a folder may hold:
// each is played in the output format at its own length and level, or
// refused with a reason.

#include "sound/audiodecode.h"
#include "sound/clipcache.h"

#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <sndfile.h>

#include <cmath>
#include <sys/stat.h>
#include <numbers>

namespace {

// A tone of freq Hz at amplitude amp on channel `on` (all channels when -1).
std::vector<float> tone(int channels, int rate, double seconds, double freq, float amp, int on = -1)
{
    const qint64 frames = qint64(seconds * rate);
    std::vector<float> out(size_t(frames) * channels, 0.0f);
    for (qint64 i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            if (on < 0 || c == on)
                out[size_t(i) * channels + c] = amp * float(std::sin(2 * std::numbers::pi * freq * i / rate));
    return out;
}

QByteArray write(int format, int channels, int rate, const std::vector<float> &frames)
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("x")).toLocal8Bit();
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE *sf = sf_open(path.constData(), SFM_WRITE, &info);
    if (!sf)
        return {};
    sf_writef_float(sf, frames.data(), sf_count_t(frames.size() / channels));
    sf_close(sf);
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray wav16(int channels, int rate, const std::vector<float> &frames)
{
    return write(SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, rate, frames);
}

// The largest magnitude of channel c, full scale 1.
double peak(const audio::Clip &clip, int c)
{
    const auto *s = reinterpret_cast<const qint16 *>(clip.pcm.constData());
    int best = 0;
    for (qint64 i = 0; i < clip.frames(); ++i)
        best = std::max(best, std::abs(int(s[i * audio::OutputChannels + c])));
    return best / 32767.0;
}

// The magnitude of channel 0 at freq, Hann-windowed (Goertzel).
double magnitudeAt(const audio::Clip &clip, double freq)
{
    const auto *s = reinterpret_cast<const qint16 *>(clip.pcm.constData());
    const qint64 n = clip.frames();
    const double w = 2 * std::numbers::pi * freq / audio::OutputRate;
    double s1 = 0, s2 = 0;
    for (qint64 i = 0; i < n; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (n - 1));
        const double s0 = s[i * audio::OutputChannels] * hann + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2);
}

} // namespace

class AudioDecodeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodes_data();
    void decodes();
    void noMirrorImage();
    void cacheGivesWhatIsOnDisk_data();
    void cacheGivesWhatIsOnDisk();
};

void AudioDecodeTest::decodes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("problem");
    QTest::addColumn<double>("seconds"); // of a file that plays
    QTest::addColumn<double>("level");   // its peak on both output channels

    auto plays = [](const char *name, int format, int channels, int rate, int on = -1) {
        QTest::newRow(name) << write(format, channels, rate, tone(channels, rate, 0.5, 440, 0.5f, on))
                            << int(audio::Problem::None) << 0.5 << 0.5;
    };
    plays("pcm16 mono 22050", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050);
    plays("pcm8 mono 11025", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 11025);
    plays("pcm24 stereo 96000", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 96000);
    plays("mu-law mono 8000", SF_FORMAT_WAV | SF_FORMAT_ULAW, 1, 8000);
    plays("ima adpcm mono 22050", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, 22050);
    // A voice on the centre channel of six keeps its level on both sides.
    plays("6 channels, voice on the centre", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 6, 48000, 2);
    plays("flac stereo 44100", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100);
    plays("ogg vorbis mono 44100", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 44100);
    plays("opus mono 48000", SF_FORMAT_OGG | SF_FORMAT_OPUS, 1, 48000);
    plays("mp3 mono 44100", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 1, 44100);

    const QByteArray second = wav16(1, 22050, tone(1, 22050, 1.0, 440, 0.5f));
    // Damaged further in: the part before the damage plays.
    QTest::newRow("cut short") << second.left(44 + 22050) << int(audio::Problem::None) << 0.5 << 0.5;

    QByteArray rate1 = second;
    qToLittleEndian<quint32>(1, rate1.data() + 24);
    QByteArray noChannels = second;
    qToLittleEndian<quint16>(0, noChannels.data() + 22);
    const QByteArray tooLong = write(SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 4000, tone(1, 4000, audio::MaxSeconds + 1, 440, 0.5f));
    auto refused = [](const char *name, const QByteArray &file, audio::Problem problem) {
        QTest::newRow(name) << file << int(problem) << 0.0 << 0.0;
    };
    refused("empty", QByteArray(), audio::Problem::NotAudio);
    refused("text", QByteArray("karuta, not a recording\n").repeated(40), audio::Problem::NotAudio);
    refused("header only", second.left(44), audio::Problem::NoSamples);
    refused("a rate of 1 Hz", rate1, audio::Problem::BadHeader);
    refused("no channels", noChannels, audio::Problem::NotAudio);
    refused("longer than the cap", tooLong, audio::Problem::TooLong);
}

void AudioDecodeTest::decodes()
{
    QFETCH(QByteArray, file);
    QFETCH(int, problem);
    QFETCH(double, seconds);
    QFETCH(double, level);
    if (QByteArray(QTest::currentDataTag()) != "empty")
        QVERIFY2(!file.isEmpty(), "libsndfile did not write the file");

    // Read from disk as it is, without setting aside room for the largest
    // file there could be.
    QTemporaryFile onDisk;
    QVERIFY(onDisk.open() && onDisk.write(file) == file.size() && onDisk.flush());
    audio::Problem readProblem;
    QString why;
    const QByteArray read = audio::readBounded(onDisk.fileName(), &readProblem, &why);
    QCOMPARE(read, file);
    QVERIFY2(read.capacity() <= file.size() + 65536, qPrintable(QString::number(read.capacity())));

    const audio::Clip clip = audio::decode(file);
    QCOMPARE(int(clip.problem), problem);
    QCOMPARE(clip.reason.isEmpty(), clip.ok());
    if (!clip.ok()) {
        QVERIFY(clip.pcm.isEmpty());
        return;
    }
    QCOMPARE(clip.source.partial, QByteArray(QTest::currentDataTag()) == "cut short");
    // Lossy codecs pad a little at either end, and overshoot a pure tone.
    QVERIFY2(std::abs(clip.durationUs() / 1e6 - seconds) < 0.03, qPrintable(QString::number(clip.durationUs())));
    for (int c = 0; c < audio::OutputChannels; ++c)
        QVERIFY2(std::abs(peak(clip, c) - level) < 0.25 * level, qPrintable(QString::number(peak(clip, c))));

    const audio::Mono mono = audio::decodeMono(file, 16000);
    QVERIFY(mono.ok());
    QVERIFY(std::abs(double(mono.samples.size()) / 16000 - seconds) < 0.03);
}

// A recording at a low rate gains no mirror image of its tone when it is
// raised to the output rate: the image of 4 kHz at 11,025 Hz lies at
// 7,025 Hz, and linear interpolation leaves it 10 dB under the tone.
void AudioDecodeTest::noMirrorImage()
{
    const audio::Clip clip = audio::decode(wav16(1, 11025, tone(1, 11025, 1.0, 4000, 0.5f)));
    QVERIFY(clip.ok());
    const double toneLevel = magnitudeAt(clip, 4000);
    double worst = 0;
    double worstAt = 0;
    for (double f = 5000; f < audio::OutputRate / 2; f += 25) {
        const double m = magnitudeAt(clip, f);
        if (m > worst) {
            worst = m;
            worstAt = f;
        }
    }
    const double db = 20 * std::log10(worst / toneLevel);
    QVERIFY2(db < -60, qPrintable(QStringLiteral("%1 dB at %2 Hz").arg(db).arg(worstAt)));
}

void AudioDecodeTest::cacheGivesWhatIsOnDisk_data()
{
    // What happens to a decoded recording before its reading.
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("decodedAgain");
    QTest::addColumn<int>("problem");
    QTest::addColumn<double>("seconds"); // of what is played
    QTest::addColumn<bool>("sameSamples");
    QTest::newRow("nothing") << QStringLiteral("none") << false << int(audio::Problem::None) << 0.2 << true;
    QTest::newRow("a longer recording") << QStringLiteral("longer") << true << int(audio::Problem::None) << 0.5 << false;
    QTest::newRow("removed") << QStringLiteral("removed") << false << int(audio::Problem::Unreadable) << 0.0 << false;
    // Opening a pipe would wait for a writer for ever.
    QTest::newRow("a named pipe in its place") << QStringLiteral("pipe") << false << int(audio::Problem::Unreadable) << 0.0 << false;
    // Only the last few files are kept.
    QTest::newRow("pushed out by newer ones") << QStringLiteral("evicted") << true << int(audio::Problem::None) << 0.2 << true;
}

void AudioDecodeTest::cacheGivesWhatIsOnDisk()
{
    QFETCH(QString, change);
    QFETCH(bool, decodedAgain);
    QFETCH(int, problem);
    QFETCH(double, seconds);
    QFETCH(bool, sameSamples);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("karuon01.wav"));
    auto writeTone = [](const QString &to, double length) {
        QFile file(to);
        return file.open(QIODevice::WriteOnly) && file.write(wav16(1, 22050, tone(1, 22050, length, 440, 0.5f))) > 0;
    };
    QVERIFY(writeTone(path, 0.2));

    ClipCache cache;
    QStringList ready;
    connect(&cache, &ClipCache::ready, this, [&ready](const QString &p) { ready << p; });
    cache.request(path);
    QVERIFY(cache.pending(path));
    QTRY_COMPARE(ready, QStringList{path});
    const ClipCache::ClipPtr first = cache.take(path);
    QVERIFY(first && first->ok());
    QCOMPARE(first->source.frames, 22050 / 5);

    if (change == u"longer") {
        QVERIFY(writeTone(path, 0.5));
    } else if (change == u"removed" || change == u"pipe") {
        QVERIFY(QFile::remove(path));
        if (change == u"pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (change == u"evicted") {
        for (int n = 2; n <= ClipCache::Capacity + 1; ++n) {
            const QString other = dir.filePath(QStringLiteral("karuon0%1.wav").arg(n));
            QVERIFY(writeTone(other, 0.05));
            cache.request(other);
            QTRY_VERIFY(!cache.pending(other));
        }
    }

    ClipCache::ClipPtr clip = cache.take(path);
    QCOMPARE(!clip, decodedAgain);
    if (decodedAgain) {
        QTRY_VERIFY((clip = cache.take(path)));
        QVERIFY(clip != first);
    }
    QCOMPARE(int(clip->problem), problem);
    QCOMPARE(clip->ok(), problem == int(audio::Problem::None));
    QVERIFY(qAbs(clip->frames() - qint64(seconds * audio::OutputRate)) <= 2);
    QCOMPARE(clip->pcm == first->pcm, sameSamples);
    // Kept for the next reading, unless it could not be read.
    if (clip->ok())
        QCOMPARE(cache.take(path), clip);
}

QTEST_GUILESS_MAIN(AudioDecodeTest)
#include "tst_audiodecode.moc"
