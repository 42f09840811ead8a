// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sound/streamplayer.h"

#include "sound/sounddevice.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSemaphore>
#include <QThread>
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

QThread *g_audioThread = nullptr;
// Lives on the audio thread: closed sinks wait here to be deleted, and go
// with it when the thread ends.
QObject *g_closedSinks = nullptr;

void stopAudioThread()
{
    g_audioThread->quit();
    g_audioThread->wait();
    delete g_audioThread;
    g_audioThread = nullptr;
}
} // namespace

QThread *StreamPlayer::audioThread()
{
    static QThread *const thread = [] {
        auto *t = new QThread;
        t->setObjectName(QStringLiteral("audio"));
        g_audioThread = t;
        g_closedSinks = new QObject;
        g_closedSinks->moveToThread(t);
        QObject::connect(t, &QThread::finished, g_closedSinks, [] { delete g_closedSinks; }, Qt::DirectConnection);
        t->start(QThread::TimeCriticalPriority);
        QSemaphore connected;
        QMetaObject::invokeMethod(
            g_closedSinks,
            [&connected] {
                QMediaDevices::defaultAudioOutput();
                connected.release();
            },
            Qt::QueuedConnection);
        connected.acquire();
        qAddPostRoutine(&stopAudioThread);
        return t;
    }();
    return thread;
}

StreamPlayer::StreamPlayer()
{
    m_cache = new ClipCache(this);
    connect(m_cache, &ClipCache::ready, this, [this](const QString &path) {
        if (m_waiting && path == m_path)
            tryBegin();
    });

    m_feedTimer = new QTimer(this);
    m_feedTimer->setTimerType(Qt::PreciseTimer);
    m_feedTimer->setInterval(FeedIntervalMs);
    connect(m_feedTimer, &QTimer::timeout, this, &StreamPlayer::feed);

    m_stepTimer = new QTimer(this);
    m_stepTimer->setSingleShot(true);
    m_stepTimer->setInterval(0);
    connect(m_stepTimer, &QTimer::timeout, this, &StreamPlayer::check);

    m_checkTimer = new QTimer(this);
    m_checkTimer->setInterval(CheckIntervalMs);
    connect(m_checkTimer, &QTimer::timeout, this, &StreamPlayer::check);

    m_silentTimer = new QTimer(this);
    m_silentTimer->setTimerType(Qt::PreciseTimer);
    m_silentTimer->setSingleShot(true);
    connect(m_silentTimer, &QTimer::timeout, this, [this] {
        m_route = Route::None;
        Q_EMIT ended(m_generation, SoundDevice::Successful);
    });
}

StreamPlayer::~StreamPlayer()
{
    endReading();
    dropStream(m_spare);
}

void StreamPlayer::preload(const QString &path)
{
    if (!path.isEmpty())
        m_cache->request(QFileInfo(path).absoluteFilePath());
}

void StreamPlayer::keepReady(quint64 epoch, bool on)
{
    m_epoch = epoch;
    m_keepReady = on;
    if (on) {
        m_checkTimer->start();
        m_stepTimer->start();
    } else {
        m_checkTimer->stop();
        dropStream(m_spare);
    }
    Q_EMIT spareChanged(m_epoch, m_spare.sink != nullptr);
}

void StreamPlayer::play(quint64 generation, const QString &path)
{
    // Two readings never overlap: one still open is released first.
    endReading();
    m_generation = generation;
    m_path = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (m_path.isEmpty()) {
        Q_EMIT ended(generation, SoundDevice::Failure);
        return;
    }
    m_waiting = true;
    tryBegin();
}

void StreamPlayer::tryBegin()
{
    // Null while it is being decoded; the cache's ready() brings this back.
    const ClipCache::ClipPtr clip = m_cache->take(m_path);
    if (!clip)
        return;
    m_waiting = false;
    if (!clip->ok()) {
        Q_EMIT ended(m_generation, SoundDevice::Failure);
        return;
    }
    begin(clip);
}

void StreamPlayer::begin(const ClipCache::ClipPtr &clip)
{
    if (m_spare.sink && !isAlive(m_spare))
        setSpare({});
    if (!m_spare.sink)
        setSpare(openStream());
    if (!m_spare.sink) {
        beginSilently(clip->durationUs());
        return;
    }
    m_playing = m_spare;
    m_spare = {};
    Q_EMIT spareChanged(m_epoch, false);
    m_clip = clip;
    m_written = 0;
    m_lastProcessedUs = 0;
    m_sounded = false;
    m_route = Route::Stream;
    m_started.start();
    feed();
    if (m_route == Route::Stream)
        m_feedTimer->start();
    // The next reading's stream, in a step of its own once this one has
    // its first samples.
    if (m_keepReady)
        m_stepTimer->start();
}

void StreamPlayer::beginSilently(qint64 durationUs)
{
    m_route = Route::Silent;
    m_silentTimer->start(int((durationUs + 999) / 1000));
    Q_EMIT started(m_generation, int(Route::Silent));
    if (!m_outputSeen.isValid() || m_outputSeen.elapsed() > OutputLossGraceMs)
        Q_EMIT outputMissing();
}

StreamPlayer::Stream StreamPlayer::openStream()
{
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull())
        return {};
    QAudioFormat format;
    format.setSampleRate(audio::OutputRate);
    format.setChannelCount(audio::OutputChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    Stream stream;
    // No parent: Qt hands the parent to the platform's sink object too, and
    // that one must not go down with this player (see dropStream()).
    stream.sink = new QAudioSink(output, format);
    // Every time, before start(): Qt would otherwise ask for what the
    // server granted the last stream, and PipeWire grants a little less
    // each time until a stream is too short to sound.
    stream.sink->setBufferSize(bytesForMs(BufferMs));
    stream.io = stream.sink->start();
    stream.deviceId = output.id();
    if (!stream.io || !isAlive(stream)) {
        dropStream(stream);
        return {};
    }
    m_outputSeen.start();
    return stream;
}

bool StreamPlayer::isAlive(const Stream &stream)
{
    const QAudioSink *sink = stream.sink;
    if (!sink || sink->state() == QAudio::StoppedState)
        return false;
    switch (sink->error()) {
    case QAudio::OpenError:
    case QAudio::IOError:
    case QAudio::FatalError:
        return false;
    case QAudio::NoError:
    case QAudio::UnderrunError: // an idle stream, waiting for samples
        break;
    }
    // The server's stream may have failed before Qt has heard of it; then
    // it has no room at all, and writing to it would go wrong.
    return sink->bytesFree() >= 0;
}

void StreamPlayer::setSpare(Stream stream)
{
    const bool was = m_spare.sink != nullptr;
    dropStream(m_spare);
    m_spare = stream;
    if (was || m_spare.sink)
        Q_EMIT spareChanged(m_epoch, m_spare.sink != nullptr);
}

void StreamPlayer::dropStream(Stream &stream)
{
    if (!stream.sink)
        return;
    // Stopping closes the server's stream: what it still held is not played.
    stream.sink->stop();
    // Deleted a while later, from this thread's event loop: its destructor
    // lets pending events run, which must not happen in the middle of a
    // step; and a stream that ran dry asked the server to drain it, whose
    // answer comes back to the sink object on the server's thread, possibly
    // after the stop. Should the program end first, the thread's end takes
    // it down.
    stream.sink->setParent(g_closedSinks);
    QTimer::singleShot(DeleteAfterMs, stream.sink, &QObject::deleteLater);
    stream = {};
}

void StreamPlayer::feed()
{
    if (m_route != Route::Stream || !m_playing.sink || !m_clip)
        return;
    if (!isAlive(m_playing)) {
        // The sound server went away mid-reading: the rest is silent. Qt
        // reports no progress once it has closed the stream, so the rest is
        // counted from the last progress seen.
        const qint64 left = m_clip->durationUs() - m_lastProcessedUs;
        m_feedTimer->stop();
        dropStream(m_playing);
        m_clip.reset();
        beginSilently(qMax<qint64>(0, left));
        return;
    }
    m_outputSeen.start();
    QAudioSink *sink = m_playing.sink;
    const qint64 processedUs = sink->processedUSecs();
    m_lastProcessedUs = qMax(m_lastProcessedUs, processedUs);
    const qint64 total = m_clip->pcm.size();
    const qint64 ahead = bytesForMs(LeadMs) - (m_written - bytesForUs(processedUs));
    if (m_written < total && ahead > 0) {
        const qint64 n = qMin(total - m_written, ahead);
        const qint64 w = m_playing.io->write(m_clip->pcm.constData() + m_written, n);
        if (w > 0)
            m_written += w;
    }
    if (m_written > 0 && !m_sounded) {
        m_sounded = true;
        Q_EMIT started(m_generation, int(Route::Stream));
    }
    const bool allPlayed = m_written == total && processedUs >= usForBytes(total);
    const bool stalled = m_started.elapsed() > m_clip->durationUs() / 1000 + StallGraceMs;
    if (allPlayed || stalled) {
        endReading();
        Q_EMIT ended(m_generation, SoundDevice::Successful);
    }
}

void StreamPlayer::stop()
{
    endReading();
    if (m_keepReady)
        m_stepTimer->start();
}

void StreamPlayer::endReading()
{
    m_feedTimer->stop();
    dropStream(m_playing);
    m_silentTimer->stop();
    m_clip.reset();
    m_route = Route::None;
    m_waiting = false;
}

void StreamPlayer::check()
{
    if (!m_keepReady)
        return;
    // The spare follows the default output, and the server: one opened
    // before a headset was plugged in, or on a server that has since gone,
    // is replaced while no reading needs it.
    if (m_spare.sink && (!isAlive(m_spare) || m_spare.deviceId != QMediaDevices::defaultAudioOutput().id()))
        setSpare({});
    if (!m_spare.sink)
        setSpare(openStream());
}
