#pragma once

// The match window: the table on which the player races the computer. The
// cards lie face up on a 10 x 5 grid; the card being read is shown at the
// top left with the strength level under it, the computer's hand at the top
// and the two scores at the bottom right. The rules and the match's own
// state live in MatchState and Board; this window shows them.

#include "match/cardpictures.h"
#include "match/matchstate.h"

#include <QMainWindow>

#include <array>

class QAction;
class QGroupBox;
class QLabel;
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
    SoundDevice *MMControl1 = nullptr;
    QAction *mnuGo = nullptr;                // 試合開始
    QAction *mnuSetei = nullptr;             // ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ
    QAction *mnuEnd = nullptr;               // おわり

    MatchState &match() { return m_match; }
    const MatchState &match() const { return m_match; }

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
    // reaction timer started when asked, and with the voice switch on its
    // recording played.
    void announce(bool startReactionTimer);
    // Plays the recording of the card being read.
    void Yomiage();
    // Stops and closes the reading in progress when the match reads aloud;
    // with the voice switch off the device is not touched.
    void cutReadingShort();

    void mnuEnd_Click();
    void mnuSetei_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void Form_Unload();
    void showCard(ui::PictureBox *box, int card);

    WindowHub &m_hub;
    MatchState m_match;
    CardPictures m_pictures;
    bool m_placedWhenShown = false;
};
