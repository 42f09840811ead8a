// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What a match asks of the settings at its start: the computer's strength
// level, whether cards are read aloud and what it plays against. The
// settings window answers.

#include "match/opponentchoice.h"

class MatchSettings
{
public:
    virtual ~MatchSettings() = default;
    // 1 (weakest) to 5 (strongest).
    virtual int strengthLevel() const = 0;
    // Whether each announced card is also read aloud.
    virtual bool voiceOn() const = 0;
    // The level's timer and scan unless the 「相手」 frame says otherwise.
    virtual OpponentChoice opponentChoice() const { return {}; }
};
