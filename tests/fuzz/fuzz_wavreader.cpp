// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A WAV file of any length and content, as a card's recording: the reader
// either takes it, giving samples in the output format that are as long as
// the file says, or refuses it with a reason; never both, and the same
// answer every time, from memory and from disk. Bytes after a file it takes
// change nothing.

#include "sound/wavreader.h"
#include "tests/fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzing::ScratchFolder scratch;
    const QByteArray input = fuzzing::bytes(data, size);
    const wav::Clip clip = wav::decode(input);

    FUZZ_CHECK(clip.ok() == (clip.problem == wav::Problem::None));
    FUZZ_CHECK(clip.ok() == clip.reason.isEmpty());
    const bool riffWave = input.startsWith("RIFF") && input.mid(8, 4) == "WAVE";
    if (!riffWave && input.size() >= 12 && !input.startsWith("RIFX") && !input.startsWith("RF64"))
        FUZZ_CHECK(clip.problem == wav::Problem::NotWave && !clip.worthAnotherPlayer());

    if (clip.ok()) {
        const wav::Source &s = clip.source;
        FUZZ_CHECK(riffWave);
        FUZZ_CHECK(s.channels == 1 || s.channels == 2);
        FUZZ_CHECK(s.bits == 8 || s.bits == 16);
        FUZZ_CHECK(s.sampleRate >= 8000 && s.sampleRate <= 48000);
        FUZZ_CHECK(s.frames >= 1 && s.frames * s.channels * s.bits / 8 <= input.size() - 44);
        FUZZ_CHECK(clip.pcm.size() % wav::OutputBytesPerFrame == 0);
        FUZZ_CHECK(clip.frames() == (s.frames * wav::OutputRate + s.sampleRate - 1) / s.sampleRate);
        // Whatever follows the file's chunks is not read.
        const wav::Clip longer = wav::decode(input + QByteArray("data\xff\xff\xff\xff", 8));
        FUZZ_CHECK(longer.ok() && longer.pcm == clip.pcm);
    } else {
        FUZZ_CHECK(clip.pcm.isEmpty());
    }

    const wav::Clip again = wav::decode(input);
    FUZZ_CHECK(again.problem == clip.problem && again.pcm == clip.pcm);
    const QString path = scratch.defaultCardFolder() + QStringLiteral("/karuon01.wav");
    fuzzing::writeFile(path, input);
    const wav::Clip fromDisk = wav::decodeFile(path);
    FUZZ_CHECK(fromDisk.problem == clip.problem && fromDisk.pcm == clip.pcm);
    return 0;
}
