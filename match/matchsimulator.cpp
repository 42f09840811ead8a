// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "match/matchsimulator.h"

#include "match/computerscan.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace MatchSimulator {

namespace {

int slotOfCurrentCard(const MatchState &match)
{
    for (int s = 1; s <= match.cardCount(); ++s) {
        if (match.isRightTake(s))
            return s;
    }
    return 0;
}

// When the opponent would take the card being read, and from which slot;
// a time of -1 when it would take nothing.
std::pair<double, int> computerTake(const MatchState &match, Opponent &opponent, double yieldMs)
{
    const Opponent::Plan plan = opponent.plan(match);
    if (plan.kind == Opponent::Plan::Kind::TakeAt)
        return {plan.ms, plan.slot};
    if (plan.kind == Opponent::Plan::Kind::None)
        return {-1, 0};
    ComputerScan scan;
    scan.begin(match);
    for (int yields = 0;; ++yields) {
        const ComputerScan::Result r = scan.step(match);
        if (r.kind == ComputerScan::Result::Take)
            return {plan.ms + yields * yieldMs, r.slot};
        if (r.kind == ComputerScan::Result::Idle)
            return {-1, 0};
    }
}

} // namespace

Result play(const MatchState::Setup &setup, int cardCount, Opponent &opponent, SimulatedPlayer &player,
            quint64 readingSeed, quint64 boardSeed, double yieldMs)
{
    MatchState match;
    match.begin(cardCount, setup, readingSeed, boardSeed);
    Result result;
    while (!match.finished()) {
        CardTake take;
        take.card = match.currentCard();
        take.cardsOnBoard = Opponent::cardsOnBoard(match);
        take.playerMs = player.takeMs(take.cardsOnBoard);
        int computerSlot = 0;
        if (match.position() > 1)
            std::tie(take.computerMs, computerSlot) = computerTake(match, opponent, yieldMs);
        // A computer's take of a wrong slot takes nothing (the window's take
        // checks the slot too), and the player gets the card.
        const bool computerFirst = take.computerMs >= 0 && take.computerMs < take.playerMs;
        if (computerFirst && match.take(Board::Pile::Computer, computerSlot) > 0)
            take.taker = Board::Pile::Computer;
        else
            match.take(Board::Pile::Player, slotOfCurrentCard(match));
        result.cards.push_back(take);
    }
    result.playerScore = match.playerScore();
    result.computerScore = match.computerScore();
    result.playerWins = match.playerWins();
    return result;
}

Staircase staircase(int matches, const std::vector<int> &cardCounts, SimulatedPlayer &player, bool keepRecord,
                    quint64 seed)
{
    HumanModel::Engine seeds(seed);
    AdaptiveOpponent::Record record;
    double factor = AdaptiveOpponent::StartFactor;
    Staircase run;
    for (int m = 0; m < matches; ++m) {
        const int cardCount = cardCounts[std::size_t(m) % cardCounts.size()];
        AdaptiveOpponent opponent(record, factor, seeds());
        const quint64 readingSeed = seeds();
        const Result r = play(MatchState::Setup{}, cardCount, opponent, player, readingSeed, seeds());
        run.playerWon.push_back(r.playerWins);
        run.factor.push_back(factor);
        // The first card is the player's, uncontested.
        const int computerTook = int(std::count_if(r.cards.begin(), r.cards.end(), [](const CardTake &take) {
            return take.taker == Board::Pile::Computer;
        }));
        factor = AdaptiveOpponent::nextFactor(factor, int(r.cards.size()) - 1 - computerTook, computerTook);
        if (!keepRecord)
            continue;
        for (const CardTake &take : r.cards) {
            if (take.taker == Board::Pile::Player)
                record[take.card].append(int(std::lround(take.playerMs)));
        }
    }
    return run;
}

} // namespace MatchSimulator
