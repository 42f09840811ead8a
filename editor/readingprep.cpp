// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/readingprep.h"

#include "sound/audiodecode.h"

#include <QtEndian>

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <numbers>
#include <vector>

namespace readingprep {

namespace {

// Silence is judged in steps of 10 ms.
constexpr int Step = Rate / 100;

double toDb(double linear)
{
    return linear > 0 ? 20 * std::log10(linear) : -HUGE_VAL;
}

float fromDb(double db)
{
    return float(std::pow(10.0, db / 20));
}

Reading refuse(Problem problem, const QString &reason)
{
    Reading r;
    r.problem = problem;
    r.reason = reason;
    return r;
}

QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 1);
}

struct Measure {
    double lufs = -HUGE_VAL;
    double peakDbtp = -HUGE_VAL;
};

// EBU R128 loudness and true peak. A clip shorter than one 400 ms gating
// block has no integrated loudness; its loudness over its whole length
// stands in.
Measure measure(const std::vector<float> &samples)
{
    Measure m;
    std::unique_ptr<ebur128_state, void (*)(ebur128_state *)> st(
        ebur128_init(1, Rate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK),
        [](ebur128_state *s) { ebur128_destroy(&s); });
    if (!st || samples.empty())
        return m;
    ebur128_add_frames_float(st.get(), samples.data(), samples.size());
    const unsigned long ms = static_cast<unsigned long>(samples.size() * 1000 / Rate);
    if (ms >= 400)
        ebur128_loudness_global(st.get(), &m.lufs);
    else
        ebur128_loudness_window(st.get(), std::max(ms, 1UL), &m.lufs);
    double peak = 0;
    ebur128_true_peak(st.get(), 0, &peak);
    m.peakDbtp = toDb(peak);
    return m;
}

// Removes the microphone's DC offset (a one-pole high-pass at 20 Hz), so
// that it counts neither as sound nor as headroom.
void removeOffset(std::vector<float> &s)
{
    const float r = float(1 - 2 * std::numbers::pi * 20 / Rate);
    float lastIn = 0, lastOut = 0;
    for (float &x : s) {
        const float y = x - lastIn + r * lastOut;
        lastIn = x;
        lastOut = y;
        x = y;
    }
}

struct Span {
    size_t begin = 0, end = 0; // samples
};

// The voice: from the first to the last 10 ms step loud enough to be more
// than the room. The threshold follows the take: 40 dB under its loudest
// step, or 10 dB over its noise floor when the room is loud, but never
// closer than 20 dB to the loudest, so a take that is voice from end to
// end loses nothing.
Span findVoice(const std::vector<float> &s, double *loudestDb)
{
    std::vector<double> levels;
    for (size_t at = 0; at < s.size(); at += Step) {
        const size_t end = std::min(s.size(), at + Step);
        double sum = 0;
        for (size_t i = at; i < end; ++i)
            sum += double(s[i]) * s[i];
        levels.push_back(10 * std::log10(sum / double(end - at) + 1e-20));
    }
    std::vector<double> sorted = levels;
    std::sort(sorted.begin(), sorted.end());
    const double loudest = sorted.back();
    const double floor = sorted[sorted.size() / 10];
    const double threshold = std::min(std::max({loudest - 40, floor + 10, SilenceDbfs - 10}), loudest - 20);
    *loudestDb = loudest;
    Span voice;
    const auto first = std::find_if(levels.begin(), levels.end(), [&](double l) { return l >= threshold; });
    const auto last = std::find_if(levels.rbegin(), levels.rend(), [&](double l) { return l >= threshold; });
    voice.begin = size_t(first - levels.begin()) * Step;
    voice.end = std::min(s.size(), size_t(levels.rend() - last) * Step);
    return voice;
}

// Short raised-cosine fades at both ends, so the cut makes no click.
void fadeEnds(std::vector<float> &s)
{
    const size_t n = std::min<size_t>(Rate / 200, s.size() / 2);
    for (size_t i = 0; i < n; ++i) {
        const float g = float(0.5 - 0.5 * std::cos(std::numbers::pi * double(i) / double(n)));
        s[i] *= g;
        s[s.size() - 1 - i] *= g;
    }
}

// A look-ahead peak limiter. The peak of each sample is taken on the
// signal oversampled four times, so that the peaks between samples that a
// player's converter makes are held too. The gain reaches what the peak
// needs by the time the peak comes (a minimum over the 5 ms ahead, then
// averaged over 5 ms), and returns over about 80 ms.
void limit(std::vector<float> &s, float ceiling)
{
    const std::vector<float> over = audio::resample(s, 1, Rate, 4 * Rate);
    const size_t n = s.size();
    std::vector<float> need(n, 1.0f);
    bool any = false;
    for (size_t i = 0; i < n; ++i) {
        float peak = std::abs(s[i]);
        for (size_t k = 4 * i; k < std::min(over.size(), 4 * i + 4); ++k)
            peak = std::max(peak, std::abs(over[k]));
        if (peak > ceiling) {
            need[i] = ceiling / peak;
            any = true;
        }
    }
    if (!any)
        return;
    constexpr size_t Ahead = Rate / 200;
    // ahead[i]: the least gain needed in [i, i + Ahead).
    std::vector<float> ahead(n);
    std::deque<size_t> window;
    for (size_t j = n; j-- > 0;) {
        while (!window.empty() && need[window.back()] >= need[j])
            window.pop_back();
        window.push_back(j);
        while (window.front() >= j + Ahead)
            window.pop_front();
        ahead[j] = need[window.front()];
    }
    const float release = float(1 - std::exp(-1.0 / (0.08 * Rate)));
    double sum = ahead[0] * double(Ahead);
    float gain = 1;
    for (size_t i = 0; i < n; ++i) {
        // The mean of ahead over [i - Ahead + 1, i]; before the start, the
        // first value stands in, which is no higher than any it averages.
        sum += ahead[i] - (i >= Ahead ? ahead[i - Ahead] : ahead[0]);
        const float smooth = float(sum / double(Ahead));
        gain = std::min(smooth, gain + (1 - gain) * release);
        s[i] *= gain;
    }
}

qint16 toPcm(float x)
{
    return qint16(std::lrint(std::clamp(x, -1.0f, 32767.0f / 32768) * 32768));
}

QByteArray wavFile(const std::vector<qint16> &pcm, int rate)
{
    const quint32 dataBytes = quint32(pcm.size() * 2);
    QByteArray out(44, '\0');
    char *h = out.data();
    auto put32 = [](char *at, quint32 v) { qToLittleEndian<quint32>(v, at); };
    auto put16 = [](char *at, quint16 v) { qToLittleEndian<quint16>(v, at); };
    std::copy_n("RIFF", 4, h);
    put32(h + 4, 36 + dataBytes);
    std::copy_n("WAVEfmt ", 8, h + 8);
    put32(h + 16, 16);
    put16(h + 20, 1); // PCM
    put16(h + 22, 1); // mono
    put32(h + 24, quint32(rate));
    put32(h + 28, quint32(rate) * 2);
    put16(h + 32, 2);
    put16(h + 34, 16);
    std::copy_n("data", 4, h + 36);
    put32(h + 40, dataBytes);
    out.reserve(44 + qsizetype(dataBytes));
    for (qint16 v : pcm) {
        char le[2];
        qToLittleEndian<qint16>(v, le);
        out.append(le, 2);
    }
    return out;
}

} // namespace

Reading prepare(std::span<const float> samples, int rate)
{
    if (rate < audio::MinRate || rate > audio::MaxRate)
        return refuse(Problem::NotAudio, QStringLiteral("サンプリング周波数 %1 Hz の録音は扱えません。").arg(rate));
    if (samples.empty())
        return refuse(Problem::NotAudio, QStringLiteral("録音が空です。"));
    if (samples.size() > size_t(audio::MaxSeconds) * size_t(rate))
        return refuse(Problem::TooLong, QStringLiteral("%1 秒を超える録音は扱えません。").arg(audio::MaxSeconds));

    std::vector<float> s(samples.begin(), samples.end());
    for (float &x : s)
        x = std::isfinite(x) ? std::clamp(x, -1.0f, 1.0f) : 0.0f;
    if (rate != Rate)
        s = audio::resample(s, 1, rate, Rate);
    if (s.empty())
        return refuse(Problem::NotAudio, QStringLiteral("録音を 48 kHz に変換できませんでした。"));
    removeOffset(s);

    double loudest = 0;
    const Span voice = findVoice(s, &loudest);
    if (loudest < SilenceDbfs)
        return refuse(Problem::Silent, QStringLiteral("声が入っていません（無音か雑音だけです）。"
                                                      "マイクの音量とつなぎ方を確かめて、もう一度録音してください。"));
    const double voiceSeconds = double(voice.end - voice.begin) / Rate;
    if (voiceSeconds < MinVoiceSeconds)
        return refuse(Problem::TooShort, QStringLiteral("音が短すぎます（%1 秒）。読みは %2 秒以上にしてください。")
                                             .arg(QString::number(voiceSeconds, 'f', 2))
                                             .arg(MinVoiceSeconds));
    const size_t begin = voice.begin > size_t(LeadSeconds * Rate) ? voice.begin - size_t(LeadSeconds * Rate) : 0;
    const size_t end = std::min(s.size(), voice.end + size_t(TailSeconds * Rate));
    if (double(end - begin) / Rate > MaxKeptSeconds)
        return refuse(Problem::TooLong, QStringLiteral("読みが長すぎます（前後の無音を除いて %1 秒）。%2 秒までにしてください。")
                                            .arg(secondsText(double(end - begin) / Rate))
                                            .arg(MaxKeptSeconds));
    std::vector<float> kept(s.begin() + qsizetype(begin), s.begin() + qsizetype(end));
    fadeEnds(kept);

    const Measure before = measure(kept);
    if (!std::isfinite(before.lufs))
        return refuse(Problem::Silent, QStringLiteral("声が入っていません（無音か雑音だけです）。"));
    double gainDb = TargetLufs - before.lufs;
    // Scaled, the loudness is on target and the peaks move with the gain;
    // most voices stay under the ceiling and need nothing more.
    Measure result{TargetLufs, before.peakDbtp + gainDb};
    std::vector<float> out = kept;
    for (float &x : out)
        x *= fromDb(gainDb);
    if (result.peakDbtp > CeilingDbtp - 0.3) {
        // Where the limiter takes much off (a clap, a plosive into the
        // microphone), the loudness falls under the target: the gain is
        // raised by what is missing and the take limited again.
        for (int pass = 0; pass < 3; ++pass) {
            if (pass > 0) {
                out = kept;
                for (float &x : out)
                    x *= fromDb(gainDb);
            }
            // The limiter aims a little under the ceiling: its peaks are
            // estimates, and the 16-bit rounding adds its own.
            limit(out, fromDb(CeilingDbtp - 0.3));
            result = measure(out);
            if (!std::isfinite(result.lufs) || std::abs(result.lufs - TargetLufs) < 0.1)
                break;
            gainDb += TargetLufs - result.lufs;
        }
        if (result.peakDbtp > CeilingDbtp - 0.1) {
            const double downDb = CeilingDbtp - 0.1 - result.peakDbtp;
            for (float &x : out)
                x *= fromDb(downDb);
            result.peakDbtp += downDb;
            result.lufs += downDb;
        }
    }

    std::vector<qint16> pcm(out.size());
    std::transform(out.begin(), out.end(), pcm.begin(), toPcm);
    Reading r;
    r.wav = wavFile(pcm, Rate);
    r.seconds = double(pcm.size()) / Rate;
    r.loudness = result.lufs;
    r.truePeak = result.peakDbtp;
    return r;
}

Reading prepareFile(const QByteArray &file)
{
    const audio::Mono mono = audio::decodeMono(file, Rate);
    if (!mono.ok())
        return refuse(Problem::NotAudio, QStringLiteral("音声ファイルとして読めませんでした（%1）。").arg(mono.reason));
    return prepare(mono.samples, mono.rate);
}

QByteArray monoWav(std::span<const float> samples, int rate)
{
    std::vector<qint16> pcm(samples.size());
    std::transform(samples.begin(), samples.end(), pcm.begin(), toPcm);
    return wavFile(pcm, rate);
}

} // namespace readingprep
