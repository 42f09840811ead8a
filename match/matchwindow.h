// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The match window: the table on which the player races the computer. The
// cards lie face up on a 10 x 5 grid; the card being read is shown at the
// top left with the strength level under it, the computer's hand at the top
// and the two scores at the bottom right. The rules and the match's own
// state live in MatchState, ComputerScan and Board; this window shows them
// and drives them from its timers and the player's clicks.

#include "match/board.h"
#include "match/cardpictures.h"
#include "match/computerscan.h"
#include "match/matchstate.h"
#include "match/opponent.h"
#include "record/matchrecorder.h"
#include "record/reactionclock.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class CardState;
class MatchHost;
class QAction;
class QGroupBox;
class QLabel;
class QMessageBox;
class QTimer;
class SoundDevice;
namespace ui { class PictureBox; }

class MatchWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The window takes ownership of its sound device.
    MatchWindow(CardState &data, MatchHost &host, SoundDevice *device);
    ~MatchWindow() override;

    MatchState &match() { return m_match; }
    const MatchState &match() const { return m_match; }
    const ComputerScan &scan() const { return m_scan; }

    // Places the window (top of the screen, centred, as tall as the screen
    // less a margin) and sets the hand pointer over the card boxes.
    void placeWindow();
    // Puts the match's cards on their slots and loads their pictures, from
    // the match's board order. Boxes beyond the card count are hidden.
    void layOutCards();
    // Puts the computer's score frame where the card count leaves room.
    void placeComputerScoreFrame(int cardCount);
    // Shows what the next match plays against in the level display, as the
    // settings window announces it: the level digit, or the opponent's
    // short form (OpponentChoice::displayText).
    void showLevel(const QString &shown);
    // Where each match's opponent gets the seed of its random engine; the
    // clock unless a test fixes it.
    void setOpponentSeeds(std::function<quint64()> seeds) { m_opponentSeeds = std::move(seeds); }

    // The start of a match, in pieces: the settings the match plays with
    // (shown in the level display), then its two orders, each drawn from a
    // fresh clock seed and copied into the program-wide arrays.
    MatchState::Setup readSettings();
    void drawOrders(const MatchState::Setup &setup);

    // Announces the card being read: its label in the reading display, the
    // computer's hand back at rest when asked (after its own take), the
    // reaction timer started when asked, and with the voice switch on its
    // recording played. Then announced() is sent.
    void announce(bool startReactionTimer, bool handBackToRest = false);
    // Plays the recording of the card being read.
    void readCardAloud();
    // Stops and closes the reading in progress when the match reads aloud;
    // with the voice switch off the device is not touched.
    void cutReadingShort();

    // 試合開始: a new match, its first card announced; the computer waits
    // for the second.
    void startMatch();
    // 苦手札で試合: a match of the given cards of the current set only, each
    // in a random slot among the first ones and read in random order; a
    // match still being played is given up first, as おわり gives it up.
    void startDrill(const QList<int> &cards);
    // Where the player's reaction times come from: a monotonic clock in ms.
    // Tests pass a clock they move themselves.
    void setReactionClock(ReactionClock::Now now) { m_recorder.setClock(std::move(now)); }
    // The player's clock runs from the moment the card being read is really
    // announced: its label painted on the screen and, when it is read aloud,
    // the first samples of its reading handed to the output. A click before
    // has no reaction time.
    bool isReactionClockRunning() const { return m_recorder.isClockRunning(); }
    // Whether the matches started from now on are recorded (they are unless
    // told otherwise: the benchmarks compare a match with and without it).
    void setRecording(bool on) { m_recording = on; }
    // Sets up the match: settings, orders, table, scores, piles, first card.
    void setUpMatch();
    // The last card has been taken: the result, and the question whether to
    // play again (No hides the window).
    void endMatch();
    // おわり: gives the match up and hides the window; the match stays as it
    // is and can be carried on.
    void leave();
    // ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ: the settings window, through the hub.
    void openSettings();

    // A click on the card box of board slot index + 1: a right take or a
    // wrong one.
    void takeCard(int index);
    // The reaction interval has run out: the computer starts looking (or
    // takes at its planned time; in practice nothing happens).
    void reactionTimeUp();
    // How long a card clicked by mistake keeps its red frame.
    static constexpr int WrongCardMarkMs = 600;
    // A computer turn for the card being read, run up to its first yield.
    void startComputerTurn();
    // One step of the computer's scan: its newest turn goes on from its
    // yield, and takes its card when it finds it.
    void stepScan();

Q_SIGNALS:
    // A card has been announced (label shown, timer and reading started).
    void announced();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Watches the reading display's paints.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // The suites reach the controls through this (tests/windowcontrols.h).
    friend struct MatchWindowControls;

    void load();
    void unload();
    // What おわり and a drill started over a match do to it: recorded as
    // abandoned, no claim on the adaptive factor, no timer, no reading, the
    // output released, the menu items enabled.
    void giveUpMatch();
    void showCard(ui::PictureBox *box, int card, const QImage &picture);
    void showScores();
    // The computer takes the card in board slot s (the take never yields).
    void computerTakes(int slot);
    // Moves a taken card onto a side's pile, in front of the other cards.
    void putOnPile(ui::PictureBox *box, Board::Pile side, int k);
    // Brings a card or the hand to the front of the table, yet under the
    // reading and level displays, their captions, the computer's hand at
    // rest with its caption, and the score frames, which the player must
    // see at all times.
    void bringToFront(QWidget *widget);
    // Those displays, lowest first.
    std::array<QWidget *, 8> displays() const;
    // Puts them above everything else on the table, once.
    void raiseDisplays();
    // The computer's hand back at rest: at a match's start, and at the card
    // after one of its takes.
    void putHandAtRest();
    // After a take: the next card, or the end of the match. The take is
    // handed to the record after the next card is announced, so that the
    // announcement never waits for it.
    void nextCardOrEnd(bool handBackToRest);
    // The red frame over a card clicked by mistake, for WrongCardMarkMs;
    // nothing else of the match changes.
    void markWrongCard(ui::PictureBox *box);
    // Keeps the scan timer running exactly while a turn is waiting.
    void keepScanning();
    // Has the recording after the one being read decoded before its turn.
    void readAhead();
    void tellNoSoundOutput();
    void tellIfCardFolderGone();
    void tellRecordProblem(const QString &message);

    // The training record's side of a match is m_recorder's; this starts it
    // after the first announcement. A match given up (おわり, close box, a
    // drill started over it) is recorded as abandoned.
    void recordStart();
    // The card being read has been announced: the reaction clock stops and
    // waits for its label to be painted and, when readAloud, for its reading
    // to begin (or to fail); then it starts.
    void awaitAnnouncement(bool readAloud);

    // The computer's side of a match (match/opponent.h). At the match start:
    // the opponent of the settings, with the player's record for the one
    // that adapts.
    void chooseOpponent(const MatchState::Setup &setup);
    // At each announcement the computer races for: its plan, and the
    // reaction timer set to it.
    void startComputerClock();
    // The reaction timer of a TakeAt plan has fired: the take, unless the
    // card has been taken meanwhile.
    void takeAtPlannedTime();
    // After a finished match against the adaptive opponent: its factor for
    // the next one, kept in the training record.
    void keepAdaptiveFactor();
    void tellAdaptiveFallback(const QString &problem);

    CardState &m_data;
    MatchHost &m_host;
    MatchState m_match;
    ComputerScan m_scan;
    CardPictures m_pictures;

    // The table. Card box k shows board slot k + 1.
    std::array<ui::PictureBox *, Board::Boxes> m_cardBoxes{};
    QLabel *m_readingCaption = nullptr; // よみあげ文字
    QLabel *m_readingDisplay = nullptr; // the label of the card being read
    QLabel *m_levelCaption = nullptr;   // レベル
    QLabel *m_levelDisplay = nullptr;   // the strength level
    QLabel *m_handCaption = nullptr;    // ｺﾝﾋﾟｭｰﾀの手
    ui::PictureBox *m_handAtRest = nullptr;
    ui::PictureBox *m_handTaking = nullptr;
    QGroupBox *m_playerScoreFrame = nullptr;   // あなたの得点
    QGroupBox *m_computerScoreFrame = nullptr; // ＣＯＭの得点
    QLabel *m_playerScore = nullptr;
    QLabel *m_computerScore = nullptr;
    QAction *m_startMatchAction = nullptr; // 試合開始
    QAction *m_settingsAction = nullptr;   // ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ
    QAction *m_leaveAction = nullptr;      // おわり
    // The computer's reaction: one interval per card, from its announcement.
    QTimer *m_reactionTimer = nullptr;
    // Steps the computer's scan: a zero interval, so each step comes after
    // everything already waiting in the event loop.
    QTimer *m_scanTimer = nullptr;
    // Started by the paint of the reading display: a zero interval, so it
    // fires once that paint is on the screen.
    QTimer *m_labelShownTimer = nullptr;
    QWidget *m_wrongCardFrame = nullptr;
    QTimer *m_wrongCardTimer = nullptr;
    SoundDevice *m_sound = nullptr;

    bool m_recording = true;
    MatchRecorder m_recorder;
    // The cards of the next match when it is a drill; empty for a whole set.
    QList<int> m_drillCards;

    bool m_placedWhenShown = false;
    // The result message is up: its own event loop runs, and the computer's
    // suspended turns wait until it is answered.
    bool m_askingResult = false;
    QPointer<QMessageBox> m_folderProblem;
    QPointer<QMessageBox> m_noSoundOutput;

    std::unique_ptr<Opponent> m_opponent;
    std::function<quint64()> m_opponentSeeds = randomorder::clockSeed;
    // The plan for the card being read, and that card's reading position.
    Opponent::Plan m_plan;
    int m_planPosition = 0;
    // The adaptive opponent's factor in this match; none for the others,
    // and none once the match has been given up.
    std::optional<double> m_adaptiveFactor;
    // The factor stored after the last finished match of this run: the
    // writer may not have committed it yet when the next match starts.
    std::optional<double> m_nextAdaptiveFactor;
    QPointer<QMessageBox> m_adaptiveFallback;
    QPointer<QMessageBox> m_recordProblem;
};
