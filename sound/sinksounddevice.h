// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The sound device the windows read cards with: recordings decoded ahead
// with libsndfile and pushed into an audio stream that was opened before
// the reading, so a card is heard within about 20 ms of its announcement.
//
// The device itself lives on the user-interface thread and only passes
// commands on: its StreamPlayer, on the program's audio thread, does all
// the work with streams and files, and the notices come back from it as
// queued calls. A notice is delivered only while its reading is still the
// open one (each play() starts a new generation), never from inside an
// operation, done() once per reading.
//
// stopAndClose() is the one operation that waits: it returns once the
// audio thread has closed the reading's stream, so the reading is silent
// when the caller goes on. Everything else returns at once.

#include "sound/sounddevice.h"
#include "sound/streamplayer.h"

class SinkSoundDevice : public SoundDevice
{
    Q_OBJECT

public:
    using Route = StreamPlayer::Route;
    // stopAndClose() gives up waiting after this long (the audio thread
    // stuck inside the sound server's library); the stop still follows.
    static constexpr int StopWaitLimitMs = 1000;

    explicit SinkSoundDevice(QObject *parent = nullptr);
    ~SinkSoundDevice() override;

    void prepare() override;
    void play(const QString &wavFile) override;
    void stopAndClose() override;
    void close() override;
    void preload(const QString &wavFile) override;
    void openAhead() override;
    void releaseOutput() override;

    // How the open reading is played, as far as the audio thread has said.
    Route route() const { return m_open ? m_route : Route::None; }
    // A reading has been opened by play() and not closed yet.
    bool isOpen() const { return m_open; }
    // The open reading is sounding (or, silently, running) and has not ended.
    bool isPlaying() const { return route() != Route::None && !m_ended; }
    // A stream is open and waiting for the next reading.
    bool hasSpareStream() const { return m_keepReady && m_spare; }

private:
    // Runs f on the audio thread, after every command posted before it.
    template<typename F>
    void post(F f);
    void onStarted(quint64 generation, int route);
    void onEnded(quint64 generation, int code);

    StreamPlayer *m_player;
    Route m_route = Route::None;
    bool m_ended = false;   // the open reading's end has come back
    bool m_sounded = false; // readingStarted() sent for the open reading
    bool m_keepReady = false;
    bool m_spare = false;
    quint64 m_epoch = 0; // of the last openAhead() or releaseOutput()
    bool m_toldNoOutput = false;
};
