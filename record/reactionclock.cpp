// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/reactionclock.h"

#include <algorithm>
#include <chrono>
#include <limits>

qint64 ReactionClock::monotonicNow()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

ReactionClock::ReactionClock(Now now)
    : m_now(std::move(now))
{
}

void ReactionClock::announced()
{
    m_announcedAt = m_now();
}

void ReactionClock::clear()
{
    m_announcedAt.reset();
}

std::optional<int> ReactionClock::sinceAnnouncement() const
{
    if (!m_announcedAt)
        return std::nullopt;
    const qint64 elapsed = std::max<qint64>(m_now() - *m_announcedAt, 0);
    return int(std::min<qint64>(elapsed, std::numeric_limits<int>::max()));
}
