// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The settings window: the computer's strength and whether the match reads
// the cards aloud. The choices are the window's option buttons and live as
// long as the window does; its close box discards them.

#include "settings/matchsettings.h"
#include "settings/strength.h"

#include <QMainWindow>

#include <array>

class QRadioButton;

class SettingsWindow : public QMainWindow, public MatchSettings
{
    Q_OBJECT

public:
    SettingsWindow();

    int strengthLevel() const override;
    bool voiceOn() const override;

    // もどる: announces the chosen level, then hides the window.
    void goBack();

Q_SIGNALS:
    // もどる with a level chosen; the hub shows it in the match window.
    void levelChosen(int level);

private:
    // The suites reach the controls through this (tests/windowcontrols.h).
    friend struct SettingsWindowControls;

    // Level i + 1 at i, weakest first.
    std::array<QRadioButton *, Strength::Levels> m_levelButtons{};
    QRadioButton *m_voiceOffButton = nullptr; // しない
};
