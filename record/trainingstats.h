// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The numbers the statistics window shows, worked out from the takes of one
// card set over one period. Pure computation: RecordReader feeds it what it
// read from the record, and the tests feed it tables worked out by hand.

#include "record/recordevents.h"

#include <QHash>
#include <QList>
#include <QStringList>

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

// The k weakest cards of a card table: the slowest median first. A card the
// player has never taken in the period is slower than any timed card; among
// those, the ones the computer took more often come first, and the rest in
// an order drawn from seed. Equal medians go by how often the computer took
// the card first, then by card index. k is taken as 0 to the number of rows.
QList<int> weakestCards(const QList<record::CardRow> &rows, int k, quint32 seed);

} // namespace trainingstats

// Tallies takes one at a time, in the order they happened, for the cards
// 1..cardCount of today's set; takes of cards beyond it (a set that was
// made smaller in the editor) are left out of the card table.
class TakeTally
{
public:
    explicit TakeTally(int cardCount);

    void addTake(qint64 matchId, int card, record::Taker taker, std::optional<int> reactionMs);
    void addWrongTake(int clickedCard);

    // One row per card 1..cardCount, in card order; labels[i] is the label
    // of card i + 1 today (a missing one is left empty).
    QList<record::CardRow> cardRows(const QStringList &labels) const;
    // The player's median reaction in one match; none when the player took
    // no card in it (or it is not among the takes tallied).
    std::optional<double> matchMedian(qint64 matchId) const;

private:
    struct Card {
        int takes = 0;
        int computerFirst = 0;
        int wrongTakes = 0;
        QList<int> reactions; // in the order taken
    };
    QList<Card> m_cards; // index card - 1
    QHash<qint64, QList<int>> m_matchReactions;
};
