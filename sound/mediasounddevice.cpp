// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sound/mediasounddevice.h"

#include <QAudioOutput>
#include <QFile>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

namespace {
// A wave recording: "RIFF" (or its big-endian and 64-bit forms), a length,
// "WAVE". Anything else would go to whichever demuxer claims it, and not
// every one of them reports back: a RIFF file of another type (an AVI)
// leaves every player after the first in the process loading for ever.
bool isWaveFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    const QByteArray riff = head.left(4);
    return head.size() == 12 && (riff == "RIFF" || riff == "RIFX" || riff == "RF64") && head.mid(8, 4) == "WAVE";
}
} // namespace

MediaSoundDevice::MediaSoundDevice(QObject *parent) : SoundDevice(parent)
{
}

MediaSoundDevice::~MediaSoundDevice()
{
    close();
}

QAudioOutput *MediaSoundDevice::output()
{
    // Made on first use: connecting to the audio server can take a moment,
    // and a window that never reads anything aloud should not pay for it.
    if (!m_output)
        m_output = new QAudioOutput(this);
    return m_output;
}

void MediaSoundDevice::prepare()
{
    close();
}

void MediaSoundDevice::play(const QString &wavFile)
{
    // Two readings never overlap: one still open is released first, and
    // whatever it had yet to report is dropped with it.
    close();
    ++m_generation;
    m_open = true;
    m_reported = false;
    const quint64 generation = m_generation;

    // A missing file, a folder, a device node or anything but a wave
    // recording would only make the media framework wait or complain; it is
    // a failed reading straight away.
    const QFileInfo info(wavFile);
    if (wavFile.isEmpty() || !info.isFile() || !info.isReadable() || !isWaveFile(wavFile)) {
        report(generation, Failure);
        return;
    }

    auto *player = new QMediaPlayer(this);
    player->setAudioOutput(output());
    connect(player, &QMediaPlayer::mediaStatusChanged, this,
            [this, generation](QMediaPlayer::MediaStatus status) { onMediaStatus(generation, status); });
    connect(player, &QMediaPlayer::errorOccurred, this,
            [this, generation](QMediaPlayer::Error error) {
                if (error != QMediaPlayer::NoError)
                    report(generation, Failure);
            });
    m_player = player;
    player->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    player->play();
}

void MediaSoundDevice::onMediaStatus(quint64 generation, int status)
{
    switch (status) {
    case QMediaPlayer::EndOfMedia:
        // A file with no sound in it (a picture by the wrong name, say) also
        // "ends"; only a reading that had audio played to its end.
        report(generation, m_player && m_player->hasAudio() ? Successful : Failure);
        break;
    case QMediaPlayer::InvalidMedia:
        report(generation, Failure);
        break;
    default:
        break;
    }
}

bool MediaSoundDevice::isPlaying() const
{
    return m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
}

void MediaSoundDevice::stopAndClose()
{
    if (m_player)
        m_player->stop();
    close();
}

void MediaSoundDevice::close()
{
    if (!m_open)
        return;
    m_open = false;
    ++m_generation;
    if (QMediaPlayer *player = m_player.data()) {
        m_player = nullptr;
        disconnect(player, nullptr, this, nullptr);
        // A reading that played to its end is silent already: its pipeline
        // is torn down later, so that closing it right after its notice
        // costs the caller nothing (the next reading's timer starts then).
        if (player->mediaStatus() != QMediaPlayer::EndOfMedia) {
            player->stop();
            player->setAudioOutput(nullptr);
        }
        // Later, not now: close() may be called from a slot the player's own
        // signal is still running.
        player->deleteLater();
    }
}
