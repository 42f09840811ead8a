// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The computer's search for the card being read, as a state machine that a
// window steps from its event loop.
//
// A turn looks at the board slots in order. An empty slot costs nothing; on
// a slot that holds a card the computer first gives way to the event loop
// (scan delay + 1 times), and only then looks whether the card there is the
// one it is after. So a click that is already waiting when the computer
// reaches the card is handled first, and the player wins a tie. Each step()
// is one return from such a yield: it runs up to the next yield, or to the
// end of the turn.
//
// While a turn is suspended in a yield the reaction timer may fire again
// (after the player took the card and the next one was announced), and a
// second turn starts on top of the first. Only the newest turn moves until
// it ends; then the one below it goes on from its yield, and since its card
// is gone it finds nothing. ComputerScan keeps that stack.
//
// Every turn belongs to a generation. Leaving the match, closing the window
// or starting a new match moves the generation on, and a turn of an older
// generation ends at its next step without looking at the board.

#include <QtGlobal>

#include <vector>

class MatchState;

class ComputerTurn
{
public:
    enum class Outcome {
        Yield, // give way to the event loop, then step again
        Found, // the target lies in slot(): take it now, without yielding
        Missed // the scan reached the end of the board without it
    };

    // A turn for the card being read now; the card and the card count are
    // taken once, here.
    ComputerTurn(const MatchState &match, quint64 generation);

    Outcome step(const MatchState &match);

    int target() const { return m_target; }
    // The slot the turn is looking at, or where it found its card.
    int slot() const { return m_slot; }
    // How often it has given way so far.
    int yields() const { return m_yields; }
    quint64 generation() const { return m_generation; }

private:
    int m_target;
    int m_cardCount;
    int m_yieldsPerSlot;
    quint64 m_generation;
    int m_slot = 1;
    int m_yieldsLeft = -1; // -1: the slot has not been looked at yet
    int m_yields = 0;
};

class ComputerScan
{
public:
    struct Result {
        enum Kind {
            Idle,  // no turn is left
            Yield, // the newest turn gives way to the event loop
            Take   // the newest turn found its card in slot; it has ended
        };
        Kind kind = Idle;
        int slot = 0;
    };

    // Starts a turn for the card being read, on top of any suspended ones.
    // The caller steps it at once: the turn runs up to its first yield.
    void begin(const MatchState &match);

    // The newest turn goes on from its yield. A turn that ends without a
    // take (it missed its card, or its generation is over) is dropped, and
    // the one below it goes on in the same step, as it would when the yield
    // it was suspended in returns.
    Result step(const MatchState &match);

    // The turns begun so far will take nothing.
    void invalidate() { ++m_generation; }
    quint64 generation() const { return m_generation; }

    bool idle() const { return m_turns.empty(); }
    int turns() const { return int(m_turns.size()); }
    // The newest turn, or null when idle.
    const ComputerTurn *newest() const { return m_turns.empty() ? nullptr : &m_turns.back(); }

private:
    std::vector<ComputerTurn> m_turns;
    quint64 m_generation = 1;
};
