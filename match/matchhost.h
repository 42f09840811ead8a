// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the match window asks of whoever keeps the windows (the hub in
// app/): the settings a match starts from, and the settings window when the
// player asks for it. The match window knows the hub by this alone, so
// nothing in match/ includes a header from app/.

class MatchSettings;

class MatchHost
{
public:
    virtual ~MatchHost() = default;
    // The settings the next match starts from. Where no settings window
    // exists (never opened, or discarded by its close box) one is made,
    // hidden and with its defaults, and kept.
    virtual MatchSettings &matchSettings() = 0;
    // ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ: the settings window, shown without being modal.
    virtual void showSettings() = 0;
};
