// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Reads a card's WAV recording into memory, converted to the one format the
// sound output is opened with, so that any card can start on a stream that
// was opened before anyone knew which card would come.
//
// Taken: RIFF/WAVE with PCM samples (plain or in the extensible format
// header), 8-bit unsigned or 16-bit signed, mono or stereo, 8 to 48 kHz;
// chunks other than "fmt " and "data" are skipped. Everything else is
// refused with the reason. A refused file that is still a wave file of some
// other kind (compressed, 24-bit, many channels, damaged) may be worth
// handing to a general media player; one that is no wave file at all is not.

#include <QByteArray>
#include <QString>

namespace wav {

// The output format: 48 kHz, two channels, 16-bit signed native-endian.
inline constexpr int OutputRate = 48000;
inline constexpr int OutputChannels = 2;
inline constexpr int OutputBytesPerFrame = 4;

// A reading longer than this is refused rather than held in memory; a
// general player streams it instead.
inline constexpr int MaxSeconds = 600;

enum class Problem {
    None,
    Unreadable,      // the file cannot be opened or read
    NotWave,         // not a RIFF file of type WAVE
    OtherContainer,  // a wave file in big-endian (RIFX) or 64-bit (RF64) form
    Truncated,       // ends inside a chunk header, before the samples, or has none
    BadHeader,       // the format description contradicts itself
    DataPastEnd,     // the data chunk says it is longer than the file
    Compressed,      // a format other than PCM
    TooManyChannels, // more than two
    UnsupportedBits, // PCM, but 24 or 32 bits a sample
    UnsupportedRate, // outside 8 to 48 kHz
    TooLong,         // longer than MaxSeconds
};

// What the file itself holds.
struct Source {
    int formatTag = 0;
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
    qint64 frames = 0;
};

struct Clip {
    Problem problem = Problem::None;
    QString reason;  // what is wrong, for a person; empty when taken
    Source source;
    QByteArray pcm;  // the samples in the output format

    bool ok() const { return problem == Problem::None; }
    qint64 frames() const { return pcm.size() / OutputBytesPerFrame; }
    qint64 durationUs() const { return frames() * 1000000 / OutputRate; }
    // A wave file this reader does not take, which another player may.
    bool worthAnotherPlayer() const;
};

// The file's bytes, as read from disk.
Clip decode(const QByteArray &file);
// Reads and decodes path. A file too large to be a reading is refused
// before it is read.
Clip decodeFile(const QString &path);

} // namespace wav
