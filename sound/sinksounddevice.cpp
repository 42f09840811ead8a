// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sound/sinksounddevice.h"

#include <QSemaphore>

#include <memory>

SinkSoundDevice::SinkSoundDevice(QObject *parent) : SoundDevice(parent)
{
    m_player = new StreamPlayer;
    m_player->moveToThread(StreamPlayer::audioThread());
    // Queued: the player emits on the audio thread.
    connect(m_player, &StreamPlayer::started, this, &SinkSoundDevice::onStarted);
    connect(m_player, &StreamPlayer::ended, this, &SinkSoundDevice::onEnded);
    connect(m_player, &StreamPlayer::spareChanged, this, [this](quint64 epoch, bool open) {
        if (epoch == m_epoch)
            m_spare = open;
    });
    connect(m_player, &StreamPlayer::outputMissing, this, [this] {
        if (m_toldNoOutput)
            return;
        m_toldNoOutput = true;
        Q_EMIT noSoundOutput();
    });
}

SinkSoundDevice::~SinkSoundDevice()
{
    disconnect(m_player, nullptr, this, nullptr);
    // Its streams close with it, on its own thread.
    m_player->deleteLater();
}

template<typename F>
void SinkSoundDevice::post(F f)
{
    QMetaObject::invokeMethod(m_player, std::move(f), Qt::QueuedConnection);
}

void SinkSoundDevice::prepare()
{
    close();
}

void SinkSoundDevice::preload(const QString &wavFile)
{
    post([player = m_player, wavFile] { player->preload(wavFile); });
}

void SinkSoundDevice::openAhead()
{
    m_keepReady = true;
    const quint64 epoch = ++m_epoch;
    post([player = m_player, epoch] { player->keepReady(epoch, true); });
}

void SinkSoundDevice::releaseOutput()
{
    m_keepReady = false;
    m_spare = false;
    const quint64 epoch = ++m_epoch;
    // A reading still playing keeps its stream to its end.
    post([player = m_player, epoch] { player->keepReady(epoch, false); });
}

void SinkSoundDevice::play(const QString &wavFile)
{
    // Two readings never overlap: one still open is released first, and
    // whatever it had yet to report is dropped with it. The player closes
    // it before it opens this one.
    close();
    ++m_generation;
    m_open = true;
    m_reported = false;
    m_ended = false;
    m_sounded = false;
    m_route = Route::None;
    const quint64 generation = m_generation;
    // The file is neither looked at nor read here: the card folder may be
    // slow, and this thread must not wait for it.
    post([player = m_player, generation, wavFile] { player->play(generation, wavFile); });
}

void SinkSoundDevice::onStarted(quint64 generation, int route)
{
    if (generation != m_generation || !m_open)
        return;
    m_route = Route(route);
    if (m_sounded)
        return;
    m_sounded = true;
    Q_EMIT readingStarted();
}

void SinkSoundDevice::onEnded(quint64 generation, int code)
{
    if (generation != m_generation || !m_open)
        return;
    m_ended = true;
    report(generation, code);
}

void SinkSoundDevice::stopAndClose()
{
    if (!m_open)
        return;
    // A reading that has ended is silent already; one that never sounded
    // has nothing to cut. Either closes without waiting.
    const bool mayBeSounding = !m_ended;
    m_open = false;
    ++m_generation;
    m_route = Route::None;
    if (!mayBeSounding) {
        post([player = m_player] { player->stop(); });
        return;
    }
    const auto stopped = std::make_shared<QSemaphore>();
    post([player = m_player, stopped] {
        player->stop();
        stopped->release();
    });
    if (!stopped->tryAcquire(1, StopWaitLimitMs))
        qWarning("the audio thread did not stop the reading within %d ms", StopWaitLimitMs);
}

void SinkSoundDevice::close()
{
    if (!m_open)
        return;
    m_open = false;
    ++m_generation;
    m_route = Route::None;
    post([player = m_player] { player->stop(); });
}
