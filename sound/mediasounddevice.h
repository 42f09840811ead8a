// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The sink device's fallback: plays a wave file that SinkSoundDevice's
// reader does not take (compressed, say) with Qt Multimedia (a QMediaPlayer
// into a QAudioOutput, GStreamer underneath).
//
// Every reading gets a player of its own, so whatever the media framework
// still reports about an earlier file can never be mistaken for the reading
// now open. On top of that each reading carries a generation number; a
// notice is delivered only while its reading is still the open one.

#include "sound/sounddevice.h"

#include <QPointer>

class QAudioOutput;
class QMediaPlayer;

class MediaSoundDevice : public SoundDevice
{
    Q_OBJECT

public:
    explicit MediaSoundDevice(QObject *parent = nullptr);
    ~MediaSoundDevice() override;

    void prepare() override;
    void play(const QString &wavFile) override;
    void stopAndClose() override;
    void close() override;

    // A reading has been opened by play() and not closed yet (whether it is
    // still playing, has ended or could not be played).
    bool isOpen() const { return m_open; }
    // The open reading is still sounding.
    bool isPlaying() const;

private:
    QAudioOutput *output();
    void onMediaStatus(quint64 generation, int status);

    QAudioOutput *m_output = nullptr; // made on the first reading
    QPointer<QMediaPlayer> m_player;  // the open reading's player
};
