// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The settings window: the computer's strength and whether the match reads
// the cards aloud. The choices are the window's option buttons and live as
// long as the window does; its close box discards them.

#include "settings/matchsettings.h"

#include <QMainWindow>

#include <array>

class QAction;
class QGroupBox;
class QRadioButton;
class WindowHub;

class FrmSettei : public QMainWindow, public MatchSettings
{
    Q_OBJECT

public:
    explicit FrmSettei(WindowHub &hub);

    QGroupBox *Frame2 = nullptr;               // 音声よみあげ
    std::array<QRadioButton *, 2> Option2{};   // しない, する
    QGroupBox *Frame1 = nullptr;               // コンピュータのつよさ
    std::array<QRadioButton *, 5> Option1{};   // level 1 (weakest) to 5
    QAction *mnuEnd = nullptr;                 // もどる

    int strengthLevel() const override;
    bool voiceOn() const override;

    // Shows the chosen level in the match window, then hides this window.
    void mnuEnd_Click();

private:
    WindowHub &m_hub;
};
