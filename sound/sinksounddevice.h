// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The sound device the windows read cards with: decoded samples pushed into
// a QAudioSink, so a card is heard about 20 ms after it is announced.
//
// What makes it quick, and what it costs:
// - Each recording is decoded into memory before its reading (preload(), or
//   at play() on a worker thread when nobody said it was coming).
// - The audio stream is opened before the reading (openAhead()): opening
//   one blocks the calling thread for tens of milliseconds and it sounds
//   later than one already open. While the device is asked to stay ready,
//   a spare stream is opened in a step of its own right after each reading
//   starts, so that a reading cut off by a take can be followed at once by
//   the next card on a fresh stream. Each stream is opened on the output
//   that is the default at that moment, so a headset plugged in is used
//   from the next reading on.
// - At play() the first part of the samples is written at once; a timer
//   keeps the stream's queue filled. The reading has ended when the stream
//   reports every sample processed, not when the last one was written.
// - Stopping closes the stream, which silences it at once.
//
// With no sound output at all, a reading plays silently for as long as its
// recording lasts, and noSoundOutput() says so.
//
// Every reading carries a generation number; a notice is delivered only
// while its reading is still the open one.

#include "sound/clipcache.h"
#include "sound/sounddevice.h"

#include <QByteArray>
#include <QElapsedTimer>

class QAudioSink;
class QIODevice;
class QTimer;

class SinkSoundDevice : public SoundDevice
{
    Q_OBJECT

public:
    // The stream's buffer: short for a quick start, long enough to ride out
    // the scheduling of a busy machine.
    static constexpr int BufferMs = 50;
    // How far ahead of the server's read position the samples are written;
    // the feeding timer may be held up this long without a gap.
    static constexpr int LeadMs = 200;
    static constexpr int FeedIntervalMs = 10;
    // A stream that stops reporting progress is given up this long after
    // its reading should have ended, and the reading counts as played.
    static constexpr int StallGraceMs = 2000;
    // How long a closed stream's sink object is kept (see dropStream()).
    static constexpr int DeleteAfterMs = 2000;

    explicit SinkSoundDevice(QObject *parent = nullptr);
    ~SinkSoundDevice() override;

    void prepare() override;
    void play(const QString &wavFile) override;
    void stopAndClose() override;
    void close() override;
    void preload(const QString &wavFile) override;
    void openAhead() override;
    void releaseOutput() override;

    // How the open reading is played.
    enum class Route {
        None,     // nothing open, or waiting for its samples or its stream
        Stream,   // through the audio stream
        Silent,   // no output: a timer stands in for the sound
    };
    Route route() const { return m_route; }
    // A reading has been opened by play() and not closed yet.
    bool isOpen() const { return m_open; }
    // The open reading is still sounding (or, silently, still running).
    bool isPlaying() const;
    // A stream is open and waiting for the next reading.
    bool hasSpareStream() const { return m_spare.sink != nullptr; }

private:
    struct Stream {
        QAudioSink *sink = nullptr;
        QIODevice *io = nullptr;
        QByteArray deviceId;
    };
    // Opens a stream on the default output; an empty one when there is
    // none or it cannot be opened.
    Stream openStream();
    void dropStream(Stream &stream);
    // Starts the open reading from its decoded clip, on the spare stream
    // or, when opening is allowed here, on a new one.
    void begin(const ClipCache::ClipPtr &clip, bool mayOpen);
    void beginSilently(qint64 durationUs);
    void feed();
    void finishStream();
    // The device's own step: starts a reading that waited, keeps a spare
    // stream on the current default output while asked to.
    void step();
    void scheduleStep();
    void onClipReady(const QString &path);
    void tellNoOutput();

    ClipCache m_cache;
    QTimer *m_feedTimer;
    QTimer *m_stepTimer;
    QTimer *m_silentTimer;

    bool m_keepReady = false; // between openAhead() and releaseOutput()
    Stream m_spare;           // open, nothing written
    Stream m_playing;         // the open reading's
    ClipCache::ClipPtr m_clip;
    qint64 m_written = 0;     // bytes of m_clip written to m_playing
    QElapsedTimer m_started;  // since the reading's first samples were written

    QString m_file;
    Route m_route = Route::None;
    bool m_toldNoOutput = false;
};
