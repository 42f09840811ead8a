// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What a match plays against, as chosen in the 「相手」 frame of the
// settings window: the strength level as it always was (the default), a
// human-like opponent at one of four named speeds, the opponent that adapts
// to the player, or nobody at all (practice: every card waits for the
// player). Like the level, the choice is read at each match start and lasts
// for the match.

#include "match/humanmodel.h"

#include <QString>

#include <array>

struct OpponentChoice {
    enum class Kind { ByLevel, HumanLike, Adaptive, Practice };
    Kind kind = Kind::ByLevel;
    // The speed of the human-like opponent. Only HumanLike uses it.
    HumanModel::Step step = HumanModel::Step::Standard;

    static constexpr const char *FrameCaption = "相手";
    // The frame's options, in the order of Kind.
    static constexpr std::array<const char *, 4> Captions{"レベルどおり", "人のような相手", "あなたに合わせる",
                                                          "相手なし（練習）"};
    static constexpr const char *AdaptiveShortForm = "合";
    static constexpr const char *PracticeShortForm = "練";

    // The level display: the level digit, the named step's short form, 合
    // for the adaptive opponent or 練 for practice.
    QString displayText(int level) const
    {
        switch (kind) {
        case Kind::HumanLike:
            return QString::fromUtf8(HumanModel::step(step).shortForm);
        case Kind::Adaptive:
            return QString::fromUtf8(AdaptiveShortForm);
        case Kind::Practice:
            return QString::fromUtf8(PracticeShortForm);
        case Kind::ByLevel:
            break;
        }
        return QString::number(level);
    }

    bool operator==(const OpponentChoice &) const = default;
};
