// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Records what the null sink of scripts/with-null-sink.sh actually plays:
// its monitor source, through libpulse, in the process under test. Qt lists
// no monitor sources, so QAudioSource cannot be used for this.
//
// Every chunk is stamped with the monotonic clock (the clock QElapsedTimer
// and monotonicNs() read) when it reaches this process. The server hands
// the monitor over a quantum at a time, as the sink takes it; frame k is
// taken to have arrived at arrivalNs(k), on a line of slope 1/48000 s a
// frame through the chunk starts that came with the least waiting. What the
// sink took reaches the recorder a little later; how much later is measured,
// not assumed (bench/bench_onset's loopback).

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

struct pa_stream;
struct pa_threaded_mainloop;
struct pa_context;

namespace testing {

// CLOCK_MONOTONIC in nanoseconds.
qint64 monotonicNs();

class MonitorRecorder
{
public:
    static constexpr int Rate = 48000;

    MonitorRecorder();
    ~MonitorRecorder();

    // Starts recording source (the null sink's monitor unless named);
    // false with the reason when it cannot.
    bool start(QString *error, const QByteArray &source = QByteArray());
    void stop();

    // The left channel's frames since the last clear(), full scale 1.0;
    // the first of them is frame firstFrame().
    QList<float> samples() const;
    qint64 firstFrame() const;
    qint64 frames() const;
    // The earliest time (monotonicNs) frame k can have arrived.
    qint64 arrivalNs(qint64 frame) const;
    // The first frame at or after from whose magnitude reaches threshold;
    // -1 when none.
    qint64 firstAbove(float threshold, qint64 from = 0) const;
    // Throws away what was recorded so far (the frame count goes on).
    void clear();
    // When frame k was played, by the arrival of its own chunk: the sink
    // takes a quantum at a time and the monitor hands it over at once, so a
    // chunk arrives as its first frame starts to play, give or take the
    // server's scheduling; -1 for a frame not recorded yet. Unlike
    // arrivalNs(), it needs no straight line through the whole recording,
    // which a sink that runs late and catches up on a loaded machine bends.
    qint64 playedAtNs(qint64 frame) const;

private:
    static void onRead(pa_stream *stream, size_t bytes, void *self);
    static void onState(pa_stream *stream, void *self);
    static void onContext(pa_context *context, void *self);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;

    mutable QMutex m_mutex;
    QList<float> m_samples;
    qint64 m_dropped = 0;          // frames thrown away by clear()
    qint64 m_offsetNs = 0;         // arrival line: frame k arrives at m_offsetNs + k / Rate
    bool m_haveOffset = false;
    bool m_steady = false;         // the offset comes from after the first half second
    QList<std::pair<qint64, qint64>> m_chunks; // first frame, arrival (ns)
};

} // namespace testing
