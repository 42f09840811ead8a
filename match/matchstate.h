#pragma once

// The state of one match, apart from any window: its settings, fixed at its
// start, and its own reading and board orders. The match keeps its own copy
// of both orders, so an activity that draws new shared orders while a match
// is running (the automatic reading) cannot change the match's cards.

#include "data/randomorder.h"
#include "settings/strength.h"

#include <QString>

class MatchSettings;
class Module1;

class MatchState
{
public:
    using Order = randomorder::Order;

    // What a match takes from the settings at its start.
    struct Setup {
        int level = Strength::Default;
        bool voice = true;
        // An out-of-range level counts as the default.
        static Setup from(const MatchSettings &settings);
    };

    // What is announced for the card being read.
    struct Announcement {
        int card = 0;       // 0 when no card is being read
        QString label;      // shown in the reading display
        QString soundFile;  // its recording
        bool readAloud = false;
    };

    // Sets up a match of cardCount cards (taken as 0..49): the settings, the
    // reading order drawn from readingSeed, then the board order from
    // boardSeed, and the first card as the one being read.
    void begin(int cardCount, const Setup &setup, quint64 readingSeed, quint64 boardSeed);
    bool begun() const { return m_begun; }

    int cardCount() const { return m_cardCount; }
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
    // The card lying in board slot s (1..N), or 0 for an empty slot.
    int cardInSlot(int slot) const;

    Announcement announcement(const Module1 &data) const;

private:
    bool m_begun = false;
    int m_cardCount = 0;
    Setup m_setup;
    Order m_readingOrder{};
    Order m_boardOrder{};
    int m_position = 0;
};
