// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading/autoreading.h"

#include "data/cardstate.h"
#include "data/numtext.h"
#include "data/randomorder.h"
#include "sound/sounddevice.h"

#include <QtGlobal>

AutoReading::AutoReading(CardState &data) : m_data(data)
{
}

double AutoReading::readingCount(const QString &timesText)
{
    return qMin(leadingNumber(timesText), 2.0);
}

AutoReading::Method AutoReading::readingMethod(const QString &orderText)
{
    return orderText.startsWith(u'2') ? Method::Aiu : Method::Random;
}

void AutoReading::activate(quint64 seed)
{
    ++m_run;
    m_state = State::Idle;
    // The run reads from its own copy, so nothing another window writes into
    // the shared order can change the cards of a run under way.
    m_cards = qBound(1, int(m_data.cardCount()), CardState::MaxCards);
    randomorder::drawRandomOrder(m_order, m_cards, seed, randomorder::Precision::Single);
    std::copy(m_order.begin() + 1, m_order.begin() + 1 + m_cards, m_data.readingOrder().begin() + 1);
    m_position = 0;
    m_data.readingPosition() = 0;
}

AutoReading::Timer AutoReading::start(const QString &timesText, const QString &orderText, int pauseMs)
{
    ++m_run;
    m_count = readingCount(timesText);
    m_pauseMs = pauseMs;
    m_repeatPending = true;
    m_method = readingMethod(orderText);
    setPosition(1);
    m_state = State::Waiting;
    return runTimer();
}

int AutoReading::cardAt(int position) const
{
    if (position < 1 || position > m_cards)
        return 0;
    return m_method == Method::Aiu ? position : m_order[position];
}

int AutoReading::upcomingCard() const
{
    switch (m_state) {
    case State::Waiting:
        return cardAt(m_position);
    case State::Playing:
        return m_count > 1 && m_repeatPending ? cardAt(m_position) : cardAt(m_position + 1);
    default:
        return 0;
    }
}

AutoReading::Reading AutoReading::tick()
{
    Reading reading;
    reading.card = m_method == Method::Aiu ? m_position : m_order[m_position];
    reading.number = QString::number(reading.card);
    reading.label = m_data.label(reading.card);
    reading.run = m_run;
    m_state = State::Playing;
    return reading;
}

AutoReading::Next AutoReading::done(quint64 run, int notifyCode)
{
    if (!isCurrent(run) || m_state != State::Playing)
        return Next::Ignore;
    if (notifyCode != SoundDevice::Successful) {
        m_state = State::Stopped;
        return Next::Stop;
    }
    const bool twice = m_count > 1;
    if (twice && m_repeatPending) {
        m_repeatPending = false;
        m_state = State::Waiting;
        return Next::Schedule;
    }
    if (twice)
        m_repeatPending = true;
    setPosition(m_position + 1);
    if (m_position > m_cards) {
        m_state = State::Finished;
        return Next::End;
    }
    m_state = State::Waiting;
    return Next::Schedule;
}

void AutoReading::stopped()
{
    if (m_state == State::Stopped)
        m_state = State::Idle;
}

void AutoReading::finished()
{
    if (m_state == State::Finished)
        m_state = State::Idle;
}

void AutoReading::leave()
{
    ++m_run;
    m_state = State::Left;
}

bool AutoReading::isCurrent(quint64 run) const
{
    return run == m_run && (m_state == State::Waiting || m_state == State::Playing);
}

void AutoReading::setPosition(int position)
{
    m_position = position;
    m_data.readingPosition() = qint16(position);
}
