// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the match window's suites share: a program folder with the default
// card set, its data loaded, the windows' hub, and a recording sound device
// for each window that asks for one.

#include "app/windowhub.h"
#include "data/cardstate.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"

#include <QObject>
#include <QPointer>
#include <QTemporaryDir>

#include <memory>

namespace testing {

class MatchTest : public QObject
{
protected:
    // For each test function's init() and cleanup().
    void setUpProgram();
    void tearDownProgram();
    // Makes a set of count cards in a folder of its own the current set, as
    // a save in the editor would; cards 47 to 49 are labelled ア, イ, ウ.
    void useCardSet(int count);
    // Clicks the box of the card being read in the match window, as the
    // player would; false when no box on the table holds it.
    bool clickCardBeingRead();
    // The device of the window made last.
    RecordingSoundDevice *device() const { return m_devices.isEmpty() ? nullptr : m_devices.last().data(); }

    std::unique_ptr<ProgramFolder> m_program;
    std::unique_ptr<QTemporaryDir> m_otherSet;
    std::unique_ptr<CardState> m_data;
    std::unique_ptr<WindowHub> m_hub;
    // The training record of the test's own, so that no suite sees another's.
    std::unique_ptr<QTemporaryDir> m_recordFolder;
    QList<QPointer<RecordingSoundDevice>> m_devices;
};

} // namespace testing
