// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Writes small PCM WAV files for the sound tests: a steady tone of the
// given length in any of the formats users record their cards in.

#include <QByteArray>
#include <QString>

namespace testing {

struct WavFormat {
    int sampleRate = 22050;
    int bits = 16;    // 8 (unsigned) or 16 (signed)
    int channels = 1; // 1 or 2
};

// A PCM WAV file of durationMs of a steady tone at 0.4 of full scale.
QByteArray toneWav(const WavFormat &format, int durationMs, double frequency = 440);
// Writes durationMs of a 440 Hz tone; false if the file cannot be written.
bool writeWav(const QString &path, const WavFormat &format, int durationMs, double frequency = 440);

} // namespace testing
