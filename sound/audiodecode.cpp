// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sound/audiodecode.h"

#include <QFile>
#include <QtEndian>
#include <QFileInfo>

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace audio {

namespace {

// libsndfile reads the file's bytes from memory through these.
struct Memory {
    const char *data = nullptr;
    sf_count_t size = 0;
    sf_count_t at = 0;
};

sf_count_t memoryLength(void *user)
{
    return static_cast<Memory *>(user)->size;
}

sf_count_t memorySeek(sf_count_t offset, int whence, void *user)
{
    auto *m = static_cast<Memory *>(user);
    sf_count_t to = offset;
    if (whence == SEEK_CUR)
        to = m->at + offset;
    else if (whence == SEEK_END)
        to = m->size + offset;
    if (to < 0)
        return -1;
    m->at = std::min(to, m->size);
    return m->at;
}

sf_count_t memoryRead(void *into, sf_count_t count, void *user)
{
    auto *m = static_cast<Memory *>(user);
    const sf_count_t n = std::clamp<sf_count_t>(m->size - m->at, 0, std::max<sf_count_t>(count, 0));
    std::copy_n(m->data + m->at, n, static_cast<char *>(into));
    m->at += n;
    return n;
}

sf_count_t memoryWrite(const void *, sf_count_t, void *)
{
    return 0;
}

sf_count_t memoryTell(void *user)
{
    return static_cast<Memory *>(user)->at;
}

struct Refusal {
    Problem problem = Problem::None;
    QString reason;
};

QString formatName(SNDFILE *file, int format)
{
    auto name = [file](int value) {
        SF_FORMAT_INFO info{};
        info.format = value;
        if (sf_command(file, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name)
            return QString();
        return QString::fromUtf8(info.name);
    };
    const QString major = name(format & SF_FORMAT_TYPEMASK);
    const QString sub = name(format & SF_FORMAT_SUBMASK);
    return sub.isEmpty() ? major : major + QStringLiteral(", ") + sub;
}

// Whether a wave file's data chunk says it holds more than the file does.
// libsndfile reads such a file up to its end and says nothing, so its
// header is looked at here. A length of 0 or of all ones is what writers
// that stream leave, and says nothing about the end.
bool waveCutShort(const QByteArray &file)
{
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return false;
    for (qint64 at = 12; at + 8 <= file.size();) {
        const quint32 length = qFromLittleEndian<quint32>(file.constData() + at + 4);
        if (file.mid(at, 4) == "data")
            return length != 0 && length != 0xffffffffu && at + 8 + qint64(length) > file.size();
        at += 8 + qint64(length) + (length & 1);
    }
    return false;
}

// Converts the rate of a stream of interleaved float frames in pieces, so
// that neither the whole input nor a second copy of it need be held.
class Resampler
{
public:
    Resampler(int channels, int fromRate, int toRate)
        : m_channels(channels), m_ratio(double(toRate) / fromRate)
    {
        if (fromRate != toRate) {
            int error = 0;
            // The medium sinc keeps 90 % of the band with about 97 dB of
            // stop-band rejection, far past what a voice recording needs,
            // at a fraction of the best converter's cost.
            m_state.reset(src_new(SRC_SINC_MEDIUM_QUALITY, channels, &error));
        }
    }
    bool ok() const { return m_ratio == 1.0 || m_state != nullptr; }

    // Feeds frames (last: no more follow) and hands what comes out to sink.
    void push(const float *frames, long count, bool last, const std::function<void(const float *, long)> &sink)
    {
        if (!m_state) {
            if (count > 0)
                sink(frames, count);
            return;
        }
        const long room = long(std::ceil(count * m_ratio)) + 256;
        m_out.resize(size_t(room) * m_channels);
        // libsamplerate takes no null pointer, not even with nothing to read.
        static const float none = 0;
        SRC_DATA data{};
        data.src_ratio = m_ratio;
        data.data_in = count > 0 ? frames : &none;
        data.input_frames = count;
        data.data_out = m_out.data();
        data.output_frames = room;
        data.end_of_input = last ? 1 : 0;
        // The filter holds back a few frames at a time; at the end it is
        // drained until it gives nothing more.
        for (;;) {
            if (src_process(m_state.get(), &data) != 0)
                return;
            if (data.output_frames_gen > 0)
                sink(m_out.data(), data.output_frames_gen);
            data.data_in += data.input_frames_used * m_channels;
            data.input_frames -= data.input_frames_used;
            if (data.input_frames > 0)
                continue;
            if (!last || data.output_frames_gen == 0)
                return;
        }
    }

private:
    struct Free {
        void operator()(SRC_STATE *state) const { src_delete(state); }
    };
    int m_channels;
    double m_ratio;
    std::unique_ptr<SRC_STATE, Free> m_state;
    std::vector<float> m_out;
};

// Opens the bytes and reads every frame, mixed down to outChannels (1 or 2)
// as it goes, and hands each piece to sink. A source of more channels than
// outChannels is summed into them, clipped at full scale: a voice recorded
// on one channel of many keeps its level.
Refusal read(const QByteArray &file, int outChannels, Source &source,
             const std::function<void(const float *, long, bool)> &sink)
{
    if (file.isEmpty())
        return {Problem::NotAudio, QStringLiteral("an empty file")};
    if (file.size() > MaxFileBytes)
        return {Problem::TooLarge, QStringLiteral("%1 bytes, too large for a reading").arg(file.size())};

    Memory memory{file.constData(), sf_count_t(file.size()), 0};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    std::unique_ptr<SNDFILE, int (*)(SNDFILE *)> sf(sf_open_virtual(&io, SFM_READ, &info, &memory), sf_close);
    if (!sf)
        return {Problem::NotAudio, QStringLiteral("not a recording that can be read (%1)").arg(QString::fromUtf8(sf_strerror(nullptr)))};

    source.format = formatName(sf.get(), info.format);
    source.channels = info.channels;
    source.sampleRate = info.samplerate;
    if (info.channels < 1 || info.channels > MaxChannels)
        return {Problem::BadHeader, QStringLiteral("%1 channels; 1 to %2 are read").arg(info.channels).arg(MaxChannels)};
    if (info.samplerate < MinRate || info.samplerate > MaxRate)
        return {Problem::BadHeader, QStringLiteral("%1 Hz; %2 to %3 are read").arg(info.samplerate).arg(MinRate).arg(MaxRate)};
    const qint64 longest = qint64(MaxSeconds) * info.samplerate;
    // Some codecs can only estimate their length; what is read is checked
    // again below.
    if (info.frames > longest && info.frames != SF_COUNT_MAX)
        return {Problem::TooLong, QStringLiteral("longer than %1 s").arg(MaxSeconds)};

    constexpr int Block = 4096;
    std::vector<float> in(size_t(Block) * info.channels);
    std::vector<float> mixed(size_t(Block) * outChannels);
    qint64 total = 0;
    for (;;) {
        const sf_count_t n = sf_readf_float(sf.get(), in.data(), Block);
        if (n <= 0)
            break;
        if (total + n > longest)
            return {Problem::TooLong, QStringLiteral("longer than %1 s").arg(MaxSeconds)};
        total += n;
        for (sf_count_t f = 0; f < n; ++f) {
            const float *frame = in.data() + f * info.channels;
            float *out = mixed.data() + f * outChannels;
            if (info.channels == outChannels) {
                std::copy_n(frame, outChannels, out);
            } else if (info.channels == 2 && outChannels == 1) {
                out[0] = (frame[0] + frame[1]) / 2;
            } else if (info.channels == 1) {
                std::fill_n(out, outChannels, frame[0]);
            } else {
                // More channels than out: the first ones go to their own
                // side, every further one to all sides.
                for (int c = 0; c < outChannels; ++c)
                    out[c] = frame[c];
                for (int c = outChannels; c < info.channels; ++c)
                    for (int o = 0; o < outChannels; ++o)
                        out[o] += frame[c];
                for (int o = 0; o < outChannels; ++o)
                    out[o] = std::clamp(out[o], -1.0f, 1.0f);
            }
        }
        sink(mixed.data(), long(n), false);
    }
    source.frames = total;
    source.partial = sf_error(sf.get()) != SF_ERR_NO_ERROR || (info.frames != SF_COUNT_MAX && total < info.frames)
        || waveCutShort(file);
    if (total == 0)
        return {Problem::NoSamples, QStringLiteral("no samples could be read")};
    sink(nullptr, 0, true);
    return {};
}

qint16 toInt16(float v)
{
    return qint16(std::lrint(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
}

} // namespace

Clip decode(const QByteArray &file)
{
    Clip clip;
    // The rate is known only once the file is open; the resampler is made
    // at the first piece.
    std::unique_ptr<Resampler> resampler;
    auto append = [&clip](const float *frames, long count) {
        const qsizetype at = clip.pcm.size();
        clip.pcm.resize(at + qsizetype(count) * OutputBytesPerFrame);
        auto *out = reinterpret_cast<qint16 *>(clip.pcm.data() + at);
        for (long i = 0; i < count * OutputChannels; ++i)
            out[i] = toInt16(frames[i]);
    };
    const Refusal refusal = read(file, OutputChannels, clip.source, [&](const float *frames, long count, bool last) {
        if (!resampler)
            resampler = std::make_unique<Resampler>(OutputChannels, clip.source.sampleRate, OutputRate);
        resampler->push(frames, count, last, append);
    });
    if (refusal.problem == Problem::None && resampler && !resampler->ok()) {
        clip.problem = Problem::Unreadable;
        clip.reason = QStringLiteral("the rate could not be converted");
    } else if (refusal.problem != Problem::None) {
        clip.problem = refusal.problem;
        clip.reason = refusal.reason;
    }
    if (!clip.ok())
        clip.pcm.clear();
    clip.pcm.squeeze();
    return clip;
}

Clip decodeFile(const QString &path)
{
    Clip clip;
    const QByteArray bytes = readBounded(path, &clip.problem, &clip.reason);
    if (clip.problem != Problem::None)
        return clip;
    return decode(bytes);
}

Mono decodeMono(const QByteArray &file, int rate)
{
    Mono mono;
    mono.rate = rate;
    std::unique_ptr<Resampler> resampler;
    auto append = [&mono](const float *frames, long count) { mono.samples.insert(mono.samples.end(), frames, frames + count); };
    const Refusal refusal = read(file, 1, mono.source, [&](const float *frames, long count, bool last) {
        if (!resampler)
            resampler = std::make_unique<Resampler>(1, mono.source.sampleRate, rate);
        resampler->push(frames, count, last, append);
    });
    mono.problem = refusal.problem;
    mono.reason = refusal.reason;
    if (mono.ok() && resampler && !resampler->ok()) {
        mono.problem = Problem::Unreadable;
        mono.reason = QStringLiteral("the rate could not be converted");
    }
    if (!mono.ok())
        mono.samples.clear();
    return mono;
}

QByteArray readBounded(const QString &path, Problem *problem, QString *reason)
{
    *problem = Problem::None;
    reason->clear();
    // Only a regular file: opening a named pipe would wait for a writer for
    // ever, and a device node never ends.
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) {
        *problem = Problem::Unreadable;
        *reason = QStringLiteral("not a regular file");
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = Problem::Unreadable;
        *reason = file.errorString();
        return {};
    }
    if (file.size() > MaxFileBytes) {
        *problem = Problem::TooLarge;
        *reason = QStringLiteral("%1 bytes, too large for a reading").arg(file.size());
        return {};
    }
    // As much as its size says (QIODevice::read(n) would set aside n bytes,
    // whatever the file holds); then, should it have grown meanwhile, the
    // rest up to one byte past the cap.
    QByteArray bytes(file.size(), Qt::Uninitialized);
    bytes.truncate(qMax<qint64>(0, file.read(bytes.data(), bytes.size())));
    while (!file.atEnd() && file.error() == QFileDevice::NoError && bytes.size() <= MaxFileBytes) {
        const QByteArray more = file.read(qMin<qint64>(1024 * 1024, MaxFileBytes + 1 - bytes.size()));
        if (more.isEmpty())
            break;
        bytes += more;
    }
    if (file.error() != QFileDevice::NoError) {
        *problem = Problem::Unreadable;
        *reason = file.errorString();
        return {};
    }
    if (bytes.size() > MaxFileBytes) {
        *problem = Problem::TooLarge;
        *reason = QStringLiteral("more than %1 bytes, too large for a reading").arg(MaxFileBytes);
        return {};
    }
    return bytes;
}

std::vector<float> resample(const std::vector<float> &frames, int channels, int fromRate, int toRate)
{
    std::vector<float> out;
    if (channels < 1 || fromRate <= 0 || toRate <= 0)
        return out;
    Resampler resampler(channels, fromRate, toRate);
    if (!resampler.ok())
        return out;
    out.reserve(size_t(double(frames.size()) * toRate / fromRate) + 16 * channels);
    resampler.push(frames.data(), long(frames.size() / channels), true,
                   [&out, channels](const float *f, long n) { out.insert(out.end(), f, f + n * channels); });
    return out;
}

} // namespace audio
