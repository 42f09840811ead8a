// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The rules of the automatic reading: which card is read at each tick, when
// the same card is read again, when the run moves on and when it ends. The
// window owns the timers and the sound device and asks this class what to
// do at each of its events.
//
// Every activation, "おわり" and closing of the window ends the run that was
// going on; anything that still arrives for it (a tick's continuation, a
// completion notice) is recognised by its run id and ignored.

#include "data/cardstate.h"

#include <QString>

#include <array>

class AutoReading
{
public:
    enum class Method { Random = 1, Aiu = 2 };
    // Which of the window's two timers drives a run: one for あいう order,
    // one for random order.
    enum class Timer { AiuOrder, RandomOrder };
    enum class State { Idle, Waiting, Playing, Finished, Stopped, Left };

    static constexpr int FirstDelayMs = 2000;
    // The pause from the end of one reading to the start of the next
    // (よみあげの間): one of PauseSeconds, NextDelayMs unless chosen.
    static constexpr int NextDelayMs = 5000;
    static constexpr std::array<int, 4> PauseSeconds{3, 5, 8, 10};

    explicit AutoReading(CardState &data);

    // The reading count of a run: the number at the start of the text, at
    // most 2. Above 1 means each card is read twice.
    static double readingCount(const QString &timesText);
    // The reading method: the first character of the text, 1 or 2. Any other
    // text reads in random order rather than leaving the run unstartable.
    static Method readingMethod(const QString &orderText);

    // The window became active: any run is over, a new random order is
    // drawn from seed and the position goes back to 0.
    void activate(quint64 seed);
    // "実　行": a new run from position 1 with the given choices. Returns the
    // timer to start with FirstDelayMs.
    Timer start(const QString &timesText, const QString &orderText, int pauseMs = NextDelayMs);

    struct Reading {
        int card = 0;      // card index
        QString number;    // the card index as shown
        QString label;     // the card's label
        quint64 run = 0;   // the run this reading belongs to
    };
    // A tick of the run's timer: the card to read now.
    Reading tick();
    // The card the run's next tick will read: while waiting, the one due;
    // while playing, the same card again when it is read twice, or the
    // next one. 0 when no run is on or the last reading is playing.
    int upcomingCard() const;

    enum class Next {
        Ignore,   // the notice belongs to a run that is over
        Schedule, // start the run's timer again (pauseMs())
        End,      // the last reading has played: the run is finished
        Stop,     // the reading did not play to its end: the run stops here
    };
    // The sound device's completion notice for the reading of run.
    Next done(quint64 run, int notifyCode);
    // The end message has been closed.
    void finished();
    // The window is ready for a new run after one that stopped.
    void stopped();
    // "おわり" or closing the window.
    void leave();

    // True while run is the run going on and it is not over.
    bool isCurrent(quint64 run) const;
    quint64 run() const { return m_run; }
    State state() const { return m_state; }
    Timer runTimer() const { return m_method == Method::Aiu ? Timer::AiuOrder : Timer::RandomOrder; }
    Method method() const { return m_method; }
    double count() const { return m_count; }
    int pauseMs() const { return m_pauseMs; }
    bool repeatPending() const { return m_repeatPending; }

private:
    void setPosition(int position);
    int cardAt(int position) const;

    CardState &m_data;
    CardState::Order m_order{};
    int m_cards = 0; // card count when the order was drawn
    int m_position = 0;
    quint64 m_run = 0;
    State m_state = State::Idle;
    Method m_method = Method::Random;
    double m_count = 1;
    int m_pauseMs = NextDelayMs;
    bool m_repeatPending = true;
};
