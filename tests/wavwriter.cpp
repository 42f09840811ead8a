// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/wavwriter.h"

#include <QFile>
#include <QtEndian>

#include <cmath>

namespace testing {

namespace {
void put16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}
} // namespace

QByteArray toneWav(const WavFormat &format, int durationMs, double frequency)
{
    const int bytesPerSample = format.bits / 8;
    const qint64 frames = qint64(format.sampleRate) * durationMs / 1000;
    const quint32 dataBytes = quint32(frames * bytesPerSample * format.channels);

    QByteArray out;
    out.append("RIFF");
    put32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, quint16(format.channels));
    put32(out, quint32(format.sampleRate));
    put32(out, quint32(format.sampleRate * bytesPerSample * format.channels));
    put16(out, quint16(bytesPerSample * format.channels));
    put16(out, quint16(format.bits));
    out.append("data");
    put32(out, dataBytes);
    for (qint64 i = 0; i < frames; ++i) {
        const double v = 0.4 * std::sin(2 * M_PI * frequency * double(i) / format.sampleRate);
        for (int c = 0; c < format.channels; ++c) {
            if (format.bits == 8)
                out.append(char(quint8(std::lround(128 + 127 * v))));
            else
                put16(out, quint16(qint16(std::lround(32767 * v))));
        }
    }
    return out;
}

bool writeWav(const QString &path, const WavFormat &format, int durationMs, double frequency)
{
    const QByteArray out = toneWav(format, durationMs, frequency);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(out) == out.size();
}

} // namespace testing
