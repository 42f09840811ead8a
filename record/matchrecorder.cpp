// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/matchrecorder.h"

#include "match/matchstate.h"
#include "match/opponentchoice.h"

void MatchRecorder::start(Sink &sink, const MatchState &match)
{
    m_sink = &sink;
    m_pendingTake.reset();
    record::MatchStart start;
    start.cardFolder = match.cards().folder;
    start.cardCount = match.cardCount();
    start.level = match.level();
    start.voice = match.voiceOn();
    start.drill = match.isDrill();
    start.opponent = opponentKey(match.setup().opponent);
    m_key = sink.startMatch(start);
}

void MatchRecorder::announcing(bool readAloud)
{
    handOverTake();
    m_clock.clear();
    m_awaitingLabel = true;
    m_awaitingReading = readAloud;
}

void MatchRecorder::labelShown()
{
    if (!m_awaitingLabel)
        return;
    m_awaitingLabel = false;
    startClockOnceAnnounced();
}

void MatchRecorder::readingBegun()
{
    // The device reports only the reading it has open, which is always that
    // of the card being read: each take closes the one before.
    if (!m_awaitingReading)
        return;
    m_awaitingReading = false;
    startClockOnceAnnounced();
}

void MatchRecorder::startClockOnceAnnounced()
{
    if (!m_awaitingLabel && !m_awaitingReading)
        m_clock.announced();
}

void MatchRecorder::taken(const MatchState &match, int slot, record::Taker taker)
{
    if (!m_key)
        return;
    const int card = match.currentCard();
    const std::optional<int> ms = taker == record::Taker::Player ? m_clock.sinceAnnouncement() : std::nullopt;
    m_pendingTake = record::Take{card, match.label(card), slot, taker, ms};
}

void MatchRecorder::handOverTake()
{
    if (m_key && m_pendingTake)
        m_sink->recordTake(*m_key, *m_pendingTake);
    m_pendingTake.reset();
}

void MatchRecorder::wrongTake(const MatchState &match, int slot)
{
    const int clicked = match.cardInSlot(slot);
    const int read = match.currentCard();
    if (!m_key || clicked == 0 || read == 0)
        return;
    m_sink->recordWrongTake(*m_key, {clicked, read, slot, m_clock.sinceAnnouncement().value_or(0)});
}

void MatchRecorder::end(const MatchState &match, record::Result result)
{
    if (!m_key)
        return;
    handOverTake();
    m_sink->endMatch(*m_key, {match.playerScore(), match.computerScore(), result});
    m_key.reset();
    m_clock.clear();
}

QString MatchRecorder::opponentKey(const OpponentChoice &choice)
{
    switch (choice.kind) {
    case OpponentChoice::Kind::HumanLike:
        return QStringLiteral("human:") + QString::fromUtf8(HumanModel::step(choice.step).shortForm);
    case OpponentChoice::Kind::Adaptive:
        return QStringLiteral("adaptive");
    case OpponentChoice::Kind::Practice:
        return QString::fromLatin1(record::PracticeOpponent);
    case OpponentChoice::Kind::ByLevel:
        break;
    }
    return QStringLiteral("level");
}
