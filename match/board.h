// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Where things lie on the match table, in twips: the card slots of the
// 10 x 5 grid, the computer's score frame, and the two piles of taken cards.

#include "app/layout.h"

#include <vector>

namespace Board {

// Image boxes on the table; slot s (1-based) is shown by box s - 1.
constexpr int Boxes = 49;

constexpr int column(int slot) { return (slot - 1) % Layout::Karuto::Columns; }
constexpr int row(int slot) { return (slot - 1) / Layout::Karuto::Columns; }

// Top-left corner of the card box of a slot.
constexpr Layout::TwipPoint slotPosition(int slot)
{
    return Layout::Karuto::slot(slot);
}

// The computer's score frame sits beside the player's in the free end of the
// last row, unless the cards fill that row up to its last box.
constexpr Layout::TwipPoint frame2Position(int cardCount)
{
    if (cardCount >= Layout::Karuto::Frame2UnderFromCount)
        return Layout::TwipPoint{Layout::Karuto::Frame2.left, Layout::Karuto::Frame2.top};
    return Layout::Karuto::Frame2Beside;
}

enum class Pile { Player, Computer };

// Where the k-th card (1-based) that a side takes in a match comes to lie:
// each one 300 twips left of the one before, partly covering it.
constexpr Layout::TwipPoint pilePosition(Pile pile, int k)
{
    const Layout::TwipPoint first = pile == Pile::Player ? Layout::Karuto::PlayerPile : Layout::Karuto::ComPile;
    return Layout::TwipPoint{first.left - Layout::Karuto::PileStep * (k - 1), first.top};
}

// The computer acts its take out: its hand comes down on the card, 340
// twips right of and 400 below the card's top-left corner, and card and hand
// rise together, 50 twips a step, until the card's top reaches 100.
constexpr Layout::TwipPoint handOnCard(int slot)
{
    const Layout::TwipPoint card = slotPosition(slot);
    return Layout::TwipPoint{card.left + Layout::Karuto::HandOffsetX, card.top + Layout::Karuto::HandOffsetY};
}

struct LiftStep {
    Layout::TwipPoint card;
    Layout::TwipPoint hand;
};

// Every step of the lift of the card in slot s, the first one where the
// card still lies on its slot.
inline std::vector<LiftStep> liftSteps(int slot)
{
    std::vector<LiftStep> steps;
    const Layout::TwipPoint card = slotPosition(slot);
    Layout::TwipPoint hand = handOnCard(slot);
    for (int top = card.top; top >= Layout::Karuto::LiftTop; top -= Layout::Karuto::LiftStep) {
        steps.push_back(LiftStep{Layout::TwipPoint{card.left, top}, hand});
        hand.top -= Layout::Karuto::LiftStep;
    }
    return steps;
}

} // namespace Board
