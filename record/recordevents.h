// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the training record keeps, as plain values. The match window hands
// these to TrainingRecord as they happen; the statistics window gets back
// the rows below from RecordReader. Times are wall-clock milliseconds since
// 1970 (UTC) for when something happened, and milliseconds of a monotonic
// clock for how long the player took.

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace record {

enum class Taker { Player, Computer };

// How a match ended. Unfinished: no end was recorded, because the match is
// still being played or the program was stopped in the middle of it.
enum class Result { Won, Lost, Abandoned, Unfinished };

// The text a take's taker and a match's result are stored as; also what
// they read as in the record file when a coach opens it with other tools.
QString takerKey(Taker taker);
std::optional<Taker> takerFromKey(const QString &key);
QString resultKey(Result result);
Result resultFromKey(const QString &key);
// The result as the 成績 window and the CSV export say it.
QString resultText(Result result);
// What a match was played against, as the match window's level display
// showed it: the level's digit, a named step's short form, 合, or 練 for a
// match against nobody.
QString opponentText(const QString &opponent, int level);

// The card set's key in the record: its folder as a clean absolute path, so
// that the same folder written two ways is one history.
QString cardSetKey(const QString &cardFolder);

// The opponent of a match played against nobody (相手なし（練習）): its
// takes count in each card's figures, but the adaptive opponent, which
// races the player's own times, leaves them out.
constexpr char PracticeOpponent[] = "practice";

// A match as it starts. cardFolder names the card set: takes of the same
// folder are one history, whatever its labels are today.
struct MatchStart {
    QString cardFolder;
    int cardCount = 0;
    int level = 0;
    bool voice = true;
    bool drill = false;   // a match of the weakest cards only
    QString opponent = QStringLiteral("level"); // the kind of opponent (MatchRecorder::opponentKey)
};

// A right take: the card being read, taken from its board slot.
struct Take {
    int card = 0;
    QString label;        // the card's label as it was shown in this match
    int slot = 0;
    Taker taker = Taker::Player;
    // From the announcement to the player's click; none for the computer's
    // takes, since the player did not take the card.
    std::optional<int> reactionMs;
};

// お手つき: a click on a card that is not the one being read.
struct WrongTake {
    int clickedCard = 0;
    int readCard = 0;
    int slot = 0;
    int sinceAnnouncementMs = 0;
};

struct MatchEnd {
    qint64 playerScore = 0;
    int computerScore = 0;
    Result result = Result::Abandoned;
};

// Which takes the statistics look at: all of them, or those of the last 30
// or 7 days (counted back from now in whole 24-hour days).
enum class Period { All, Last30Days, Last7Days };
// The earliest time a period includes.
qint64 periodStart(Period period, qint64 nowMs);

// One line of the card table, for one card of today's set.
struct CardRow {
    int card = 0;
    QString label;             // today's label: the caller passes the set as it is now
    int takes = 0;             // by either side
    int playerTakes = 0;       // those with a reaction time
    std::optional<double> medianMs;
    std::optional<int> bestMs;
    int computerFirst = 0;     // taken by the computer before the player
    int wrongTakes = 0;        // お手つき on this card: clicked while another was read
    int wrongWhileRead = 0;    // お手つき while this card was read: another one clicked
    // Median of the player's last 10 reaction times minus the median of the
    // 10 before them: negative when the player has become faster. None until
    // the card has 20 timed takes in the period.
    std::optional<double> trendMs;
};

// 取り違え: one card clicked while another was read, and how often.
struct Confusion {
    int readCard = 0;
    int clickedCard = 0;
    int count = 0;
    qint64 lastAt = 0;  // the latest time, as a take's time
};

// The player's median reaction in one match, for the chart over time.
struct MatchPoint {
    qint64 matchId = 0;
    qint64 startedAt = 0;
    int level = 0;
    bool drill = false;
    QString opponent;               // as MatchRow::opponent
    std::optional<double> medianMs; // none when the player took no card
};

// One line of the match history.
struct MatchRow {
    qint64 matchId = 0;
    qint64 startedAt = 0;
    std::optional<qint64> endedAt;
    int level = 0;
    bool voice = true;
    int cardCount = 0;
    qint64 playerScore = 0;
    int computerScore = 0;
    Result result = Result::Unfinished;
    bool drill = false;
    QString opponent;
};

} // namespace record
