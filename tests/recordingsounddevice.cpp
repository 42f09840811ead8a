// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/recordingsounddevice.h"

namespace testing {

RecordingSoundDevice::RecordingSoundDevice(QObject *parent, SoundDevice *forward)
    : SoundDevice(parent), m_forward(forward)
{
    if (forward) {
        forward->setParent(this);
        connect(forward, &SoundDevice::done, this, &SoundDevice::done);
        connect(forward, &SoundDevice::readingStarted, this, &SoundDevice::readingStarted);
        connect(forward, &SoundDevice::noSoundOutput, this, &SoundDevice::noSoundOutput);
    }
}

void RecordingSoundDevice::prepare()
{
    ++prepares;
    commands << QStringLiteral("Close");
    if (m_forward)
        m_forward->prepare();
}

void RecordingSoundDevice::play(const QString &wavFile)
{
    lastFile = wavFile;
    commands << QStringLiteral("Open ") + wavFile << QStringLiteral("Sound");
    if (m_forward)
        m_forward->play(wavFile);
}

void RecordingSoundDevice::stopAndClose()
{
    commands << QStringLiteral("Stop") << QStringLiteral("Close");
    if (m_forward)
        m_forward->stopAndClose();
}

void RecordingSoundDevice::close()
{
    commands << QStringLiteral("Close");
    if (m_forward)
        m_forward->close();
}

void RecordingSoundDevice::preload(const QString &wavFile)
{
    hints << QStringLiteral("preload ") + wavFile;
    if (m_forward)
        m_forward->preload(wavFile);
}

void RecordingSoundDevice::openAhead()
{
    hints << QStringLiteral("openAhead");
    if (m_forward)
        m_forward->openAhead();
}

void RecordingSoundDevice::releaseOutput()
{
    hints << QStringLiteral("releaseOutput");
    if (m_forward)
        m_forward->releaseOutput();
}

} // namespace testing
