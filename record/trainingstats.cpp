// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/trainingstats.h"

#include <QRandomGenerator>

#include <algorithm>

namespace trainingstats {

std::optional<double> median(QList<int> values)
{
    if (values.isEmpty())
        return std::nullopt;
    const qsizetype half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + half, values.end());
    const double upper = values.at(half);
    if (values.size() % 2 != 0)
        return upper;
    // The lower middle is the largest value left of the upper one.
    const double lower = *std::max_element(values.begin(), values.begin() + half);
    return (lower + upper) / 2.0;
}

std::optional<double> trend(const QList<int> &chronological)
{
    const qsizetype n = chronological.size();
    if (n < 2 * TrendWindow)
        return std::nullopt;
    const auto recent = median(chronological.mid(n - TrendWindow));
    const auto before = median(chronological.mid(n - 2 * TrendWindow, TrendWindow));
    return *recent - *before;
}

QList<int> weakestCards(const QList<record::CardRow> &rows, int k, quint32 seed)
{
    // Untimed cards alike in every way are drawn in random order: with no
    // record at all, a drill would otherwise always be the set's first cards.
    QRandomGenerator random(seed);
    struct Entry {
        const record::CardRow *row;
        quint32 draw;
    };
    QList<Entry> order;
    order.reserve(rows.size());
    for (const record::CardRow &row : rows)
        order.append({&row, random.generate()});
    auto weaker = [](const Entry &x, const Entry &y) {
        const record::CardRow *a = x.row, *b = y.row;
        if (a->medianMs.has_value() != b->medianMs.has_value())
            return !a->medianMs.has_value();
        if (a->medianMs && *a->medianMs != *b->medianMs)
            return *a->medianMs > *b->medianMs;
        if (a->computerFirst != b->computerFirst)
            return a->computerFirst > b->computerFirst;
        if (!a->medianMs && x.draw != y.draw)
            return x.draw < y.draw;
        return a->card < b->card;
    };
    std::sort(order.begin(), order.end(), weaker);
    QList<int> cards;
    const qsizetype count = std::clamp<qsizetype>(k, 0, order.size());
    for (qsizetype i = 0; i < count; ++i)
        cards.append(order.at(i).row->card);
    return cards;
}

} // namespace trainingstats

TakeTally::TakeTally(int cardCount)
    : m_cards(std::max(cardCount, 0))
{
}

void TakeTally::addTake(qint64 matchId, int card, record::Taker taker, std::optional<int> reactionMs)
{
    if (taker == record::Taker::Player && reactionMs)
        m_matchReactions[matchId].append(*reactionMs);
    if (card < 1 || card > m_cards.size())
        return;
    Card &c = m_cards[card - 1];
    ++c.takes;
    if (taker == record::Taker::Computer)
        ++c.computerFirst;
    else if (reactionMs)
        c.reactions.append(*reactionMs);
}

void TakeTally::addWrongTake(int clickedCard)
{
    if (clickedCard >= 1 && clickedCard <= m_cards.size())
        ++m_cards[clickedCard - 1].wrongTakes;
}

QList<record::CardRow> TakeTally::cardRows(const QStringList &labels) const
{
    QList<record::CardRow> rows;
    rows.reserve(m_cards.size());
    for (qsizetype i = 0; i < m_cards.size(); ++i) {
        const Card &c = m_cards.at(i);
        record::CardRow row;
        row.card = int(i + 1);
        row.label = labels.value(i);
        row.takes = c.takes;
        row.playerTakes = int(c.reactions.size());
        row.medianMs = trainingstats::median(c.reactions);
        if (!c.reactions.isEmpty())
            row.bestMs = *std::min_element(c.reactions.begin(), c.reactions.end());
        row.computerFirst = c.computerFirst;
        row.wrongTakes = c.wrongTakes;
        row.trendMs = trainingstats::trend(c.reactions);
        rows.append(row);
    }
    return rows;
}

std::optional<double> TakeTally::matchMedian(qint64 matchId) const
{
    return trainingstats::median(m_matchReactions.value(matchId));
}
