// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What one match hands to the training record, and when. The match window
// calls it at each announcement (announcing), at each right take (taken),
// at each お手つき (wrongTake) and at the end, played out or given up (end);
// it keeps the match's key, the player's reaction clock and the take still
// to be handed over, and the window keeps the view.
//
// A take goes to the record at the next announcement, once that card's
// label and reading are under way, so that the announcement never waits for
// it; the last take goes just before the end. Nothing is recorded before
// start() or after end(): a match carried on after おわり is not.

#include "record/reactionclock.h"
#include "record/recordevents.h"

#include <optional>

class MatchState;
struct OpponentChoice;

class MatchRecorder
{
public:
    // Where the events go: the training record, which hands each one to its
    // writer thread without waiting (TrainingRecord), or a test's list.
    class Sink
    {
    public:
        using MatchKey = qint64;
        virtual ~Sink() = default;
        virtual MatchKey startMatch(const record::MatchStart &start) = 0;
        virtual void recordTake(MatchKey match, const record::Take &take) = 0;
        virtual void recordWrongTake(MatchKey match, const record::WrongTake &wrongTake) = 0;
        virtual void endMatch(MatchKey match, const record::MatchEnd &end) = 0;
    };

    // Where the player's reaction times come from: a monotonic clock in ms.
    void setClock(ReactionClock::Now now) { m_clock = ReactionClock(std::move(now)); }

    // The match has announced its first card: from now on it is recorded
    // in sink, which must last until end().
    void start(Sink &sink, const MatchState &match);
    bool isRecording() const { return m_key.has_value(); }

    // The card being read is being announced: the take before it is handed
    // over, and the player's clock stops until the card is really announced:
    // its label painted (labelShown) and, when readAloud, its reading begun
    // or found unplayable (readingBegun). A click before has no time.
    void announcing(bool readAloud);
    bool awaitingLabel() const { return m_awaitingLabel; }
    void labelShown();
    void readingBegun();
    bool isClockRunning() const { return m_clock.sinceAnnouncement().has_value(); }

    // A right take of the card being read from board slot, before
    // MatchState::take moves the match on; the player's takes carry the
    // reaction time when the clock runs.
    void taken(const MatchState &match, int slot, record::Taker taker);
    // お手つき on board slot. A click on a pile, or with no card being read,
    // is not one: it counts against the score alone.
    void wrongTake(const MatchState &match, int slot);
    // The match is over: won, lost or given up.
    void end(const MatchState &match, record::Result result);

    // The kind of opponent as the record keeps it: "level", "human:" with
    // the step's short form, "adaptive", or record::PracticeOpponent.
    static QString opponentKey(const OpponentChoice &choice);

private:
    void handOverTake();
    void startClockOnceAnnounced();

    Sink *m_sink = nullptr;
    std::optional<Sink::MatchKey> m_key;
    std::optional<record::Take> m_pendingTake;
    ReactionClock m_clock;
    bool m_awaitingLabel = false;
    bool m_awaitingReading = false;
};
