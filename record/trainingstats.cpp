// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/trainingstats.h"

#include <QDateTime>
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

double slipsPerReading(const record::CardRow &row)
{
    return double(row.wrongWhileRead + row.wrongTakes + row.computerFirst) / std::max(row.takes, 1);
}

std::optional<double> weakness(const record::CardRow &row)
{
    if (!row.medianMs)
        return std::nullopt;
    return *row.medianMs / 1000.0 + slipsPerReading(row);
}

QList<int> weakestCards(const QList<record::CardRow> &rows, int k, quint32 seed)
{
    // Untimed cards alike in every way are drawn in random order: with no
    // record at all, a drill would otherwise always be the set's first cards.
    QRandomGenerator random(seed);
    struct Entry {
        const record::CardRow *row;
        std::optional<double> score;
        double slips;
        quint32 draw;
    };
    QList<Entry> order;
    order.reserve(rows.size());
    for (const record::CardRow &row : rows)
        order.append({&row, weakness(row), slipsPerReading(row), random.generate()});
    auto weaker = [](const Entry &x, const Entry &y) {
        if (x.score.has_value() != y.score.has_value())
            return !x.score.has_value();
        if (x.score && *x.score != *y.score)
            return *x.score > *y.score;
        if (!x.score && x.slips != y.slips)
            return x.slips > y.slips;
        if (x.row->computerFirst != y.row->computerFirst)
            return x.row->computerFirst > y.row->computerFirst;
        if (!x.score && x.draw != y.draw)
            return x.draw < y.draw;
        return x.row->card < y.row->card;
    };
    std::sort(order.begin(), order.end(), weaker);
    QList<int> cards;
    const qsizetype count = std::clamp<qsizetype>(k, 0, order.size());
    for (qsizetype i = 0; i < count; ++i)
        cards.append(order.at(i).row->card);
    return cards;
}

QList<int> confusedCards(const QList<record::Confusion> &confusions, int pairs)
{
    QList<int> cards;
    for (qsizetype i = 0; i < std::min<qsizetype>(std::max(pairs, 0), confusions.size()); ++i) {
        for (const int card : {confusions.at(i).readCard, confusions.at(i).clickedCard}) {
            if (!cards.contains(card))
                cards.append(card);
        }
    }
    return cards;
}

namespace {
double medianOf(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return (values.at((n - 1) / 2) + values.at(n / 2)) / 2.0;
}

// A match on the chart: when it began, the day that was where the player
// is, and its median.
struct Dated {
    qint64 at;
    qint64 day; // Julian day
    double medianMs;
};

// What a match's span is known by: the match's start for a point a match,
// else the Julian day the span begins on.
qint64 spanKey(const Dated &m, TrendSpan span)
{
    if (span == TrendSpan::Match)
        return m.at;
    if (span == TrendSpan::Day)
        return m.day;
    const QDate day = QDate::fromJulianDay(m.day);
    return span == TrendSpan::Week ? m.day + 1 - day.dayOfWeek() : QDate(day.year(), day.month(), 1).toJulianDay();
}

// How many points a list has, a point per span. Matches come in order, so
// a span's matches are next to one another.
qsizetype pointCount(const QList<Dated> &matches, TrendSpan span)
{
    qsizetype points = 0;
    for (qsizetype i = 0; i < matches.size(); ++i) {
        if (i == 0 || span == TrendSpan::Match || spanKey(matches.at(i), span) != spanKey(matches.at(i - 1), span))
            ++points;
    }
    return points;
}

// The points themselves, each at the start of its span.
QList<TrendPoint> pointsOf(const QList<Dated> &matches, TrendSpan span, const QTimeZone &zone)
{
    QList<TrendPoint> points;
    QList<double> medians;
    for (qsizetype i = 0; i < matches.size(); ++i) {
        const qint64 key = spanKey(matches.at(i), span);
        medians.append(matches.at(i).medianMs);
        if (i + 1 < matches.size() && span != TrendSpan::Match && spanKey(matches.at(i + 1), span) == key)
            continue;
        const qint64 at =
            span == TrendSpan::Match ? key : QDate::fromJulianDay(key).startOfDay(zone).toMSecsSinceEpoch();
        points.append({at, medianOf(medians)});
        medians.clear();
    }
    return points;
}
} // namespace

MatchTrend matchTrend(const QList<record::MatchPoint> &matches, const QTimeZone &zone, int maxPoints)
{
    QList<Dated> all;
    QList<QPair<QString, QList<Dated>>> byOpponent;
    // The local day of the match before, from when to when it lasted: most
    // matches fall in it, and a conversion to local time is slow.
    qint64 day = 0, dayFrom = 0, dayTo = 0;
    for (const record::MatchPoint &m : matches) {
        if (!m.medianMs)
            continue;
        if (m.startedAt < dayFrom || m.startedAt >= dayTo) {
            const QDate date = QDateTime::fromMSecsSinceEpoch(m.startedAt, zone).date();
            day = date.toJulianDay();
            dayFrom = date.startOfDay(zone).toMSecsSinceEpoch();
            dayTo = date.addDays(1).startOfDay(zone).toMSecsSinceEpoch();
        }
        const Dated dated{m.startedAt, day, *m.medianMs};
        all.append(dated);
        const QString opponent = record::opponentText(m.opponent, m.level);
        auto kind = std::find_if(byOpponent.begin(), byOpponent.end(),
                                 [&opponent](const auto &series) { return series.first == opponent; });
        if (kind == byOpponent.end())
            kind = byOpponent.insert(byOpponent.end(), {opponent, {}});
        kind->second.append(dated);
    }
    // The finest span whose points fit, counted before any is made.
    MatchTrend trend;
    for (const TrendSpan span : {TrendSpan::Match, TrendSpan::Day, TrendSpan::Week, TrendSpan::Month}) {
        trend.span = span;
        qsizetype points = 0;
        for (const auto &series : std::as_const(byOpponent))
            points += pointCount(series.second, span);
        if (pointCount(all, span) <= maxPoints && points <= maxPoints)
            break;
    }
    trend.all = pointsOf(all, trend.span, zone);
    for (const auto &[opponent, series] : std::as_const(byOpponent))
        trend.byOpponent.append({opponent, pointsOf(series, trend.span, zone)});
    return trend;
}

} // namespace trainingstats

TakeTally::TakeTally(int cardCount)
    : m_cards(std::max(cardCount, 0))
{
}

TakeTally::Card *TakeTally::card(int card)
{
    return card >= 1 && card <= m_cards.size() ? &m_cards[card - 1] : nullptr;
}

void TakeTally::addTakes(int number, record::Taker taker, std::optional<int> reactionMs, int n)
{
    Card *c = card(number);
    if (!c)
        return;
    c->takes += n;
    if (taker == record::Taker::Computer) {
        c->computerFirst += n;
    } else if (reactionMs) {
        c->times[*reactionMs] += n;
        c->timed += n;
    }
}

void TakeTally::addWrongTakes(int clickedCard, int readCard, int n)
{
    if (Card *c = card(clickedCard))
        c->wrongTakes += n;
    if (Card *c = card(readCard))
        c->wrongWhileRead += n;
}

void TakeTally::setLatestTimes(int number, const QList<int> &newestFirst)
{
    if (Card *c = card(number))
        c->latest = QList<int>(newestFirst.crbegin(), newestFirst.crend());
}

int TakeTally::timedTakes(int number) const
{
    return number >= 1 && number <= m_cards.size() ? m_cards.at(number - 1).timed : 0;
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
        row.playerTakes = c.timed;
        if (c.timed > 0) {
            // The time at 0-based places (timed - 1) / 2 and timed / 2 in
            // order: one place for an odd count, the two middle ones else.
            const int low = (c.timed - 1) / 2, high = c.timed / 2;
            std::optional<int> lowTime;
            int before = 0;
            for (auto it = c.times.cbegin(); it != c.times.cend(); ++it) {
                before += it.value();
                if (!lowTime && before > low)
                    lowTime = it.key();
                if (before > high) {
                    row.medianMs = (*lowTime + it.key()) / 2.0;
                    break;
                }
            }
            row.bestMs = c.times.firstKey();
        }
        row.computerFirst = c.computerFirst;
        row.wrongTakes = c.wrongTakes;
        row.wrongWhileRead = c.wrongWhileRead;
        row.trendMs = trainingstats::trend(c.latest);
        rows.append(row);
    }
    return rows;
}
