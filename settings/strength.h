// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The computer's strength: the one table from which a match takes its
// timing. Level 1 is the weakest, 5 the strongest.

#include <array>

namespace Strength {

constexpr int Weakest = 1;
constexpr int Strongest = 5;
constexpr int Default = 3;
constexpr int Levels = Strongest - Weakest + 1;

// How long the computer dwells on each card it looks at, counted in yields
// to the event loop per occupied slot (it yields this + 1 times).
constexpr int scanDelay(int level)
{
    return (6 - level) * 10;
}

// How long, in milliseconds, the computer waits after a card is announced
// before it starts looking for it.
constexpr int reactionIntervalMs(int level)
{
    return 1000 + 100 * scanDelay(level);
}

constexpr bool isLevel(int level)
{
    return level >= Weakest && level <= Strongest;
}

// The captions of the five choices, weakest first (index = level - 1).
constexpr std::array<const char *, Levels> Captions{"うんとよわい", "よわい", "ふつう", "つよい", "うんとつよい"};

} // namespace Strength
