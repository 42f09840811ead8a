// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// How long a person takes to take the card just announced: the time model
// of the human-like opponents, and of the simulated players that test them.
//
// A take time, counted from the announcement, is the sum of
// - a reaction: an ex-Gaussian draw, a normal part N(mu, sigma) plus an
//   exponential tail of mean tau. Reaction times are skewed to the slow
//   side: most takes bunch up near the typical time, and now and then one
//   is much slower. A plain normal draw would give a metronome with noise;
//   the tail is what makes an opponent feel human.
// - a search over the board: hickSlope * log2(n + 1) for n cards still on
//   it (the Hick-Hyman law). Late in a match, with few cards left, everyone
//   is faster.
// No take is faster than FloorMs, the time a person needs just to react to
// a sound at all, and no takes bunch up on it either: an opponent asked to
// be nearly that fast keeps a human spread, it does not turn into a
// metronome ticking at the limit. The normal part and the search together
// stay FloorClearance standard deviations above the floor (so a very fast
// opponent on a small board gives up a little speed), and a draw that still
// falls below it is drawn again, never moved up to it.

#include <array>
#include <random>

namespace HumanModel {

// A bare choice reaction to a sound takes about 0.28 s; nobody takes a
// card faster than that.
constexpr double FloorMs = 280;
// At 1.5 at most one draw in 15 falls below the floor and is drawn again,
// and fewer than 1 % of takes come within 2 ms of it at any speed the
// opponents are asked for.
constexpr double FloorClearance = 1.5;

struct Params {
    double mu = 0;        // normal part: mean, ms
    double sigma = 0;     // normal part: standard deviation, ms
    double tau = 0;       // exponential tail: mean, ms
    double hickSlope = 0; // search: ms per bit, times log2(cards on board + 1)
};

// The same shape, every time in it k times as long.
constexpr Params scaled(const Params &p, double k)
{
    return Params{p.mu * k, p.sigma * k, p.tau * k, p.hickSlope * k};
}

// The named steps of the human-like opponent, slowest first.
enum class Step { Beginner, Standard, Skilled, Master };
constexpr int Steps = 4;

struct StepInfo {
    const char *caption;   // the choice in the settings window
    const char *shortForm; // the level display during a match
    double medianMs;       // median take time over a match of 46 cards
    Params params;
};

// The figures behind the table:
// - a choice reaction to a sound takes about 0.28 s;
// - a beginner takes a card in about 1-1.2 s, trained players run through
//   cards at about 0.4 s a card; the four steps are anchored at medians of
//   1.2, 0.8, 0.6 and 0.4 s;
// - ex-Gaussian fits of reaction times give sigma well under tau and a tail
//   tau that is a sizable share of the mean, a share that shrinks with
//   practice: here tau is 30 % of the mean for a beginner down to 21 % for
//   a master;
// - practice flattens the Hick-Hyman slope: a beginner searches the board
//   card by card (110 ms a bit, 0.5 s more on a full board than on the last
//   card), a master knows where everything lies (12 ms a bit).
// mu is what remains: it was solved for so that the median over cards 2 to
// 46 of a 46-card match (45 down to 1 cards on the board) is the anchor. It
// never comes out below the 0.28 s of a bare reaction.
//   step       median  mu     sigma  tau    slope   mean    tau/mean
//   はじめて    1200    438.5  100    380    110     1287    0.30
//   ふつう      800     344.3  70     230    65      851     0.27
//   じょうず    600     306.2  50     160    40      637     0.25
//   めいじん    400     281.0  30     90     12      422     0.21
// On a full board the medians are 1.32, 0.87, 0.65 and 0.41 s; with the
// last card left 0.83, 0.58, 0.48 and 0.39 s (the clearance above the floor
// holds じょうず and めいじん back there).
constexpr std::array<StepInfo, Steps> Table{{
    {"はじめて", "初", 1200, {438.5, 100, 380, 110}},
    {"ふつう", "普", 800, {344.3, 70, 230, 65}},
    {"じょうず", "上", 600, {306.2, 50, 160, 40}},
    {"めいじん", "名", 400, {281.0, 30, 90, 12}},
}};

constexpr const StepInfo &step(Step s)
{
    return Table[static_cast<int>(s)];
}

using Engine = std::mt19937_64;

// One take time in ms for a board holding cardsOnBoard cards (the card
// being read among them), never below FloorMs and never piled up on it.
double drawMs(const Params &params, int cardsOnBoard, Engine &engine);

} // namespace HumanModel
