// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the editor keeps of a reading: trimmed, at one loudness, under the
// ceiling, or refused with a reason.

#include "editor/readingprep.h"
#include "sound/audiodecode.h"
#include "tests/testsupport.h"

#include <QTest>

#include <ebur128.h>

#include <cmath>
#include <numbers>

namespace {

// Loudness (LUFS) and true peak (dBTP) of 48 kHz mono samples.
std::pair<double, double> loudness(const std::vector<float> &s)
{
    ebur128_state *st = ebur128_init(1, 48000, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_float(st, s.data(), s.size());
    double lufs = 0, peak = 0;
    ebur128_loudness_global(st, &lufs);
    ebur128_true_peak(st, 0, &peak);
    ebur128_destroy(&st);
    return {lufs, 20 * std::log10(peak)};
}

// silence, then a tone of amp for seconds (with a spike of 0.9 every 100 ms
// when spiky), then silence, with noise under it all.
QList<float> take(int rate, double seconds, float amp, bool spiky = false, float noise = 0, double after = 0.6)
{
    QList<float> s(qsizetype((0.5 + seconds + after) * rate));
    quint32 seed = 1;
    for (qsizetype i = 0; i < s.size(); ++i) {
        seed = seed * 1664525 + 1013904223;
        s[i] = noise * (float(seed >> 8) / float(1 << 24) - 0.5f);
        const double t = double(i) / rate - 0.5;
        if (t >= 0 && t < seconds)
            s[i] += amp * float(std::sin(2 * std::numbers::pi * 440 * t)) + (spiky && i % (rate / 10) == 0 ? 0.9f : 0);
    }
    return s;
}

} // namespace

class CardSetMediaTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readingIsMadeReady_data();
    void readingIsMadeReady();
};

void CardSetMediaTest::readingIsMadeReady_data()
{
    QTest::addColumn<QList<float>>("samples");
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<int>("problem");
    QTest::addColumn<double>("voice"); // seconds of sound in the take

    auto row = [](const char *name, QList<float> s, int rate, readingprep::Problem p, double voice, bool file = false) {
        QTest::newRow(name) << s << rate << file << int(p) << voice;
    };
    using P = readingprep::Problem;
    row("quiet tone in silence", take(48000, 1.0, 0.02f), 48000, P::None, 1.0);
    row("loud tone at 44.1 kHz, from a file", take(44100, 0.6, 0.9f), 44100, P::None, 0.6, true);
    row("clicks over a soft tone are limited", take(48000, 1.0, 0.05f, true), 48000, P::None, 1.0);
    row("tone in a noisy room", take(16000, 0.8, 0.3f, false, 0.003f), 16000, P::None, 0.8);
    row("silence", QList<float>(48000, 0.0f), 48000, P::Silent, 0);
    row("room noise only", take(48000, 0, 0, false, 0.004f), 48000, P::Silent, 0);
    row("a click", take(48000, 0.03, 0.5f), 48000, P::TooShort, 0);
    row("longer than 30 s", take(8000, 31, 0.3f), 8000, P::TooLong, 0);
    row("nothing", QList<float>(), 48000, P::NotAudio, 0);
}

void CardSetMediaTest::readingIsMadeReady()
{
    QFETCH(QList<float>, samples);
    QFETCH(int, rate);
    QFETCH(bool, fromFile);
    QFETCH(int, problem);
    QFETCH(double, voice);

    const readingprep::Reading r = fromFile ? readingprep::prepareFile(readingprep::monoWav(samples, rate))
                                            : readingprep::prepare(samples, rate);
    QCOMPARE(int(r.problem), problem);
    QCOMPARE(r.reason.isEmpty(), r.ok());
    if (!r.ok()) {
        QVERIFY(r.wav.isEmpty());
        return;
    }
    // A 16-bit mono 48 kHz WAV of the voice and its margins.
    const audio::Mono kept = audio::decodeMono(r.wav, 48000);
    QVERIFY(kept.ok() && kept.source.sampleRate == 48000 && kept.source.channels == 1);
    QVERIFY2(kept.source.format.contains(QLatin1String("16 bit PCM")), qPrintable(kept.source.format));
    const double seconds = double(kept.samples.size()) / 48000;
    const double expected = voice + readingprep::LeadSeconds + readingprep::TailSeconds;
    QVERIFY2(std::abs(seconds - expected) < 0.03, qPrintable(QString::number(seconds)));
    const auto [lufs, peak] = loudness(kept.samples);
    QVERIFY2(std::abs(lufs - readingprep::TargetLufs) < 0.5, qPrintable(QString::number(lufs)));
    QVERIFY2(peak <= readingprep::CeilingDbtp, qPrintable(QString::number(peak)));
}

GINREI_TEST_MAIN(CardSetMediaTest)
#include "tst_cardsetmedia.moc"
