// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Whole matches between a simulated player and any opponent, with no window
// and no real time: for each card the player's take time is drawn, the
// opponent's comes from its plan, and the faster one takes the card through
// MatchState, which keeps the scores. As in the match window:
// - the computer does not race for the first card of a match: the player
//   takes it;
// - a tie goes to the player (a click already waiting when the computer
//   reaches the card is handled first);
// - a level waits its reaction interval and then runs the real stepped scan
//   (ComputerScan); each of its yields costs yieldMs, which on today's
//   machines is next to nothing, so a level takes at its interval.
// The player never clicks a wrong card.

#include "match/board.h"
#include "match/humanmodel.h"
#include "match/matchstate.h"
#include "match/opponent.h"

#include <vector>

class SimulatedPlayer
{
public:
    SimulatedPlayer(const HumanModel::Params &reaction, quint64 seed) : m_reaction(reaction), m_engine(seed) {}
    double takeMs(int cardsOnBoard) { return HumanModel::drawMs(m_reaction, cardsOnBoard, m_engine); }

private:
    HumanModel::Params m_reaction;
    HumanModel::Engine m_engine;
};

namespace MatchSimulator {

struct CardTake {
    int card = 0;
    int cardsOnBoard = 0; // at its announcement, the card itself among them
    double playerMs = 0;
    double computerMs = -1; // -1 on the first card, which the computer lets go
    Board::Pile taker = Board::Pile::Player;
};

struct Result {
    std::vector<CardTake> cards; // in reading order
    qint64 playerScore = 0;
    int computerScore = 0;
    bool playerWins = false;
};

Result play(const MatchState::Setup &setup, int cardCount, Opponent &opponent, SimulatedPlayer &player,
            quint64 readingSeed, quint64 boardSeed, double yieldMs = 0);

// A run of matches against the adaptive opponent, the factor moved after
// each as the match window would; the matches have the card counts of
// cardCounts in turn (drills among whole matches, say). With keepRecord
// every match adds the player's takes to the record that the next match
// reads, as the training record would; without it the opponent never sees
// a record.
struct Staircase {
    std::vector<bool> playerWon; // per match
    std::vector<double> factor;  // per match, the factor it was played with
};
Staircase staircase(int matches, const std::vector<int> &cardCounts, SimulatedPlayer &player, bool keepRecord,
                    quint64 seed);

} // namespace MatchSimulator
