// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "match/computerscan.h"

#include "match/matchstate.h"

ComputerTurn::ComputerTurn(const MatchState &match, quint64 generation)
    : m_target(match.currentCard()),
      m_cardCount(match.cardCount()),
      m_yieldsPerSlot(match.scanDelay() + 1),
      m_generation(generation)
{
}

ComputerTurn::Outcome ComputerTurn::step(const MatchState &match)
{
    for (; m_slot <= m_cardCount; ++m_slot, m_yieldsLeft = -1) {
        if (m_yieldsLeft < 0) {
            if (match.cardInSlot(m_slot) == 0)
                continue; // nothing to look at: no time spent
            m_yieldsLeft = m_yieldsPerSlot;
        }
        if (m_yieldsLeft > 0) {
            --m_yieldsLeft;
            ++m_yields;
            return Outcome::Yield;
        }
        // Looked at only now, after giving way: the player may have taken
        // the card meanwhile.
        if (match.cardInSlot(m_slot) == m_target && m_target != 0)
            return Outcome::Found;
    }
    return Outcome::Missed;
}

void ComputerScan::begin(const MatchState &match)
{
    m_turns.emplace_back(match, m_generation);
}

ComputerScan::Result ComputerScan::step(const MatchState &match)
{
    while (!m_turns.empty()) {
        ComputerTurn &turn = m_turns.back();
        if (turn.generation() != m_generation) {
            m_turns.pop_back();
            continue;
        }
        switch (turn.step(match)) {
        case ComputerTurn::Outcome::Yield:
            return Result{Result::Yield, turn.slot()};
        case ComputerTurn::Outcome::Found: {
            const int slot = turn.slot();
            m_turns.pop_back();
            return Result{Result::Take, slot};
        }
        case ComputerTurn::Outcome::Missed:
            m_turns.pop_back();
            break;
        }
    }
    return Result{};
}
