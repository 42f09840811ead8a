// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/monitorrecorder.h"

#include <pulse/pulseaudio.h>

#include <QMutexLocker>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace testing {

qint64 monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

MonitorRecorder::MonitorRecorder() = default;

MonitorRecorder::~MonitorRecorder()
{
    stop();
}

void MonitorRecorder::onContext(pa_context *, void *self)
{
    pa_threaded_mainloop_signal(static_cast<MonitorRecorder *>(self)->m_loop, 0);
}

void MonitorRecorder::onState(pa_stream *, void *self)
{
    pa_threaded_mainloop_signal(static_cast<MonitorRecorder *>(self)->m_loop, 0);
}

void MonitorRecorder::onRead(pa_stream *stream, size_t, void *self)
{
    auto *r = static_cast<MonitorRecorder *>(self);
    const qint64 now = monotonicNs();
    const void *data = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0) {
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
            return;
        const qsizetype n = qsizetype(bytes / sizeof(float) / 2);
        QMutexLocker lock(&r->m_mutex);
        if (data) {
            const auto *f = static_cast<const float *>(data);
            r->m_samples.reserve(r->m_samples.size() + n);
            for (qsizetype i = 0; i < n; ++i)
                r->m_samples.append(f[2 * i]);
        } else {
            // A hole: the server had nothing for this stretch.
            r->m_samples.append(QList<float>(n, 0.0f));
        }
        // The server hands over each quantum of the monitor as the sink
        // takes it, all its frames at once: the chunk's first frame is the
        // one that was at the sink when the chunk left. Frame k can have
        // arrived no earlier than now - (k - first) / Rate; the smallest such
        // offset over all chunks is the one with the least waiting in it.
        // The first half second is left out: a new stream is handed what
        // the server had buffered in a burst, faster than real time.
        const qint64 first = r->m_dropped + r->m_samples.size() - n;
        r->m_chunks.append({first, now});
        const qint64 offset = now - first * 1000000000 / Rate;
        const bool steady = first > Rate / 2;
        if (!r->m_haveOffset || (steady && !r->m_steady) || ((steady || !r->m_steady) && offset < r->m_offsetNs)) {
            r->m_offsetNs = offset;
            r->m_haveOffset = true;
            r->m_steady = steady;
        }
        lock.unlock();
        pa_stream_drop(stream);
    }
}

bool MonitorRecorder::start(QString *error, const QByteArray &source)
{
    const QByteArray sourceName = source.isEmpty() ? qgetenv("GINREI_NULL_SINK") + ".monitor" : source;
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        stop();
        return false;
    };
    m_loop = pa_threaded_mainloop_new();
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "ginrei monitor recorder");
    pa_context_set_state_callback(m_context, &MonitorRecorder::onContext, this);
    pa_threaded_mainloop_lock(m_loop);
    if (pa_threaded_mainloop_start(m_loop) < 0 || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
        pa_threaded_mainloop_unlock(m_loop);
        return fail(QStringLiteral("cannot reach the sound server"));
    }
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state)) {
            pa_threaded_mainloop_unlock(m_loop);
            return fail(QStringLiteral("no connection to the sound server"));
        }
        pa_threaded_mainloop_wait(m_loop);
    }
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, uint32_t(Rate), 2};
    m_stream = pa_stream_new(m_context, "monitor", &spec, nullptr);
    pa_stream_set_state_callback(m_stream, &MonitorRecorder::onState, this);
    pa_stream_set_read_callback(m_stream, &MonitorRecorder::onRead, this);
    // Fragments of a quantum's length (1024 frames at the server's
    // defaults): asking for less would make the whole graph run in smaller
    // quanta, and so change the very latency being measured.
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(-1);
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = 1024 * 2 * sizeof(float);
    if (pa_stream_connect_record(m_stream, sourceName.constData(), &attr, PA_STREAM_ADJUST_LATENCY) < 0) {
        pa_threaded_mainloop_unlock(m_loop);
        return fail(QStringLiteral("cannot record %1").arg(QString::fromUtf8(sourceName)));
    }
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        if (state == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(state)) {
            pa_threaded_mainloop_unlock(m_loop);
            return fail(QStringLiteral("cannot record %1").arg(QString::fromUtf8(sourceName)));
        }
        pa_threaded_mainloop_wait(m_loop);
    }
    pa_threaded_mainloop_unlock(m_loop);
    return true;
}

void MonitorRecorder::stop()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    if (m_stream) {
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

QList<float> MonitorRecorder::samples() const
{
    QMutexLocker lock(&m_mutex);
    return m_samples;
}

qint64 MonitorRecorder::firstFrame() const
{
    QMutexLocker lock(&m_mutex);
    return m_dropped;
}

qint64 MonitorRecorder::frames() const
{
    QMutexLocker lock(&m_mutex);
    return m_dropped + m_samples.size();
}

qint64 MonitorRecorder::arrivalNs(qint64 frame) const
{
    QMutexLocker lock(&m_mutex);
    return m_offsetNs + frame * 1000000000 / Rate;
}

qint64 MonitorRecorder::firstAbove(float threshold, qint64 from) const
{
    QMutexLocker lock(&m_mutex);
    for (qint64 k = qMax(from, m_dropped); k < m_dropped + m_samples.size(); ++k) {
        if (std::fabs(m_samples[k - m_dropped]) >= threshold)
            return k;
    }
    return -1;
}

qint64 MonitorRecorder::playedAtNs(qint64 frame) const
{
    QMutexLocker lock(&m_mutex);
    const auto after = std::upper_bound(m_chunks.cbegin(), m_chunks.cend(), frame,
                                        [](qint64 f, const std::pair<qint64, qint64> &chunk) { return f < chunk.first; });
    if (after == m_chunks.cbegin() || frame >= m_dropped + m_samples.size())
        return -1;
    const auto &[first, arrived] = *(after - 1);
    return arrived + (frame - first) * 1000000000 / Rate;
}

void MonitorRecorder::clear()
{
    QMutexLocker lock(&m_mutex);
    m_dropped += m_samples.size();
    m_samples.clear();
}

} // namespace testing
