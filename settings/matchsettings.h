// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What a match asks of the settings at its start: the computer's strength
// level and whether cards are read aloud. The settings window answers.

class MatchSettings
{
public:
    virtual ~MatchSettings() = default;
    // 1 (weakest) to 5 (strongest).
    virtual int strengthLevel() const = 0;
    // Whether each announced card is also read aloud.
    virtual bool voiceOn() const = 0;
};
