// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The state of one match, apart from any window: its settings and its
// cards, fixed at its start, and its own reading and board orders. The match
// keeps its own copy of all of them, so an activity that draws new shared
// orders while a match is running (the automatic reading), or a set saved in
// the editor meanwhile, cannot change the match's cards.

#include "data/cardstate.h"
#include "data/randomorder.h"
#include "match/board.h"
#include "match/opponentchoice.h"
#include "settings/strength.h"

#include <QList>
#include <QString>

class MatchSettings;

class MatchState
{
public:
    using Order = randomorder::Order;

    // What a match takes from the settings at its start.
    struct Setup {
        int level = Strength::Default;
        bool voice = true;
        // The level's timer and scan, a human-like opponent or the adaptive
        // one (makeOpponent).
        OpponentChoice opponent{};
        // An out-of-range level counts as the default.
        static Setup from(const MatchSettings &settings);
    };

    // The card set a match is played with: how many cards, what each is
    // called and the folder of their pictures and recordings.
    struct Cards {
        int count = 0;
        CardState::LabelTable labels{};
        QString folder;
        // The cards in play, when only some of the set are (a drill of the
        // weakest cards): they lie in slots 1..K and are read in an order of
        // their own. Empty: every card 1..count.
        QList<int> only;
        // The current set of the program-wide card state.
        static Cards from(const CardState &data);
    };

    // What is announced for the card being read.
    struct Announcement {
        int card = 0;       // 0 when no card is being read
        QString label;      // shown in the reading display
        QString soundFile;  // its recording
        bool readAloud = false;
    };

    // Sets up a match with its own copy of the cards (their count taken as
    // 0..49): the settings, the reading order drawn from readingSeed, then
    // the board order from boardSeed, and the first card as the one being
    // read. With cards.only the orders are drawn over those cards (those
    // outside the set, and repeats, left out) instead of 1..count.
    void begin(const Cards &cards, const Setup &setup, quint64 readingSeed, quint64 boardSeed);
    // The same for cards without labels or files, where only the rules count.
    void begin(int cardCount, const Setup &setup, quint64 readingSeed, quint64 boardSeed);
    bool begun() const { return m_begun; }

    // How many cards are in play: slots 1..cardCount() hold them.
    int cardCount() const { return m_cardCount; }
    // A drill: only some cards of the set are in play.
    bool isDrill() const { return !m_cards.only.isEmpty(); }
    // The match's own copy of the cards, as they were at its start.
    const Cards &cards() const { return m_cards; }
    QString label(int card) const;
    QString picturePath(int card) const;
    QString soundPath(int card) const;
    const Setup &setup() const { return m_setup; }
    int level() const { return m_setup.level; }
    bool voiceOn() const { return m_setup.voice; }
    int scanDelay() const { return Strength::scanDelay(m_setup.level); }
    int reactionIntervalMs() const { return Strength::reactionIntervalMs(m_setup.level); }

    const Order &readingOrder() const { return m_readingOrder; }
    const Order &boardOrder() const { return m_boardOrder; }

    // Position in the reading order of the card being read, 1..N; N + 1
    // once every card has been read.
    int position() const { return m_position; }
    // The card being read, or 0 when there is none.
    int currentCard() const;
    // The card to be read after it, or 0 when it is the last.
    int nextCard() const;
    // The card lying in board slot s (1..N), or 0 for an empty slot.
    int cardInSlot(int slot) const;

    Announcement announcement() const;

    // Every card of the match has been taken.
    bool finished() const { return m_begun && m_position > m_cardCount; }

    // A click on board slot s is a right take when that slot still holds a
    // card and it is the card being read. A slot whose card lies on a pile,
    // or a slot beyond the set, holds none.
    bool isRightTake(int slot) const;

    // The take of the card being read from board slot s by one side: 5
    // points to the taker, the card to the taker's pile, its slot empty, and
    // the next card being read. Returns k, the card's place on the pile (the
    // k-th card that side took in this match). Anything but a right take
    // changes nothing and returns 0.
    int take(Board::Pile side, int slot);
    // A click on a wrong card: the player loses 3 points, nothing else changes.
    void wrongTake() { m_playerScore -= WrongTakePenalty; }

    static constexpr int TakePoints = 5;
    static constexpr int WrongTakePenalty = 3;

    // The player's score has no lower bound and counts any number of wrong
    // clicks; the computer's is at most 5 x 49.
    qint64 playerScore() const { return m_playerScore; }
    int computerScore() const { return m_computerScore; }
    // How many cards lie on each side's pile.
    int pileCount(Board::Pile side) const { return side == Board::Pile::Player ? m_playerPile : m_computerPile; }
    // A tie goes against the player.
    bool playerWins() const { return m_playerScore > m_computerScore; }

private:
    bool m_begun = false;
    int m_cardCount = 0;
    Cards m_cards;
    Setup m_setup;
    Order m_readingOrder{};
    Order m_boardOrder{};
    int m_position = 0;
    qint64 m_playerScore = 0;
    int m_computerScore = 0;
    int m_playerPile = 0;
    int m_computerPile = 0;
};
