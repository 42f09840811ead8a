// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The match window: the table on which the player races the computer. The
// cards lie face up on a 10 x 5 grid; the card being read is shown at the
// top left with the strength level under it, the computer's hand at the top
// and the two scores at the bottom right. The rules and the match's own
// state live in MatchState, ComputerScan and Board; this window shows them
// and drives them from its timers and the player's clicks.

#include "match/cardpictures.h"
#include "match/computerscan.h"
#include "match/matchstate.h"

#include <QMainWindow>
#include <QPointer>

#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QMessageBox;
class QTimer;
class SoundDevice;
class WindowHub;
namespace ui { class PictureBox; }

class FrmKaruto : public QMainWindow
{
    Q_OBJECT

public:
    explicit FrmKaruto(WindowHub &hub);
    ~FrmKaruto() override;

    // Controls, by the names the rest of the program and the tests use.
    std::array<ui::PictureBox *, 49> Img1{}; // Img1[k] shows board slot k + 1
    std::array<QLabel *, 3> Label3{};        // captions: よみあげ文字, レベル, ｺﾝﾋﾟｭｰﾀの手
    std::array<QLabel *, 4> Label1{};        // only [2] (reading display) and [3] (level display) exist
    std::array<ui::PictureBox *, 2> Image1{}; // the computer's hand: [0] at rest, [1] taking
    QWidget *Shape1 = nullptr;
    QGroupBox *Frame1 = nullptr;             // あなたの得点
    QGroupBox *Frame2 = nullptr;             // ＣＯＭの得点
    std::array<QLabel *, 2> Label2{};        // the scores: [0] player's, [1] computer's
    std::array<QLabel *, 2> Label4{};        // "点" in each frame
    QTimer *Timer1 = nullptr;                // the computer's reaction timer
    // Steps the computer's scan: a zero interval, so each step comes after
    // everything already waiting in the event loop.
    QTimer *scanTimer = nullptr;
    SoundDevice *MMControl1 = nullptr;
    QAction *mnuGo = nullptr;                // 試合開始
    QAction *mnuSetei = nullptr;             // ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ
    QAction *mnuEnd = nullptr;               // おわり

    MatchState &match() { return m_match; }
    const MatchState &match() const { return m_match; }
    const ComputerScan &scan() const { return m_scan; }

    // Places the window (top of the screen, centred, as tall as the screen
    // less a margin) and sets the hand pointer over the card boxes.
    void Inisharize();
    // Puts the match's cards on their slots and loads their pictures, from
    // the match's board order. Boxes beyond the card count are hidden.
    void KaruHyoji();
    // Puts the computer's score frame where the card count leaves room.
    void placeFrame2(int cardCount);

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
    void Yomiage();
    // Stops and closes the reading in progress when the match reads aloud;
    // with the voice switch off the device is not touched.
    void cutReadingShort();

    // 試合開始: a new match, its first card announced; the computer waits
    // for the second.
    void mnuGo_Click();
    // Sets up the match: settings, orders, table, scores, piles, first card.
    void Main();
    // The last card has been taken: the result, and the question whether to
    // play again (No hides the window).
    void EndIni();
    void mnuEnd_Click();
    void mnuSetei_Click();

    // A click on the card box Img1[index]: a right take or a wrong one.
    void Img1_Click(int index);
    // The reaction interval has run out: the computer starts looking.
    void Timer1_Timer();
    // A computer turn for the card being read, run up to its first yield.
    void ComArugo();
    // One step of the computer's scan: its newest turn goes on from its
    // yield, and takes its card when it finds it.
    void stepScan();

Q_SIGNALS:
    // A card has been announced (label shown, timer and reading started).
    void announced();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void Form_Unload();
    void showCard(ui::PictureBox *box, int card, const QImage &picture);
    void showScores();
    // The computer takes the card in board slot s (the take never yields).
    void computerTakes(int slot);
    // Moves a taken card onto a side's pile, in front of the other cards.
    void putOnPile(ui::PictureBox *box, Board::Pile side, int k);
    // Brings a card or the hand to the front of the table, yet under the
    // reading and level displays, their captions and the score frames,
    // which the player must see at all times.
    void bringToFront(QWidget *widget);
    // After a take: the next card, or the end of the match.
    void nextCardOrEnd(bool handBackToRest);
    // Keeps the scan timer running exactly while a turn is waiting.
    void keepScanning();
    // Has the recording after the one being read decoded before its turn.
    void readAhead();
    void tellNoSoundOutput();

    WindowHub &m_hub;
    MatchState m_match;
    ComputerScan m_scan;
    CardPictures m_pictures;
    bool m_placedWhenShown = false;
    // The result message is up: its own event loop runs, and the computer's
    // suspended turns wait until it is answered.
    bool m_askingResult = false;
    QPointer<QMessageBox> m_folderProblem;
    QPointer<QMessageBox> m_noSoundOutput;
};
