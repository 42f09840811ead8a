// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/pendingmedia.h"

#include <algorithm>

void PendingMedia::set(Kind kind, int card, const QByteArray &bytes)
{
    if (valid(card))
        slotsOf(kind)[card - 1] = Change{false, bytes};
}

void PendingMedia::remove(Kind kind, int card)
{
    if (valid(card))
        slotsOf(kind)[card - 1] = Change{true, {}};
}

void PendingMedia::forget(Kind kind, int card)
{
    if (valid(card))
        slotsOf(kind)[card - 1].reset();
}

std::optional<PendingMedia::Change> PendingMedia::change(Kind kind, int card) const
{
    return valid(card) ? slotsOf(kind)[card - 1] : std::nullopt;
}

bool PendingMedia::hasChanges() const
{
    auto any = [](const Slots &s) { return std::any_of(s.begin(), s.end(), [](const auto &c) { return c.has_value(); }); };
    return any(m_pictures) || any(m_readings);
}

bool PendingMedia::hasChange(int card) const
{
    return valid(card) && (m_pictures[card - 1] || m_readings[card - 1]);
}

void PendingMedia::clear()
{
    m_pictures.fill(std::nullopt);
    m_readings.fill(std::nullopt);
}

bool PendingMedia::willHave(Kind kind, int card, bool onDisk) const
{
    const std::optional<Change> c = change(kind, card);
    return c ? !c->removed : onDisk;
}
