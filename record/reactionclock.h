// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The player's reaction time: from the moment a card is announced (its
// label shown and its recording started) to the click, on a monotonic clock
// so that a change of the wall clock in the middle of a match cannot make a
// take seem faster or slower. The match window owns one and calls
// announced() where it announces a card.

#include <QtGlobal>

#include <functional>
#include <optional>

class ReactionClock
{
public:
    // Milliseconds of a monotonic clock. Tests pass their own.
    using Now = std::function<qint64()>;
    static qint64 monotonicNow();

    explicit ReactionClock(Now now = &ReactionClock::monotonicNow);

    void announced();
    void clear();
    // Milliseconds since the last announcement; none when nothing has been
    // announced since the last clear().
    std::optional<int> sinceAnnouncement() const;

private:
    Now m_now;
    std::optional<qint64> m_announcedAt;
};
