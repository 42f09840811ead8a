// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The computer's side of a match behind one interface, so that the match
// window and the simulator drive every kind of opponent alike.
//
// At each announcement of a card the computer races for (every card of a
// match but the first), the match asks its opponent for a plan:
// - LevelScan: start the reaction timer with plan.ms and, when it fires,
//   run the stepped scan (ComputerScan) exactly as the five levels always
//   have;
// - TakeAt: plan.ms after the announcement, take the card in plan.slot
//   through the usual take, with its lift and its scoring. Nothing is
//   scanned: the time already holds the search;
// - None: no timer at all; the card waits for the player however long
//   that takes (practice).
// Either way the reaction timer is the window's own single-shot
// Qt::PreciseTimer, started at the announcement; a right take by the player
// stops it and the plan is forgotten. A timer that fires for a card no
// longer being read finds its slot empty (MatchState::isRightTake) and takes
// nothing.
//
// An opponent is a plain object of the UI thread with no timers of its own.
// It is made at each match start (makeOpponent) with a seed for its one
// random engine: a test that fixes the seed gets the same times every run.

#include "match/humanmodel.h"
#include "match/opponentchoice.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

class MatchState;

class Opponent
{
public:
    struct Plan {
        enum class Kind { LevelScan, TakeAt, None };
        Kind kind = Kind::LevelScan;
        // LevelScan: the reaction interval; TakeAt: the take time. Both in
        // ms, counted from the announcement.
        int ms = 0;
        // TakeAt: the board slot of the card being read.
        int slot = 0;
    };

    virtual ~Opponent() = default;

    // The plan for the card being read now. A human-like opponent draws a
    // new time at each call: call it once per announcement.
    virtual Plan plan(const MatchState &match) = 0;

    // How many cards still lie on the board, the card being read among them.
    static int cardsOnBoard(const MatchState &match);
};

// The five levels: a fixed reaction interval, then the stepped scan.
class LevelOpponent final : public Opponent
{
public:
    Plan plan(const MatchState &match) override;
};

// 「相手なし（練習）」: nobody races the player for any card.
class PracticeOpponent final : public Opponent
{
public:
    Plan plan(const MatchState &) override { return Plan{Plan::Kind::None, 0, 0}; }
};

// 「人のような相手」 at one of the named steps.
class HumanLikeOpponent final : public Opponent
{
public:
    HumanLikeOpponent(HumanModel::Step step, quint64 seed);
    Plan plan(const MatchState &match) override;

private:
    HumanModel::Params m_params;
    HumanModel::Engine m_engine;
};

// 「あなたに合わせる」: for each card, as fast as the player's own median
// for that card, times one factor that a staircase moves after every match.
//
// The caller reads the player's takes of the last 30 days from the training
// record and passes them as a Record, and passes the factor kept there
// (StartFactor when none is kept). After each finished match against this
// opponent it stores nextFactor() back; an abandoned match leaves the factor
// as it was. The staircase settles where the player wins about half the
// matches.
//
// Only the contested cards move the factor: those taken after the first,
// which the computer never races for. (The match's result counts that free
// card: a drill of 3 cards is won three times in four against an equal
// opponent.) Whoever took more of them won the race: the player, and the
// opponent gets 5 % faster; the computer, and it gets 5 % slower; neither,
// and it stays. A match of fewer than FullStepContested contested cards
// moves it by that share of a step, and one of fewer than MinContested not
// at all: drills are played for the same factor as whole matches, and a
// handful of cards says little about the player.
class AdaptiveOpponent final : public Opponent
{
public:
    // Card index -> the player's reaction times in ms, in any order.
    using Record = QHash<int, QList<int>>;

    // Times outside this range come from a clock jump or a take interrupted
    // by something else, never from a take.
    static constexpr int ValidMinMs = 100;
    static constexpr int ValidMaxMs = 30000;
    // A card with fewer valid takes goes by the player's median over all
    // cards: two takes say too little about one card.
    static constexpr int MinTakesPerCard = 3;

    // At 1 the opponent is as fast, card by card, as the player's own
    // medians: as close a match as the record can tell. The staircase
    // corrects the rest (the first card and ties go to the player; the record
    // holds only the takes the player won, the faster ones).
    static constexpr double StartFactor = 1.0;
    static constexpr double AfterPlayerWin = 0.95;
    static constexpr double AfterPlayerLoss = 1.05;
    // A whole step for the contested cards of the default set, 46 cards; a
    // match of fewer than MinContested leaves the factor alone.
    static constexpr int FullStepContested = 45;
    static constexpr int MinContested = 5;
    // The factor stays within these bounds, so that a run of deliberate
    // wins or losses cannot drive it so far that coming back would take
    // dozens of matches; a kept value beyond them counts as damaged.
    static constexpr double MinFactor = 0.2;
    static constexpr double MaxFactor = 5.0;
    // A name under which to keep the factor.
    static constexpr const char *RecordKey = "adaptive-opponent-factor";

    AdaptiveOpponent(const Record &record, double factor, quint64 seed);
    Plan plan(const MatchState &match) override;

    // The player's median for a card, before the factor: its own median with
    // MinTakesPerCard valid takes or more, else the median of all valid
    // takes, else the median of 「ふつう」.
    double basisMs(int card) const;

    // Whether a record has any valid take. With none the opponent plays as
    // 「ふつう」 (times the factor), and the match window says so once.
    static bool hasUsableTakes(const Record &record);

    // The factor for the next match, after one in which the player took
    // playerTook and the computer computerTook of the contested cards.
    static double nextFactor(double factor, int playerTook, int computerTook);
    // The kept text of a factor, and back. Text that is not a number, or a
    // factor outside MinFactor..MaxFactor, gives StartFactor.
    static QString factorToText(double factor);
    static double factorFromText(const QString &text);

private:
    QHash<int, double> m_cardMs;
    double m_overallMs;
    double m_factor;
    HumanModel::Engine m_engine;
};

// The opponent for one match, from the choice read at its start. record and
// factor count only for the adaptive opponent.
std::unique_ptr<Opponent> makeOpponent(const OpponentChoice &choice, quint64 seed,
                                       const AdaptiveOpponent::Record &record = {},
                                       double factor = AdaptiveOpponent::StartFactor);
