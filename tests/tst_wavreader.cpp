// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The WAV reader: the files it takes come out as the same sound at 48 kHz
// stereo, checked against the tone they were written from; the files it
// refuses say why, and whether a general player may still manage them.
// Then the decoding ahead, which must never hand out a file that has
// changed on disk since it was decoded.

#include "sound/clipcache.h"
#include "sound/wavreader.h"
#include "tests/wavwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>

Q_DECLARE_METATYPE(wav::Problem)

namespace {
QByteArray le16(int v)
{
    char b[2];
    qToLittleEndian(quint16(v), b);
    return QByteArray(b, 2);
}

QByteArray le32(qint64 v)
{
    char b[4];
    qToLittleEndian(quint32(v), b);
    return QByteArray(b, 4);
}

QByteArray chunk(const char *id, const QByteArray &body)
{
    QByteArray c = QByteArray(id, 4) + le32(body.size()) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le32(4 + chunks.size()) + "WAVE" + chunks;
}

QByteArray fmtBody(int tag, int channels, int rate, int bits, int blockAlign = -1)
{
    if (blockAlign < 0)
        blockAlign = channels * bits / 8;
    return le16(tag) + le16(channels) + le32(rate) + le32(qint64(rate) * blockAlign) + le16(blockAlign) + le16(bits);
}

// The extensible form of the format chunk, with the given sub-format code.
QByteArray extensibleBody(int subFormat, int channels, int rate, int bits)
{
    static const QByteArray guidTail("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return fmtBody(0xFFFE, channels, rate, bits) + le16(22) + le16(bits) + le32(3) + le16(subFormat) + guidTail;
}

// The chunks of a tone file from the test writer: its "fmt " body and its samples.
QByteArray toneFmt(const QByteArray &wav)
{
    return wav.mid(20, 16);
}

QByteArray toneData(const QByteArray &wav)
{
    return wav.mid(44);
}

// 16-bit stereo at 44.1 kHz with the tone on the left channel only.
QByteArray leftOnly(int durationMs)
{
    const int frames = 44100 * durationMs / 1000;
    QByteArray data;
    for (int i = 0; i < frames; ++i)
        data += le16(int(std::lround(0.4 * 32767 * std::sin(2 * M_PI * 440 * i / 44100.0)))) + le16(0);
    return riff(chunk("fmt ", fmtBody(1, 2, 44100, 16)) + chunk("data", data));
}
} // namespace

class TestWavReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void takes_data();
    void takes();
    void refuses_data();
    void refuses();
    void unreadableFile();
    void cacheFollowsTheFileOnDisk();
};

void TestWavReader::takes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("rightSilent");

    using testing::toneWav;
    const QByteArray mono22 = toneWav({22050, 16, 1}, 300);
    QTest::newRow("16-bit mono 22.05 kHz") << mono22 << 22050 << 16 << 1 << false;
    // The one GStreamer plays as silence, ending at once.
    QTest::newRow("8-bit mono 22.05 kHz") << toneWav({22050, 8, 1}, 300) << 22050 << 8 << 1 << false;
    QTest::newRow("16-bit stereo 48 kHz") << toneWav({48000, 16, 2}, 300) << 48000 << 16 << 2 << false;
    QTest::newRow("8-bit stereo 11.025 kHz") << toneWav({11025, 8, 2}, 300) << 11025 << 8 << 2 << false;
    QTest::newRow("16-bit mono 8 kHz") << toneWav({8000, 16, 1}, 300) << 8000 << 16 << 1 << false;
    QTest::newRow("16-bit mono 44.1 kHz") << toneWav({44100, 16, 1}, 300) << 44100 << 16 << 1 << false;
    QTest::newRow("tone on the left channel only") << leftOnly(300) << 44100 << 16 << 2 << true;

    const QByteArray stereo44 = toneWav({44100, 16, 2}, 300);
    QTest::newRow("extensible format chunk, PCM")
        << riff(chunk("fmt ", extensibleBody(1, 2, 44100, 16)) + chunk("data", toneData(stereo44))) << 44100 << 16 << 2 << false;
    QTest::newRow("odd-length chunks before and after the data")
        << riff(chunk("LIST", "abc") + chunk("fmt ", toneFmt(mono22)) + chunk("fact", "xyzzy") + chunk("data", toneData(mono22))
                + chunk("id3 ", "tag"))
        << 22050 << 16 << 1 << false;
    QByteArray zeroLength = mono22;
    zeroLength.replace(4, 4, le32(0));
    QTest::newRow("RIFF length 0, as streaming writers leave it") << zeroLength << 22050 << 16 << 1 << false;
    QByteArray oddData = toneWav({22050, 8, 1}, 301);
    QTest::newRow("8-bit data of odd length, no pad byte at the end") << oddData << 22050 << 8 << 1 << false;
}

void TestWavReader::takes()
{
    QFETCH(QByteArray, file);
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(int, channels);
    QFETCH(bool, rightSilent);

    const wav::Clip clip = wav::decode(file);
    QVERIFY2(clip.ok(), qPrintable(clip.reason));
    QVERIFY(clip.reason.isEmpty());
    QCOMPARE(clip.source.sampleRate, rate);
    QCOMPARE(clip.source.bits, bits);
    QCOMPARE(clip.source.channels, channels);
    const qint64 sourceFrames = clip.source.frames;
    QVERIFY(sourceFrames >= qint64(rate) * 300 / 1000);
    // As long as the recording, to the output frame.
    QCOMPARE(clip.frames(), (sourceFrames * 48000 + rate - 1) / rate);
    QVERIFY(qAbs(clip.durationUs() - sourceFrames * 1000000 / rate) <= 21);

    // Each output frame against the tone itself at that moment: a shifted,
    // stretched, mis-scaled or wrongly signed conversion is far outside.
    const double amplitude = 0.4 * (bits == 8 ? 127 * 256 : 32767);
    const auto *pcm = reinterpret_cast<const qint16 *>(clip.pcm.constData());
    double worst = 0;
    for (qint64 j = 0; j < clip.frames() - 48000 / rate - 1; ++j) {
        const double expected = amplitude * std::sin(2 * M_PI * 440 * double(j) / 48000);
        worst = std::max(worst, std::abs(pcm[2 * j] - expected));
        QCOMPARE(pcm[2 * j + 1], rightSilent ? qint16(0) : pcm[2 * j]);
    }
    QVERIFY2(worst < 300, qPrintable(QStringLiteral("largest error %1").arg(worst)));
}

void TestWavReader::refuses_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<wav::Problem>("problem");
    QTest::addColumn<bool>("worthAnotherPlayer");

    const QByteArray good = testing::toneWav({22050, 16, 1}, 100);
    const QByteArray fmt = chunk("fmt ", toneFmt(good));
    const QByteArray data = chunk("data", toneData(good));
    auto with = [&good](int offset, const QByteArray &bytes) { return QByteArray(good).replace(offset, bytes.size(), bytes); };
    using P = wav::Problem;

    QTest::newRow("empty") << QByteArray() << P::NotWave << false;
    QTest::newRow("text") << QByteArray("not a recording\n") << P::NotWave << false;
    QTest::newRow("a RIFF file of another type") << with(8, "AVI ") << P::NotWave << false;
    QTest::newRow("big-endian RIFX") << with(0, "RIFX") << P::OtherContainer << true;
    QTest::newRow("cut inside the RIFF header") << good.left(7) << P::Truncated << true;
    QTest::newRow("cut inside the format chunk") << good.left(30) << P::Truncated << true;
    QTest::newRow("cut before the data chunk") << good.left(36) << P::Truncated << true;
    QTest::newRow("cut inside an unknown chunk") << riff(fmt + chunk("LIST", QByteArray(40, 'x'))).left(60) << P::Truncated << true;
    QTest::newRow("data chunk with no samples") << riff(fmt + chunk("data", {})) << P::Truncated << true;
    QTest::newRow("data chunk longer than the file") << good.left(44 + 2000) << P::DataPastEnd << true;
    QTest::newRow("data length at its largest") << with(40, le32(0xFFFFFFFF)) << P::DataPastEnd << true;
    QTest::newRow("samples but no format chunk") << riff(chunk("LIST", "ab") + data) << P::BadHeader << true;
    QTest::newRow("format chunk of 14 bytes") << riff(chunk("fmt ", toneFmt(good).left(14)) + data) << P::BadHeader << true;
    QTest::newRow("IMA ADPCM") << riff(chunk("fmt ", fmtBody(0x11, 1, 22050, 4, 256)) + data) << P::Compressed << true;
    QTest::newRow("µ-law") << riff(chunk("fmt ", fmtBody(7, 1, 8000, 8)) + data) << P::Compressed << true;
    QTest::newRow("extensible, floating point") << riff(chunk("fmt ", extensibleBody(3, 2, 44100, 32)) + data) << P::Compressed << true;
    QTest::newRow("3 channels") << riff(chunk("fmt ", fmtBody(1, 3, 22050, 16)) + data) << P::TooManyChannels << true;
    QTest::newRow("no channels") << with(22, le16(0)) << P::BadHeader << true;
    QTest::newRow("24-bit") << riff(chunk("fmt ", fmtBody(1, 1, 22050, 24)) + data) << P::UnsupportedBits << true;
    QTest::newRow("7 bits a sample") << with(34, le16(7)) << P::BadHeader << true;
    QTest::newRow("sample rate 0") << with(24, le32(0)) << P::BadHeader << true;
    QTest::newRow("96 kHz") << with(24, le32(96000)) << P::UnsupportedRate << true;
    QTest::newRow("4 kHz") << with(24, le32(4000)) << P::UnsupportedRate << true;
    QTest::newRow("frame size that does not fit the format") << with(32, le16(4)) << P::BadHeader << true;
}

void TestWavReader::refuses()
{
    QFETCH(QByteArray, file);
    QFETCH(wav::Problem, problem);
    QFETCH(bool, worthAnotherPlayer);

    const wav::Clip clip = wav::decode(file);
    QCOMPARE(clip.problem, problem);
    QVERIFY(!clip.ok());
    QVERIFY(!clip.reason.isEmpty());
    QVERIFY(clip.pcm.isEmpty());
    QCOMPARE(clip.worthAnotherPlayer(), worthAnotherPlayer);
}

void TestWavReader::unreadableFile()
{
    QTemporaryDir dir;
    QCOMPARE(wav::decodeFile(dir.filePath(QStringLiteral("missing.wav"))).problem, wav::Problem::Unreadable);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.wav")));
    const wav::Clip folder = wav::decodeFile(dir.filePath(QStringLiteral("folder.wav")));
    QVERIFY(!folder.ok() && !folder.worthAnotherPlayer());
}

void TestWavReader::cacheFollowsTheFileOnDisk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("karuon01.wav"));
    QVERIFY(testing::writeWav(path, {22050, 16, 1}, 200));

    ClipCache cache;
    QStringList ready;
    connect(&cache, &ClipCache::ready, this, [&ready](const QString &p) { ready << p; });
    cache.request(path);
    QVERIFY(cache.pending(path));
    QVERIFY(!cache.find(path));
    QTRY_COMPARE(ready, QStringList{path});
    const ClipCache::ClipPtr first = cache.find(path);
    QVERIFY(first && first->ok());
    QCOMPARE(first->source.frames, 22050 / 5);
    // Asking again for the same file costs nothing.
    cache.request(path);
    QVERIFY(!cache.pending(path));
    QCOMPARE(cache.find(path), first);

    // A new recording under the same name: the old samples are never used.
    QVERIFY(testing::writeWav(path, {22050, 16, 1}, 500));
    QVERIFY(!cache.find(path));
    cache.request(path);
    QTRY_COMPARE(ready.size(), 2);
    const ClipCache::ClipPtr second = cache.find(path);
    QVERIFY(second && second->ok());
    QCOMPARE(second->source.frames, 22050 / 2);

    // Only the last few files are kept.
    for (int n = 2; n <= ClipCache::Capacity + 1; ++n) {
        const QString other = dir.filePath(QStringLiteral("karuon0%1.wav").arg(n));
        QVERIFY(testing::writeWav(other, {22050, 16, 1}, 50));
        cache.request(other);
        QTRY_VERIFY(cache.find(other));
    }
    QVERIFY(!cache.find(path));
}

QTEST_GUILESS_MAIN(TestWavReader)
#include "tst_wavreader.moc"
