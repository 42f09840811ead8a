// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "match/matchstate.h"

#include "settings/matchsettings.h"

#include <algorithm>

MatchState::Setup MatchState::Setup::from(const MatchSettings &settings)
{
    Setup setup;
    const int level = settings.strengthLevel();
    setup.level = Strength::isLevel(level) ? level : Strength::Default;
    setup.voice = settings.voiceOn();
    setup.opponent = settings.opponentChoice();
    return setup;
}

MatchState::Cards MatchState::Cards::from(const CardState &data)
{
    return Cards{data.cardCount(), data.labels(), data.cardFolder(), {}};
}

void MatchState::begin(int cardCount, const Setup &setup, quint64 readingSeed, quint64 boardSeed)
{
    begin(Cards{cardCount, {}, {}, {}}, setup, readingSeed, boardSeed);
}

void MatchState::begin(const Cards &cards, const Setup &setup, quint64 readingSeed, quint64 boardSeed)
{
    m_begun = true;
    m_cards = cards;
    m_cards.count = std::clamp(cards.count, 0, int(CardState::MaxCards));
    m_cards.only.clear();
    for (int card : cards.only) {
        if (card >= 1 && card <= m_cards.count && !m_cards.only.contains(card))
            m_cards.only.append(card);
    }
    m_cardCount = m_cards.only.isEmpty() ? m_cards.count : int(m_cards.only.size());
    m_setup = setup;
    if (!Strength::isLevel(m_setup.level))
        m_setup.level = Strength::Default;
    randomorder::drawRandomOrder(m_readingOrder, m_cardCount, readingSeed);
    randomorder::drawRandomOrder(m_boardOrder, m_cardCount, boardSeed);
    if (!m_cards.only.isEmpty()) {
        // Both orders are drawn over places 1..K of the list, then each place
        // becomes the card it holds: every rule below works on card numbers
        // and never needs to know that some of the set sit out.
        for (int p = 1; p <= m_cardCount; ++p) {
            m_readingOrder[p] = qint16(m_cards.only[m_readingOrder[p] - 1]);
            m_boardOrder[p] = qint16(m_cards.only[m_boardOrder[p] - 1]);
        }
    }
    m_position = 1;
    m_playerScore = 0;
    m_computerScore = 0;
    m_playerPile = 0;
    m_computerPile = 0;
}

int MatchState::currentCard() const
{
    if (m_position < 1 || m_position > m_cardCount)
        return 0;
    return m_readingOrder[m_position];
}

int MatchState::nextCard() const
{
    if (m_position < 1 || m_position >= m_cardCount)
        return 0;
    return m_readingOrder[m_position + 1];
}

int MatchState::cardInSlot(int slot) const
{
    if (slot < 1 || slot > m_cardCount)
        return 0;
    return m_boardOrder[slot];
}

QString MatchState::label(int card) const
{
    if (card < 1 || card > m_cards.count)
        return {};
    return m_cards.labels[card];
}

QString MatchState::picturePath(int card) const
{
    return CardState::picturePathIn(m_cards.folder, card);
}

QString MatchState::soundPath(int card) const
{
    return CardState::soundPathIn(m_cards.folder, card);
}

MatchState::Announcement MatchState::announcement() const
{
    Announcement a;
    a.card = currentCard();
    if (a.card == 0)
        return a;
    a.label = label(a.card);
    a.soundFile = soundPath(a.card);
    a.readAloud = m_setup.voice;
    return a;
}

bool MatchState::isRightTake(int slot) const
{
    const int card = cardInSlot(slot);
    return card != 0 && card == currentCard();
}

int MatchState::take(Board::Pile side, int slot)
{
    if (!isRightTake(slot))
        return 0;
    int k = 0;
    if (side == Board::Pile::Player) {
        m_playerScore += TakePoints;
        k = ++m_playerPile;
    } else {
        m_computerScore += TakePoints;
        k = ++m_computerPile;
    }
    ++m_position;
    m_boardOrder[slot] = 0;
    return k;
}
