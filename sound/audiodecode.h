// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Reads a recording into memory with libsndfile: WAV in every codec it
// knows, FLAC, Ogg Vorbis, Opus and MP3. A card's reading is converted to
// the one format the sound output is opened with, so that any card can
// start on a stream that was opened before anyone knew which card would
// come; the editor takes a recording as mono samples at the rate it works
// at.
//
// A file is bounded before it is decoded: one larger than MaxFileBytes is
// not read, and a header that describes no sensible recording (no
// channels, an impossible rate, more than MaxSeconds) is refused before its
// samples are. A file that libsndfile can read only in part (cut short,
// damaged further in) gives the part it could read. Everything else is
// refused with a reason for a person.
//
// Pure functions of their input, safe on any thread.

#include <QByteArray>
#include <QString>

#include <vector>

namespace audio {

// The output format: 48 kHz, two channels, 16-bit signed native-endian.
inline constexpr int OutputRate = 48000;
inline constexpr int OutputChannels = 2;
inline constexpr int OutputBytesPerFrame = 4;

// A reading longer than this is refused rather than held in memory.
inline constexpr int MaxSeconds = 600;
// The largest file read: MaxSeconds of 48 kHz 16-bit stereo, with room for
// the other chunks of its container.
inline constexpr qint64 MaxFileBytes = qint64(MaxSeconds) * 48000 * 4 + 1024 * 1024;
// What a header may say and still be taken as a recording.
inline constexpr int MaxChannels = 8;
inline constexpr int MinRate = 4000;
inline constexpr int MaxRate = 192000;

enum class Problem {
    None,
    Unreadable, // the file cannot be opened or read
    TooLarge,   // larger than MaxFileBytes; not read
    NotAudio,   // nothing libsndfile recognises
    BadHeader,  // no channels, too many, or an impossible rate
    TooLong,    // longer than MaxSeconds
    NoSamples,  // a header and nothing after it that could be read
};

// What the file itself holds.
struct Source {
    QString format;     // libsndfile's name of the container and codec
    int channels = 0;
    int sampleRate = 0;
    qint64 frames = 0;  // the frames that could be read
    // The file ends, or reading stopped at damage, before the end its
    // header gives: what could be read is there, and plays.
    bool partial = false;
};

// A card's reading in the output format.
struct Clip {
    Problem problem = Problem::None;
    QString reason; // what is wrong, for a person; empty when taken
    Source source;
    QByteArray pcm; // the samples in the output format

    bool ok() const { return problem == Problem::None; }
    qint64 frames() const { return pcm.size() / OutputBytesPerFrame; }
    qint64 durationUs() const { return frames() * 1000000 / OutputRate; }
};

// A recording as one channel of float samples (full scale ±1).
struct Mono {
    Problem problem = Problem::None;
    QString reason;
    Source source;
    int rate = 0;
    std::vector<float> samples;

    bool ok() const { return problem == Problem::None; }
};

// The file's bytes, as read from disk.
Clip decode(const QByteArray &file);
// Reads and decodes path; a file too large is refused before it is read.
Clip decodeFile(const QString &path);
// The recording mixed down to one channel and converted to rate.
Mono decodeMono(const QByteArray &file, int rate);

// Reads path whole, unless it is larger than MaxFileBytes or not a regular
// file. On failure the result is empty and *problem and *reason say why.
QByteArray readBounded(const QString &path, Problem *problem, QString *reason);

// Converts interleaved float frames from one rate to another with a sinc
// filter, so a recording made at a low rate gains no mirror images above
// its own band.
std::vector<float> resample(const std::vector<float> &frames, int channels, int fromRate, int toRate);

} // namespace audio
