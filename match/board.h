#pragma once

// Where things lie on the match table, in twips: the card slots of the
// 10 x 5 grid, the computer's score frame, and the two piles of taken cards.

#include "app/layout.h"

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

} // namespace Board
