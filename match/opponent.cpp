// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "match/opponent.h"

#include "match/matchstate.h"

#include <algorithm>
#include <cmath>

namespace {

int slotOfCurrentCard(const MatchState &match)
{
    const int card = match.currentCard();
    for (int s = 1; card != 0 && s <= match.cardCount(); ++s) {
        if (match.cardInSlot(s) == card)
            return s;
    }
    return 0;
}

Opponent::Plan takeAt(const MatchState &match, double ms)
{
    return Opponent::Plan{Opponent::Plan::Kind::TakeAt, int(std::lround(ms)), slotOfCurrentCard(match)};
}

double median(QList<int> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (double(values[n / 2 - 1]) + values[n / 2]) / 2;
}

QList<int> validTakes(const QList<int> &times)
{
    QList<int> valid;
    for (int ms : times) {
        if (ms >= AdaptiveOpponent::ValidMinMs && ms <= AdaptiveOpponent::ValidMaxMs)
            valid.append(ms);
    }
    return valid;
}

// A factor that is not a number (a damaged record) counts as the start.
double usableFactor(double factor)
{
    if (std::isnan(factor))
        return AdaptiveOpponent::StartFactor;
    return std::clamp(factor, AdaptiveOpponent::MinFactor, AdaptiveOpponent::MaxFactor);
}

const HumanModel::StepInfo &standard()
{
    return HumanModel::step(HumanModel::Step::Standard);
}

} // namespace

int Opponent::cardsOnBoard(const MatchState &match)
{
    int n = 0;
    for (int s = 1; s <= match.cardCount(); ++s)
        n += match.cardInSlot(s) != 0;
    return n;
}

Opponent::Plan LevelOpponent::plan(const MatchState &match)
{
    return Plan{Plan::Kind::LevelScan, match.reactionIntervalMs(), 0};
}

HumanLikeOpponent::HumanLikeOpponent(HumanModel::Step step, quint64 seed)
    : m_params(HumanModel::step(step).params), m_engine(seed)
{
}

Opponent::Plan HumanLikeOpponent::plan(const MatchState &match)
{
    return takeAt(match, HumanModel::drawMs(m_params, cardsOnBoard(match), m_engine));
}

AdaptiveOpponent::AdaptiveOpponent(const Record &record, double factor, quint64 seed)
    : m_overallMs(standard().medianMs), m_factor(usableFactor(factor)), m_engine(seed)
{
    QList<int> all;
    for (auto it = record.cbegin(); it != record.cend(); ++it) {
        const QList<int> valid = validTakes(it.value());
        if (valid.size() >= MinTakesPerCard)
            m_cardMs.insert(it.key(), median(valid));
        all.append(valid);
    }
    if (!all.isEmpty())
        m_overallMs = median(all);
}

double AdaptiveOpponent::basisMs(int card) const
{
    return m_cardMs.value(card, m_overallMs);
}

Opponent::Plan AdaptiveOpponent::plan(const MatchState &match)
{
    // The shape of 「ふつう」 (its spread, its tail, its search), stretched to
    // the player's median for this card.
    const double k = m_factor * basisMs(match.currentCard()) / standard().medianMs;
    return takeAt(match, HumanModel::drawMs(HumanModel::scaled(standard().params, k), cardsOnBoard(match), m_engine));
}

bool AdaptiveOpponent::hasUsableTakes(const Record &record)
{
    for (const QList<int> &times : record) {
        if (!validTakes(times).isEmpty())
            return true;
    }
    return false;
}

double AdaptiveOpponent::nextFactor(double factor, int playerTook, int computerTook)
{
    const int contested = playerTook + computerTook;
    if (contested < MinContested || playerTook == computerTook)
        return factor;
    const double share = double(std::min(contested, FullStepContested)) / FullStepContested;
    const double step = playerTook > computerTook ? AfterPlayerWin : AfterPlayerLoss;
    return std::clamp(factor * std::pow(step, share), MinFactor, MaxFactor);
}

QString AdaptiveOpponent::factorToText(double factor)
{
    return QString::number(factor, 'g', 17);
}

double AdaptiveOpponent::factorFromText(const QString &text)
{
    bool ok = false;
    const double factor = text.trimmed().toDouble(&ok);
    // NaN fails both comparisons.
    if (!ok || !(factor >= MinFactor && factor <= MaxFactor))
        return StartFactor;
    return factor;
}

std::unique_ptr<Opponent> makeOpponent(const OpponentChoice &choice, quint64 seed,
                                       const AdaptiveOpponent::Record &record, double factor)
{
    switch (choice.kind) {
    case OpponentChoice::Kind::HumanLike:
        return std::make_unique<HumanLikeOpponent>(choice.step, seed);
    case OpponentChoice::Kind::Adaptive:
        return std::make_unique<AdaptiveOpponent>(record, factor, seed);
    case OpponentChoice::Kind::Practice:
        return std::make_unique<PracticeOpponent>();
    case OpponentChoice::Kind::ByLevel:
        break;
    }
    return std::make_unique<LevelOpponent>();
}
