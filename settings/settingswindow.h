// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The settings window: the computer's strength, whether the match reads
// the cards aloud and what the computer plays like (or that it does not
// play). The choices are the window's option buttons and live as long as
// the window does; its close box discards them.

#include "settings/matchsettings.h"
#include "settings/strength.h"

#include <QMainWindow>

#include <array>

class QComboBox;
class QRadioButton;

class SettingsWindow : public QMainWindow, public MatchSettings
{
    Q_OBJECT

public:
    SettingsWindow();

    int strengthLevel() const override;
    bool voiceOn() const override;
    OpponentChoice opponentChoice() const override;
    // What the match window's level display shows for these choices: the
    // level digit, or the opponent's short form.
    QString levelDisplayText() const;

    // もどる: announces the chosen level, then hides the window.
    void goBack();

Q_SIGNALS:
    // もどる; the hub shows the level display's text in the match window.
    void levelChosen(const QString &shown);

private:
    // The suites reach the controls through this (tests/windowcontrols.h).
    friend struct SettingsWindowControls;

    // Level i + 1 at i, weakest first.
    std::array<QRadioButton *, Strength::Levels> m_levelButtons{};
    QRadioButton *m_voiceOffButton = nullptr; // しない
    // レベルどおり, 人のような相手, あなたに合わせる, 相手なし（練習）: in
    // the order of OpponentChoice::Kind.
    std::array<QRadioButton *, OpponentChoice::Captions.size()> m_opponentButtons{};
    // The named step of 人のような相手, slowest first.
    QComboBox *m_stepChooser = nullptr;
};
