// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What a match plays against, as chosen in the 「相手」 frame of the
// settings window: the strength level as it always was (the default), a
// human-like opponent at one of four named speeds, or the opponent that
// adapts to the player. Like the level, the choice is read at each match
// start and lasts for the match.

#include "match/humanmodel.h"

#include <QString>

#include <array>

struct OpponentChoice {
    enum class Kind { ByLevel, HumanLike, Adaptive };
    Kind kind = Kind::ByLevel;
    // The speed of the human-like opponent. Only HumanLike uses it.
    HumanModel::Step step = HumanModel::Step::Standard;

    static constexpr const char *FrameCaption = "相手";
    // The frame's three options, in the order of Kind.
    static constexpr std::array<const char *, 3> Captions{"レベルどおり", "人のような相手", "あなたに合わせる"};
    static constexpr const char *AdaptiveShortForm = "合";

    // The level display: the level digit, the named step's short form, or
    // 合 for the adaptive opponent.
    QString displayText(int level) const
    {
        switch (kind) {
        case Kind::HumanLike:
            return QString::fromUtf8(HumanModel::step(step).shortForm);
        case Kind::Adaptive:
            return QString::fromUtf8(AdaptiveShortForm);
        case Kind::ByLevel:
            break;
        }
        return QString::number(level);
    }

    bool operator==(const OpponentChoice &) const = default;
};
