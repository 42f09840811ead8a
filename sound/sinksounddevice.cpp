// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sound/sinksounddevice.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaDevices>
#include <QTimer>

namespace {
constexpr qint64 bytesForMs(int ms)
{
    return qint64(audio::OutputRate) * audio::OutputBytesPerFrame * ms / 1000;
}

qint64 usForBytes(qint64 bytes)
{
    return bytes / audio::OutputBytesPerFrame * 1000000 / audio::OutputRate;
}

qint64 bytesForUs(qint64 us)
{
    return us * audio::OutputRate / 1000000 * audio::OutputBytesPerFrame;
}
} // namespace

SinkSoundDevice::SinkSoundDevice(QObject *parent) : SoundDevice(parent)
{
    m_feedTimer = new QTimer(this);
    m_feedTimer->setTimerType(Qt::PreciseTimer);
    m_feedTimer->setInterval(FeedIntervalMs);
    connect(m_feedTimer, &QTimer::timeout, this, &SinkSoundDevice::feed);

    m_stepTimer = new QTimer(this);
    m_stepTimer->setSingleShot(true);
    m_stepTimer->setInterval(0);
    connect(m_stepTimer, &QTimer::timeout, this, &SinkSoundDevice::step);

    m_silentTimer = new QTimer(this);
    m_silentTimer->setTimerType(Qt::PreciseTimer);
    m_silentTimer->setSingleShot(true);
    connect(m_silentTimer, &QTimer::timeout, this, [this] { report(m_generation, Successful); });

    connect(&m_cache, &ClipCache::ready, this, &SinkSoundDevice::onClipReady);
}

SinkSoundDevice::~SinkSoundDevice()
{
    close();
    dropStream(m_spare);
}

void SinkSoundDevice::prepare()
{
    close();
}

void SinkSoundDevice::preload(const QString &wavFile)
{
    if (!wavFile.isEmpty())
        m_cache.request(QFileInfo(wavFile).absoluteFilePath());
}

void SinkSoundDevice::openAhead()
{
    m_keepReady = true;
    scheduleStep();
}

void SinkSoundDevice::releaseOutput()
{
    m_keepReady = false;
    dropStream(m_spare);
    // A reading still playing keeps its stream to its end.
}

void SinkSoundDevice::play(const QString &wavFile)
{
    // Two readings never overlap: one still open is released first, and
    // whatever it had yet to report is dropped with it.
    close();
    ++m_generation;
    m_open = true;
    m_reported = false;
    m_route = Route::None;
    m_file = wavFile.isEmpty() ? QString() : QFileInfo(wavFile).absoluteFilePath();

    if (m_file.isEmpty() || !QFileInfo(m_file).isFile()) {
        report(m_generation, Failure);
        return;
    }
    if (const ClipCache::ClipPtr clip = m_cache.find(m_file)) {
        // The quick path: decoded ahead, and a stream open.
        begin(clip, false);
        return;
    }
    // Decoded on the worker; the reading starts when it comes back.
    m_cache.request(m_file);
}

void SinkSoundDevice::onClipReady(const QString &path)
{
    if (m_open && m_route == Route::None && path == m_file)
        scheduleStep();
}

void SinkSoundDevice::begin(const ClipCache::ClipPtr &clip, bool mayOpen)
{
    if (!clip->ok()) {
        report(m_generation, Failure);
        return;
    }
    if (!m_spare.sink && mayOpen)
        m_spare = openStream();
    if (!m_spare.sink) {
        if (!mayOpen) {
            // Not here: opening blocks, and play() returns at once.
            scheduleStep();
            return;
        }
        beginSilently(clip->durationUs());
        return;
    }

    m_clip = clip;
    m_playing = m_spare;
    m_spare = {};
    m_written = 0;
    m_route = Route::Stream;
    m_started.start();
    feed();
    m_feedTimer->start();
    // The next reading's stream, in a step of its own after this call.
    if (m_keepReady)
        scheduleStep();
}

void SinkSoundDevice::beginSilently(qint64 durationUs)
{
    m_route = Route::Silent;
    m_silentTimer->start(int((durationUs + 999) / 1000));
    tellNoOutput();
}

SinkSoundDevice::Stream SinkSoundDevice::openStream()
{
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull())
        return {};
    QAudioFormat format;
    format.setSampleRate(audio::OutputRate);
    format.setChannelCount(audio::OutputChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    Stream stream;
    // No parent: Qt hands it to the platform's sink object too, and that one
    // must not go down with this device (see dropStream()).
    stream.sink = new QAudioSink(output, format);
    // Every time, before start(): Qt would otherwise ask for what the
    // server granted the last stream, and PipeWire grants a little less
    // each time until a stream is too short to sound.
    stream.sink->setBufferSize(bytesForMs(BufferMs));
    stream.io = stream.sink->start();
    stream.deviceId = output.id();
    if (!stream.io || stream.sink->error() != QAudio::NoError) {
        dropStream(stream);
        return {};
    }
    return stream;
}

void SinkSoundDevice::dropStream(Stream &stream)
{
    if (!stream.sink)
        return;
    // Stopping closes the server's stream: what it still held is not played.
    stream.sink->stop();
    // Deleted a while later, from the event loop, and not with this device:
    // its destructor lets pending events run, which must never happen in
    // the middle of a caller's step or of a window being destroyed; and a
    // stream that ran dry asked the server to drain it, whose answer comes
    // back to the sink object on the server's thread, possibly after the
    // stop. Should the program end first, the application takes it down.
    stream.sink->setParent(QCoreApplication::instance());
    QTimer::singleShot(DeleteAfterMs, stream.sink, &QObject::deleteLater);
    stream = {};
}

void SinkSoundDevice::feed()
{
    if (!m_playing.sink || !m_clip)
        return;
    QAudioSink *sink = m_playing.sink;
    if (sink->state() == QAudio::StoppedState && sink->error() != QAudio::NoError) {
        // The sound server went away mid-reading: the rest is silent.
        const qint64 left = m_clip->durationUs() - sink->processedUSecs();
        finishStream();
        beginSilently(qMax<qint64>(0, left));
        return;
    }
    const qint64 processedUs = sink->processedUSecs();
    const qint64 total = m_clip->pcm.size();
    const qint64 ahead = bytesForMs(LeadMs) - (m_written - bytesForUs(processedUs));
    if (m_written < total && ahead > 0) {
        const qint64 n = qMin(total - m_written, ahead);
        const qint64 w = m_playing.io->write(m_clip->pcm.constData() + m_written, n);
        if (w > 0)
            m_written += w;
    }
    const bool allPlayed = m_written == total && processedUs >= usForBytes(total);
    const bool stalled = m_started.elapsed() > m_clip->durationUs() / 1000 + StallGraceMs;
    if (allPlayed || stalled) {
        finishStream();
        report(m_generation, Successful);
        scheduleStep();
    }
}

void SinkSoundDevice::finishStream()
{
    m_feedTimer->stop();
    dropStream(m_playing);
}

bool SinkSoundDevice::isPlaying() const
{
    switch (m_route) {
    case Route::Stream:
        return m_playing.sink != nullptr;
    case Route::Silent:
        return m_silentTimer->isActive();
    case Route::None:
        break;
    }
    return false;
}

void SinkSoundDevice::stopAndClose()
{
    close();
}

void SinkSoundDevice::close()
{
    if (!m_open)
        return;
    m_open = false;
    ++m_generation;
    finishStream();
    m_silentTimer->stop();
    m_route = Route::None;
    m_clip.reset();
    if (m_keepReady)
        scheduleStep();
}

void SinkSoundDevice::scheduleStep()
{
    if (!m_stepTimer->isActive())
        m_stepTimer->start();
}

void SinkSoundDevice::step()
{
    // A reading waiting for its samples or for a stream.
    if (m_open && m_route == Route::None) {
        const ClipCache::ClipPtr clip = m_cache.find(m_file);
        if (clip) {
            begin(clip, true);
            // The spare, if one is wanted, in the next step: the reading
            // has just been written to and should not wait for it.
            if (m_route == Route::Stream)
                return;
        } else if (!m_cache.pending(m_file)) {
            // Changed on disk since it was asked for: read it again.
            m_cache.request(m_file);
        }
    }
    if (!m_keepReady)
        return;
    // The spare follows the default output: one opened before a headset
    // was plugged in is replaced while no reading needs it.
    if (m_spare.sink && m_spare.deviceId != QMediaDevices::defaultAudioOutput().id())
        dropStream(m_spare);
    if (!m_spare.sink) {
        m_spare = openStream();
        if (!m_spare.sink)
            tellNoOutput();
    }
}

void SinkSoundDevice::tellNoOutput()
{
    if (m_toldNoOutput)
        return;
    m_toldNoOutput = true;
    QMetaObject::invokeMethod(this, &SoundDevice::noSoundOutput, Qt::QueuedConnection);
}

