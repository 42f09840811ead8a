// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sound/wavreader.h"

#include <QFile>
#include <QtEndian>

namespace wav {

namespace {
constexpr int FormatPcm = 1;
constexpr int FormatExtensible = 0xFFFE;

Clip refuse(Problem problem, const QString &reason, const Source &source = {})
{
    Clip clip;
    clip.problem = problem;
    clip.reason = reason;
    clip.source = source;
    return clip;
}

quint16 u16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}

quint32 u32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

// One sample of channel c at frame i, as 16-bit signed.
qint32 sampleAt(const char *data, const Source &s, qint64 i, int c)
{
    const qint64 at = i * s.channels + c;
    if (s.bits == 8)
        return (qint32(quint8(data[at])) - 128) * 256;
    return qint16(u16(data + at * 2));
}

// Converts the frames at data to the output format: each output channel
// takes the matching source channel (both take the one of a mono file),
// and the rate is changed by linear interpolation between neighbouring
// frames. Positions are kept as exact fractions, so a long reading does not
// drift.
QByteArray convert(const char *data, const Source &s)
{
    const qint64 outFrames = (s.frames * OutputRate + s.sampleRate - 1) / s.sampleRate;
    QByteArray out(outFrames * OutputBytesPerFrame, Qt::Uninitialized);
    auto *dst = reinterpret_cast<qint16 *>(out.data());
    for (qint64 j = 0; j < outFrames; ++j) {
        const qint64 position = j * s.sampleRate;
        const qint64 i = position / OutputRate;
        const qint64 fraction = position % OutputRate;
        const qint64 next = qMin(i + 1, s.frames - 1);
        for (int c = 0; c < OutputChannels; ++c) {
            const int from = qMin(c, s.channels - 1);
            const qint32 a = sampleAt(data, s, i, from);
            qint32 v = a;
            if (fraction != 0)
                v = a + qint32((qint64(sampleAt(data, s, next, from)) - a) * fraction / OutputRate);
            dst[j * OutputChannels + c] = qint16(v);
        }
    }
    return out;
}

// Checks the "fmt " chunk; sets source from it.
Clip checkFormat(const char *fmt, quint32 size, Source &source)
{
    if (size < 16)
        return refuse(Problem::BadHeader, QStringLiteral("the format chunk has %1 bytes, fewer than 16").arg(size));
    source.formatTag = u16(fmt);
    source.channels = u16(fmt + 2);
    source.sampleRate = int(qMin<quint32>(u32(fmt + 4), 0x7fffffff));
    const int blockAlign = u16(fmt + 12);
    source.bits = u16(fmt + 14);

    int format = source.formatTag;
    if (format == FormatExtensible) {
        // The real format is the first two bytes of the sub-format GUID.
        if (size < 40)
            return refuse(Problem::BadHeader, QStringLiteral("an extensible format chunk of %1 bytes, fewer than 40").arg(size), source);
        format = u16(fmt + 24);
        const int validBits = u16(fmt + 18);
        if (format == FormatPcm && validBits != 0 && validBits != source.bits)
            return refuse(Problem::UnsupportedBits,
                          QStringLiteral("%1 valid bits in %2-bit samples").arg(validBits).arg(source.bits), source);
    }
    if (format != FormatPcm)
        return refuse(Problem::Compressed, QStringLiteral("compressed (format 0x%1), not PCM").arg(format, 4, 16, QLatin1Char('0')), source);
    if (source.channels == 0)
        return refuse(Problem::BadHeader, QStringLiteral("no channels"), source);
    if (source.channels > 2)
        return refuse(Problem::TooManyChannels, QStringLiteral("%1 channels; at most 2 are played").arg(source.channels), source);
    if (source.bits == 24 || source.bits == 32)
        return refuse(Problem::UnsupportedBits, QStringLiteral("%1-bit samples; 8 or 16 are played").arg(source.bits), source);
    if (source.bits != 8 && source.bits != 16)
        return refuse(Problem::BadHeader, QStringLiteral("%1 bits a sample").arg(source.bits), source);
    if (source.sampleRate == 0)
        return refuse(Problem::BadHeader, QStringLiteral("a sample rate of 0"), source);
    if (source.sampleRate < 8000 || source.sampleRate > 48000)
        return refuse(Problem::UnsupportedRate, QStringLiteral("%1 Hz; 8000 to 48000 are played").arg(source.sampleRate), source);
    if (blockAlign != source.channels * source.bits / 8)
        return refuse(Problem::BadHeader,
                      QStringLiteral("%1 bytes a frame for %2 channels of %3 bits").arg(blockAlign).arg(source.channels).arg(source.bits),
                      source);
    return {};
}
} // namespace

bool Clip::worthAnotherPlayer() const
{
    return problem != Problem::None && problem != Problem::Unreadable && problem != Problem::NotWave;
}

Clip decode(const QByteArray &file)
{
    const qint64 size = file.size();
    const char *bytes = file.constData();
    if (size >= 4 && (file.startsWith("RIFX") || file.startsWith("RF64")))
        return refuse(Problem::OtherContainer, QStringLiteral("a %1 file; only little-endian RIFF is read").arg(QLatin1String(file.left(4))));
    if (size < 12) {
        if (QByteArrayLiteral("RIFF").startsWith(file.left(4)) && size > 0)
            return refuse(Problem::Truncated, QStringLiteral("%1 bytes, cut inside the RIFF header").arg(size));
        return refuse(Problem::NotWave, size == 0 ? QStringLiteral("an empty file") : QStringLiteral("not a RIFF file"));
    }
    if (!file.startsWith("RIFF"))
        return refuse(Problem::NotWave, QStringLiteral("not a RIFF file"));
    if (file.mid(8, 4) != "WAVE")
        return refuse(Problem::NotWave, QStringLiteral("a RIFF file of type %1, not WAVE").arg(QLatin1String(file.mid(8, 4).toPercentEncoding())));

    // The RIFF length is not trusted: writers that stream leave it at 0 or
    // at its largest. The chunks are read up to the end of the file.
    Source source;
    bool haveFormat = false;
    qint64 dataAt = -1;
    qint64 dataSize = 0;
    qint64 at = 12;
    while (at + 8 <= size) {
        const QByteArray id = file.mid(at, 4);
        const qint64 length = u32(bytes + at + 4);
        const qint64 body = at + 8;
        if (id == "data") {
            if (body + length > size)
                return refuse(Problem::DataPastEnd,
                              QStringLiteral("the data chunk says %1 bytes, the file holds %2").arg(length).arg(size - body), source);
            if (dataAt < 0) {
                dataAt = body;
                dataSize = length;
            }
        } else if (id == "fmt ") {
            if (body + length > size)
                return refuse(Problem::Truncated, QStringLiteral("cut inside the format chunk"), source);
            if (!haveFormat) {
                const Clip problem = checkFormat(bytes + body, quint32(length), source);
                if (!problem.ok())
                    return problem;
                haveFormat = true;
            }
        } else if (body + length > size && dataAt < 0) {
            return refuse(Problem::Truncated, QStringLiteral("cut inside a \"%1\" chunk").arg(QLatin1String(id.toPercentEncoding())), source);
        }
        if (haveFormat && dataAt >= 0)
            break;
        // Chunks start on even offsets.
        at = body + length + (length & 1);
    }
    if (!haveFormat) {
        // Samples with nothing to say what they are; without either, the
        // file stops before its header is complete.
        return dataAt >= 0 ? refuse(Problem::BadHeader, QStringLiteral("samples but no format chunk"), source)
                           : refuse(Problem::Truncated, QStringLiteral("no format chunk"), source);
    }
    if (dataAt < 0)
        return refuse(Problem::Truncated, QStringLiteral("no data chunk"), source);

    const int frameBytes = source.channels * source.bits / 8;
    source.frames = dataSize / frameBytes;
    if (source.frames == 0)
        return refuse(Problem::Truncated, QStringLiteral("no samples"), source);
    if (source.frames > qint64(MaxSeconds) * source.sampleRate)
        return refuse(Problem::TooLong, QStringLiteral("longer than %1 s").arg(MaxSeconds), source);

    Clip clip;
    clip.source = source;
    clip.pcm = convert(bytes + dataAt, source);
    return clip;
}

Clip decodeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(Problem::Unreadable, file.errorString());
    // The largest file that can hold MaxSeconds of 48 kHz 16-bit stereo,
    // with room for its other chunks.
    constexpr qint64 largest = qint64(MaxSeconds) * 48000 * 4 + 1024 * 1024;
    if (file.size() > largest) {
        const QByteArray head = file.read(12);
        Clip clip = decode(head);
        if (clip.problem == Problem::Truncated)
            return refuse(Problem::TooLong, QStringLiteral("%1 bytes, too large for a reading").arg(file.size()));
        return clip;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return refuse(Problem::Unreadable, file.errorString());
    return decode(bytes);
}

} // namespace wav
