// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The half of SinkSoundDevice that plays. It lives on the program's audio
// thread, and it alone opens, starts, feeds and closes audio streams
// (QAudioSink), so that a stream's opening, which waits for the sound
// server for tens of milliseconds, never holds up the user-interface
// thread. Its device posts commands to it and hears back through its
// signals, each carrying the generation of the reading it is about.
//
// - Recordings are decoded ahead (preload(), or at play() when nobody said
//   the file was coming) by a ClipCache that lives here too; at play() the
//   file is read again and its content compared, so a recording replaced
//   since it was decoded plays as it is now.
// - While its device asks it to stay ready, a spare stream is kept open on
//   the output that is the default at the time; a reading starts on it at
//   once, and the next spare is opened right after. A spare that stopped or
//   reports an error (the sound server went away or restarted) is dropped
//   and reopened, on a timer and before a reading would use it.
// - The reading's samples are written ahead of the server's read position;
//   the reading has ended when the stream reports them all processed.
// - Stopping closes the stream, which silences it at once.
// - With no output, a reading plays silently for as long as its recording
//   lasts. So does the rest of a reading whose server went away mid-way,
//   from the last progress the stream reported.

#include "sound/clipcache.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

class QAudioSink;
class QIODevice;
class QThread;
class QTimer;

class StreamPlayer : public QObject
{
    Q_OBJECT

public:
    // How the open reading is played.
    enum class Route {
        None,   // nothing open, or waiting for its samples
        Stream, // through an audio stream
        Silent, // no output: a timer stands in for the sound
    };

    // The stream's buffer: the server plays a reading this much after its
    // samples are written. The samples themselves are written LeadMs ahead,
    // which rides out the audio thread's own waits (opening the next stream).
    static constexpr int BufferMs = 20;
    static constexpr int LeadMs = 200;
    static constexpr int FeedIntervalMs = 10;
    // A stream that stops reporting progress is given up this long after
    // its reading should have ended, and the reading counts as played.
    static constexpr int StallGraceMs = 2000;
    // How long a closed stream's sink object is kept (see dropStream()).
    static constexpr int DeleteAfterMs = 2000;
    // How often a spare stream is looked at while none is in use.
    static constexpr int CheckIntervalMs = 500;
    // An output that worked this recently is taken to be coming back (Qt
    // reconnects to a restarted server a few seconds later): readings go
    // silent meanwhile without a word to the user.
    static constexpr int OutputLossGraceMs = 10000;

    // The thread every stream of the program is played on, started on first
    // use and stopped when the application ends. Qt Multimedia keeps its
    // connection to the sound server on the thread that first asks it for a
    // device, and tells the streams there, before it lets go of its main
    // loop, that the server is gone; so that thread is this one, which the
    // first call waits for.
    static QThread *audioThread();

    StreamPlayer();
    ~StreamPlayer() override;

    // Commands, run on the audio thread. play() ends any reading still open.
    void play(quint64 generation, const QString &path);
    void stop();
    void preload(const QString &path);
    void keepReady(quint64 epoch, bool on);

Q_SIGNALS:
    // The reading's first samples are written to its stream, or its silent
    // stand-in has started (route: Route).
    void started(quint64 generation, int route);
    // The reading has ended, with SoundDevice's notify code.
    void ended(quint64 generation, int notifyCode);
    // The spare stream asked for under epoch is open, or not.
    void spareChanged(quint64 epoch, bool open);
    // A reading goes silent for want of an output (none was ever found, or
    // it has been gone for longer than OutputLossGraceMs).
    void outputMissing();

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
    static bool isAlive(const Stream &stream);
    void setSpare(Stream stream);
    void tryBegin();
    void begin(const ClipCache::ClipPtr &clip);
    void beginSilently(qint64 durationUs);
    void feed();
    void endReading();
    // Keeps a healthy spare on the current default output while asked to.
    void check();

    ClipCache *m_cache;
    QTimer *m_feedTimer;
    QTimer *m_stepTimer;
    QTimer *m_checkTimer;
    QTimer *m_silentTimer;

    bool m_keepReady = false;
    quint64 m_epoch = 0;
    Stream m_spare;   // open, nothing written
    Stream m_playing; // the open reading's

    quint64 m_generation = 0;
    QString m_path;
    bool m_waiting = false; // for the reading's samples
    Route m_route = Route::None;
    ClipCache::ClipPtr m_clip;
    qint64 m_written = 0;         // bytes of m_clip written to m_playing
    qint64 m_lastProcessedUs = 0; // the stream's last progress
    bool m_sounded = false;       // started() sent for this reading
    QElapsedTimer m_started;      // since the reading's first samples were written
    QElapsedTimer m_outputSeen;   // since a stream last worked
};
