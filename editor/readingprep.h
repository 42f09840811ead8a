// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A card's reading made ready to keep, from a microphone take or a sound
// file the user picked: the silence before and after the voice is cut off
// (a short margin stays, so no syllable loses its start), the loudness is
// brought to one target for every card, peaks are held under full scale,
// and the result is the bytes of a 16-bit PCM mono 48 kHz WAV file,
// named and written by the caller (karuonNN.wav).
//
// The target is -18 LUFS (EBU R128 integrated loudness), the reference
// level of ReplayGain 2:
//  - the shipped readings measure -14 to -18 LUFS, so a card recorded by the
//    user sits among them without the player reaching for the volume;
//  - speech peaks lie 12 to 17 dB above its loudness, so at -18 LUFS they
//    stay under the -1 dBTP ceiling and the limiter rarely acts; at the
//    louder -14 LUFS of music streaming it would flatten many syllables;
//  - the quieter -23 LUFS of broadcast leaves a laptop's speaker too soft.
// Cards recorded on different days, near or far from the microphone, then
// sound equally loud in a match.
//
// A take that holds no voice (only silence or the room's hum), a voice too
// short to be a reading (a click, a knock), or more than MaxKeptSeconds of
// it is refused with a reason for the user.
//
// Pure functions of their input, safe on a worker thread; a 2 s take is
// ready in about 15 ms (bench/bench_cardsetmedia).

#include <QByteArray>
#include <QString>

#include <span>

namespace readingprep {

// The kept file: 16-bit PCM, one channel, 48 kHz.
inline constexpr int Rate = 48000;
// Integrated loudness of every kept reading (see above).
inline constexpr double TargetLufs = -18.0;
// True peaks (between samples too) stay at or under this.
inline constexpr double CeilingDbtp = -1.0;
// Kept before the first and after the last sound: the onset of a soft
// consonant, and the fall of the last vowel.
inline constexpr double LeadSeconds = 0.08;
inline constexpr double TailSeconds = 0.15;
// The loudest 10 ms of a take must reach this to hold a voice at all.
inline constexpr double SilenceDbfs = -50.0;
// The voice must last this long (a one-kana reading is about 0.3 s).
inline constexpr double MinVoiceSeconds = 0.1;
// The longest reading kept, margins included: the recording window's cap.
inline constexpr double MaxKeptSeconds = 30.0;

enum class Problem {
    None,
    NotAudio, // a file the decoder refused, or no samples / a bad rate
    Silent,   // nothing louder than the silence threshold
    TooShort, // the voice lasts less than MinVoiceSeconds
    TooLong,  // more than MaxKeptSeconds once trimmed
};

struct Reading {
    Problem problem = Problem::None;
    QString reason;   // for the user, in Japanese; empty when kept
    QByteArray wav;   // the whole WAV file; empty when refused
    double seconds = 0;  // length kept
    double loudness = 0; // LUFS of what is kept
    double truePeak = 0; // dBTP of what is kept

    bool ok() const { return problem == Problem::None; }
};

// samples: one channel, full scale ±1, at rate Hz (4 to 192 kHz).
Reading prepare(std::span<const float> samples, int rate);
// A sound file's bytes in any form the decoder reads (sound/audiodecode.h),
// mixed down to one channel.
Reading prepareFile(const QByteArray &file);

// The samples as they are, as a 16-bit PCM mono WAV file at rate Hz: a take
// to listen to before it is kept.
QByteArray monoWav(std::span<const float> samples, int rate);

} // namespace readingprep
