// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The sound device a window reads cards aloud with: one per window, one
// reading open at a time. Every caller drives it through these four
// operations; the real device plays through Qt Multimedia, and tests may
// wrap it to record what was asked of it.

#include <QObject>
#include <QString>

class SoundDevice : public QObject
{
    Q_OBJECT

public:
    // Notify codes, as the media control interface numbers them. Only a
    // reading that played to its end is Successful; anything else means it
    // did not.
    static constexpr int Successful = 1;
    static constexpr int Superseded = 2;
    static constexpr int Aborted = 4;
    static constexpr int Failure = 8;

    using QObject::QObject;

    // Sets the device up for wave audio, not shared, and makes sure nothing
    // is open. Commands: Close.
    virtual void prepare() = 0;
    // Opens wavFile (done when this returns) and starts playing it in the
    // background; done() follows once, when the reading has ended.
    // Commands: Open, Sound.
    virtual void play(const QString &wavFile) = 0;
    // Cuts a reading off at once and releases its file. Commands: Stop, Close.
    virtual void stopAndClose() = 0;
    // Releases the open file, if any. Commands: Close.
    virtual void close() = 0;

    // Hints, no commands of their own: a device may get ready for what the
    // caller knows is coming, or ignore them. None of them changes what the
    // four operations above do or when done() comes.
    //
    // wavFile will be played soon: read it now rather than at its play().
    virtual void preload(const QString &wavFile) { Q_UNUSED(wavFile); }
    // Readings follow from now on: have the audio output open before the
    // next play(), and again after every reading, until releaseOutput().
    virtual void openAhead() {}
    // No more readings for a while (the match or run is over, the window is
    // gone): an idle output would keep the sound server busy for nothing.
    virtual void releaseOutput() {}

Q_SIGNALS:
    // The reading started by the last play() has ended; notifyCode is
    // Successful only when it played to its end. Never emitted from inside
    // one of the operations above, and never for a reading that was stopped,
    // closed or replaced by another before its end was reported.
    void done(int notifyCode);
    // The reading started by the last play() has begun: its first samples
    // have been handed to the output, or, with no output, its silent stand-in
    // has started. From then on the listener hears it (within the output's
    // latency). Sent at most once a reading, queued like done() and never
    // from inside an operation, and only while that reading is still the
    // open one; a reading that cannot be played sends done() without it.
    void readingStarted();
    // There is no sound output (no sound server or no output device):
    // readings go on silently, each taking as long as its recording. Sent
    // once per device, never from inside an operation.
    void noSoundOutput();

protected:
    // The open reading, as a device that plays in the background keeps it:
    // each play() starts a new generation, and a notice meant for another
    // generation, or coming after the reading was closed, is dropped.
    quint64 m_generation = 0;
    bool m_open = false;
    bool m_reported = false;

    // Queues done(code) for the reading of that generation, at most once,
    // and delivers it from the event loop only if that reading is still the
    // open one by then: the receiver may well close this device or start the
    // next reading, which it must not do from inside an operation or a
    // stream's callback.
    void report(quint64 generation, int code)
    {
        if (generation != m_generation || !m_open || m_reported)
            return;
        m_reported = true;
        QMetaObject::invokeMethod(
            this,
            [this, generation, code] {
                if (generation == m_generation && m_open)
                    Q_EMIT done(code);
            },
            Qt::QueuedConnection);
    }

    // Queues readingStarted() for the reading of that generation, delivered
    // only if that reading is still the open one by then. Call it once a
    // reading, where the reading begins.
    void reportStarted(quint64 generation)
    {
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == m_generation && m_open)
                    Q_EMIT readingStarted();
            },
            Qt::QueuedConnection);
    }
};
