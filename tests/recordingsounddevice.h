// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A sound device for tests: writes down the media control commands each
// operation stands for ("Open <file>", "Sound", "Stop", "Close"), and the
// hints apart from them ("preload <file>", "openAhead", "releaseOutput"),
// and either passes everything on to a real device or lets the test send
// readingStarted() and done().

#include "sound/sounddevice.h"

#include <QPointer>
#include <QStringList>

namespace testing {

class RecordingSoundDevice : public SoundDevice
{
    Q_OBJECT

public:
    // With a forward device, every operation also goes to it and its
    // notices come out of this one; it becomes this device's child.
    explicit RecordingSoundDevice(QObject *parent = nullptr, SoundDevice *forward = nullptr);

    void prepare() override;
    void play(const QString &wavFile) override;
    void stopAndClose() override;
    void close() override;
    void preload(const QString &wavFile) override;
    void openAhead() override;
    void releaseOutput() override;

    // Every command so far, in order.
    QStringList commands;
    // Every hint so far, in order.
    QStringList hints;
    // How often prepare() was called (its only command is "Close").
    int prepares = 0;
    // The file of the last play(), empty before the first.
    QString lastFile;

    // Sends readingStarted() as a device would when a reading's first
    // samples are on their way, and done(code) when it ends.
    void startReading() { Q_EMIT readingStarted(); }
    void finish(int code = Successful) { Q_EMIT done(code); }
    SoundDevice *forward() const { return m_forward; }

private:
    QPointer<SoundDevice> m_forward;
};

// A device that plays nothing and never sends done(), for the tools and
// benchmarks that only lay out or play the table. Each reading starts at
// once.
class SilentDevice : public SoundDevice
{
public:
    using SoundDevice::SoundDevice;
    void prepare() override {}
    void play(const QString &) override { m_open = true; reportStarted(++m_generation); }
    void stopAndClose() override { m_open = false; }
    void close() override { m_open = false; }
};

} // namespace testing
