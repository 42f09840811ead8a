// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The numbers the statistics window shows, worked out from the takes of one
// card set over one period, as the record counts them. Pure computation:
// RecordReader feeds it what it read from the record, and the tests feed it
// tables worked out by hand.

#include "record/recordevents.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <QTimeZone>

#include <optional>

namespace trainingstats {

// How many of the latest reaction times the trend compares with as many
// before them.
constexpr int TrendWindow = 10;

// The middle value; for an even count, the mean of the two middle values.
// None for no values.
std::optional<double> median(QList<int> values);

// For reaction times in the order they were taken: the median of the last
// TrendWindow minus the median of the TrendWindow before them. None with
// fewer than 2 x TrendWindow times.
std::optional<double> trend(const QList<int> &chronological);

// The slips of a card for each time it was read: the お手つき made while it
// was read, the times it was clicked while another was, and the times the
// computer took it first, over the times it was taken (by either side; at
// least 1, so that a card never read counts its slips whole).
double slipsPerReading(const record::CardRow &row);

// How weak the player is on a card, in seconds: its median reaction time
// plus one second for each slip per reading. None for a card the player
// has never timed, which is weaker than any.
std::optional<double> weakness(const record::CardRow &row);

// The k weakest cards of a card table: the highest weakness first. A card
// the player has never timed comes before every timed card; among those,
// the ones with more slips per reading come first, and the rest in an
// order drawn from seed. Equal scores go by how often the computer took the
// card first, then by card index. k is taken as 0 to the number of rows.
QList<int> weakestCards(const QList<record::CardRow> &rows, int k, quint32 seed);

// The cards of a 取り違え drill: both cards of each of the first pairs of
// confusions (as the record orders them, most often first), each card
// once, in the order they first appear.
QList<int> confusedCards(const QList<record::Confusion> &confusions, int pairs);

// The chart of the player's median per match over time, with at most
// TrendPoints points on its line and as many among its series: a point per
// match while they fit, else per day, week (from Monday) or month, each the
// median of the medians of its matches, at the start of its span.
constexpr int TrendPoints = 300;
enum class TrendSpan { Match, Day, Week, Month };
struct TrendPoint {
    qint64 at = 0;
    double medianMs = 0;
};
struct MatchTrend {
    TrendSpan span = TrendSpan::Match;
    QList<TrendPoint> all; // every match, whatever it was played against
    // One series per kind of opponent (record::opponentText), in the order
    // each first appears.
    QList<QPair<QString, QList<TrendPoint>>> byOpponent;
};
// Matches in the order they began; those with no median are left out.
MatchTrend matchTrend(const QList<record::MatchPoint> &matches, const QTimeZone &zone,
                      int maxPoints = TrendPoints);

} // namespace trainingstats

// Tallies the takes of one card set over one period for the cards
// 1..cardCount of today's set; takes of cards beyond it (a set that was
// made smaller in the editor) are left out of the card table.
class TakeTally
{
public:
    explicit TakeTally(int cardCount);

    // n takes of a card by one side; for the player's, the reaction time
    // they share (none for a take without one).
    void addTakes(int card, record::Taker taker, std::optional<int> reactionMs, int n = 1);
    // n お手つき: clickedCard clicked while readCard was being read.
    void addWrongTakes(int clickedCard, int readCard, int n = 1);
    // The player's latest reaction times of a card in the period, newest
    // first, as many as the trend needs.
    void setLatestTimes(int card, const QList<int> &newestFirst);
    // The player's timed takes of a card so far.
    int timedTakes(int card) const;

    // One row per card 1..cardCount, in card order; labels[i] is the label
    // of card i + 1 today (a missing one is left empty).
    QList<record::CardRow> cardRows(const QStringList &labels) const;

private:
    struct Card {
        int takes = 0;
        int computerFirst = 0;
        int wrongTakes = 0;
        int wrongWhileRead = 0;
        int timed = 0;
        QMap<int, int> times;  // reaction time -> takes, in order of time
        QList<int> latest;     // oldest first
    };
    Card *card(int card);
    QList<Card> m_cards; // index card - 1
};
