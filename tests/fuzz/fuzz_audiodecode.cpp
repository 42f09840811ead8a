// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Any bytes, as a card's recording: the decoder either takes them, giving
// whole frames in the output format no longer than the cap, or refuses them
// with a reason; never both, the same answer every time, and the same from
// memory and from disk.

#include "sound/audiodecode.h"
#include "tests/fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzing::ScratchFolder scratch;
    const QByteArray input = fuzzing::bytes(data, size);
    const audio::Clip clip = audio::decode(input);

    FUZZ_CHECK(clip.ok() == (clip.problem == audio::Problem::None));
    FUZZ_CHECK(clip.ok() == clip.reason.isEmpty());
    if (clip.ok()) {
        const audio::Source &s = clip.source;
        FUZZ_CHECK(s.channels >= 1 && s.channels <= audio::MaxChannels);
        FUZZ_CHECK(s.sampleRate >= audio::MinRate && s.sampleRate <= audio::MaxRate);
        FUZZ_CHECK(s.frames >= 1 && s.frames <= qint64(audio::MaxSeconds) * s.sampleRate);
        FUZZ_CHECK(clip.pcm.size() % audio::OutputBytesPerFrame == 0);
        // The rate conversion neither loses nor invents more than a few
        // frames of the filter's length.
        const qint64 expected = s.frames * audio::OutputRate / s.sampleRate;
        FUZZ_CHECK(qAbs(clip.frames() - expected) <= 64 + audio::OutputRate / s.sampleRate);
    } else {
        FUZZ_CHECK(clip.pcm.isEmpty());
    }

    const audio::Clip again = audio::decode(input);
    FUZZ_CHECK(again.problem == clip.problem && again.pcm == clip.pcm);
    const QString path = scratch.defaultCardFolder() + QStringLiteral("/karuon01.wav");
    fuzzing::writeFile(path, input);
    const audio::Clip fromDisk = audio::decodeFile(path);
    FUZZ_CHECK(fromDisk.problem == clip.problem && fromDisk.pcm == clip.pcm);
    return 0;
}
