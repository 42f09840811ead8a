// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Every window position and size of the program, in twips (1/1440 inch,
// 15 twips to a pixel at 96 dpi), and their conversion to pixels.
// Windows and rules take their numbers from here and nowhere else.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace Layout {

constexpr int TwipsPerPixel = 15;

// Twips to device-independent pixels, rounded to the nearest pixel.
constexpr int px(int twips)
{
    return twips >= 0 ? (twips + TwipsPerPixel / 2) / TwipsPerPixel
                      : -((-twips + TwipsPerPixel / 2) / TwipsPerPixel);
}

struct TwipRect {
    int left, top, width, height;
    constexpr QRect toPx() const { return QRect(px(left), px(top), px(width), px(height)); }
};

struct TwipPoint {
    int left, top;
    constexpr QPoint toPx() const { return QPoint(px(left), px(top)); }
};

struct TwipSize {
    int width, height;
    constexpr QSize toPx() const { return QSize(px(width), px(height)); }
};

struct TwipLine {
    int x1, y1, x2, y2;
};

// Windows that sit at this distance from the top of the screen, centred.
constexpr int WindowTopTwips = 2000;

// Each window's controls by role; the comment gives the control's object
// name where it differs from the role (docs/ARCHITECTURE.md, the glossary).

// ---- Start menu (frmMenu) -------------------------------------------------
namespace Menu {
constexpr TwipSize Client{4410, 4215};
constexpr TwipRect TitlePicture{480, 360, 3375, 3495}; // Image1
constexpr TwipRect MatchButton{240, 960, 2175, 615};    // Command1 "かるた取り"
constexpr TwipRect ReadingButton{1920, 1920, 2175, 615}; // Command2 "自動よみあげ"
constexpr TwipRect EditorButton{240, 2880, 2175, 615};  // Command3 "かるた設定"
// The bevel round the title picture.
constexpr int BevelWidthPx = 8;
constexpr TwipLine BevelRight{3840, 360, 3840, 3840};  // Line1, default colour
constexpr TwipLine BevelBottom{480, 3840, 3840, 3840}; // Line2, default colour
constexpr TwipLine BevelLeft{480, 360, 480, 3840};     // Line3, white
constexpr TwipLine BevelTop{480, 360, 3840, 360};      // Line4, white
} // namespace Menu

// ---- Match window (frmKaruto) ---------------------------------------------
namespace Match {
constexpr TwipSize Client{12480, 10455};
constexpr int HeightMarginTwips = 300; // window height = screen height - this
constexpr TwipSize CardBox{1005, 1305}; // Img1(k)
constexpr int Columns = 10;
constexpr int SlotLeft0 = 360, SlotStepX = 1200;
constexpr int SlotTop0 = 1500, SlotStepY = 1500;
constexpr int PointerBoxes = 46; // card boxes 0..45 get the hand pointer
constexpr TwipRect ReadingCaption{120, 120, 1035, 180};  // Label3_0 "よみあげ文字"
constexpr TwipRect ReadingDisplay{300, 360, 615, 375};   // Label1_2
constexpr TwipRect LevelCaption{360, 840, 495, 180};     // Label3_1 "レベル"
constexpr TwipRect LevelDisplay{300, 1080, 615, 375};    // Label1_3
constexpr TwipRect HandCaption{2880, 40, 990, 180};      // Label3_2 "ｺﾝﾋﾟｭｰﾀの手"
constexpr TwipRect HandAtRest{3000, 360, 480, 480};      // Image1_0
constexpr TwipRect HandTaking{5040, 240, 480, 480};      // Image1_1
constexpr TwipRect HandOutline{3120, 240, 495, 735};     // Shape1
constexpr TwipRect PlayerScoreFrame{11040, 7440, 1335, 975};   // Frame1 "あなたの得点"
constexpr TwipRect ComputerScoreFrame{11040, 8520, 1335, 975}; // Frame2 "ＣＯＭの得点"
constexpr TwipPoint ComputerScoreFrameBeside{9600, 7440}; // when the last row has room
constexpr int ComputerScoreFrameUnderFromCount = 49;       // from this card count it goes under the player's
constexpr TwipRect ScoreInFrame{120, 360, 855, 375};     // Label2_0, Label2_1 inside their frames
constexpr TwipRect ScoreUnitInFrame{960, 480, 270, 240}; // Label4_0, Label4_1 "点" inside their frames
constexpr TwipPoint PlayerPile{11160, 9120};
constexpr TwipPoint ComputerPile{11160, 120};
constexpr int PileStep = 300;
// The computer's hand while taking sits this far right of and below the
// card's top-left corner, and the lift runs up to LiftTop in LiftStep steps.
constexpr int HandOffsetX = 340, HandOffsetY = 400;
constexpr int LiftTop = 100, LiftStep = 50;
// The red frame over a card clicked by mistake, inside the card's edge.
constexpr int WrongCardFrameTwips = 60;

// Top-left corner of board slot s (1-based).
constexpr TwipPoint slot(int s)
{
    return TwipPoint{SlotLeft0 + SlotStepX * ((s - 1) % Columns),
                     SlotTop0 + SlotStepY * ((s - 1) / Columns)};
}
} // namespace Match

// ---- Settings window (frmSettei) ------------------------------------------
namespace Settings {
// Grown downwards for the opponent frame; the two frames above it keep
// their places.
constexpr TwipSize Client{3900, 5715};
constexpr TwipRect VoiceFrame{240, 240, 1335, 1455};  // Frame2 "音声よみあげ"
constexpr TwipRect VoiceOffButton{240, 360, 855, 255}; // Option2_0 "しない", inside the voice frame
constexpr TwipRect VoiceOnButton{240, 840, 855, 255};  // Option2_1 "する", inside the voice frame
constexpr TwipRect StrengthFrame{1800, 240, 1935, 2775}; // Frame1 "コンピュータのつよさ"
constexpr int LevelButtonLeft = 360, LevelButtonTop0 = 360, LevelButtonStepY = 480;
constexpr TwipSize LevelButtonSize{1455, 255};
// The button of level i + 1 (Option1_i), inside the strength frame.
constexpr TwipRect levelButton(int i)
{
    return TwipRect{LevelButtonLeft, LevelButtonTop0 + LevelButtonStepY * i, LevelButtonSize.width, LevelButtonSize.height};
}
// Under both frames above and as wide as the two together.
constexpr TwipRect OpponentFrame{240, 3135, 3495, 2415}; // Frame3 "相手"
// Inside the opponent frame: its four options, and the speed of the
// human-like opponent under the option it belongs to.
constexpr TwipRect ByLevelButton{240, 360, 1815, 255};    // Option3_0 "レベルどおり"
constexpr TwipRect HumanLikeButton{240, 720, 1815, 255};  // Option3_1 "人のような相手"
constexpr TwipRect StepCaption{600, 1140, 480, 180};      // Label3_0 "速さ"
constexpr TwipRect StepChooser{1200, 1080, 1455, 300};    // Combo3
constexpr TwipRect AdaptiveButton{240, 1560, 1935, 255};  // Option3_2 "あなたに合わせる"
constexpr TwipRect PracticeButton{240, 1920, 1935, 255};  // Option3_3 "相手なし（練習）"
} // namespace Settings

// ---- Automatic reading window (frmMain) -----------------------------------
namespace Reading {
constexpr TwipSize Client{6135, 3465};
constexpr TwipRect TimesCaption{360, 180, 1035, 180};    // Label2_0 "よみあげ回数"
constexpr TwipRect TimesChooser{1440, 120, 615, 300};    // Combo1
constexpr TwipRect TimesUnitCaption{2160, 180, 180, 180}; // Label2_1 "回"
constexpr TwipRect OrderCaption{240, 660, 1035, 180};    // Label2_3 "よみあげ方法"
constexpr TwipRect OrderChooser{1440, 600, 1215, 300};   // Combo2
constexpr TwipRect LabelCaption{240, 1200, 1035, 180};   // Label2_4 "よみあげ文字"
constexpr TwipRect LabelDisplay{1440, 1080, 615, 375};   // Label1_1
constexpr TwipRect NumberCaption{240, 1635, 1035, 180};  // Label2_2 "よみあげ番号"
constexpr TwipRect NumberDisplay{1440, 1560, 615, 375};  // Label1_0
// Between the number and the start button, in the columns of よみあげ回数.
constexpr TwipRect PauseCaption{240, 2085, 1035, 180};   // Label2_5 "よみあげの間"
constexpr TwipRect PauseChooser{1440, 2025, 615, 300};   // Combo3
constexpr TwipRect PauseUnitCaption{2160, 2085, 180, 180}; // Label2_6 "秒"
constexpr TwipRect StartButton{840, 2400, 1575, 495};    // Command1 "実　行"
constexpr TwipRect CardPicture{3360, 120, 2535, 3135};   // Image1
} // namespace Reading

// ---- Card-set editor (frmEdit) --------------------------------------------
namespace Editor {
constexpr TwipSize Client{10980, 9030};
constexpr TwipRect FolderCaption{1920, 120, 1680, 180}; // Label2_0 "現在のかるたフォルダ"
constexpr TwipRect FolderLabel{3600, 60, 3255, 255};    // Label3
constexpr TwipRect CountCaption{6960, 120, 1035, 180};  // Label2_1 "かるたの枚数"
constexpr TwipRect CountBox{8040, 60, 495, 270};        // Text2
constexpr TwipRect CountUnitCaption{8600, 120, 180, 180}; // Label2_2 "枚"
constexpr int Entries = 49, Columns = 10;
constexpr int EntryLeft0 = 120, EntryStepX = 1080;
constexpr int EntryTop0 = 480, EntryStepY = 1680;
// Top-left corner of entry k (card k + 1): its label box.
constexpr TwipPoint entry(int k)
{
    return TwipPoint{EntryLeft0 + EntryStepX * (k % Columns), EntryTop0 + EntryStepY * (k / Columns)};
}
constexpr TwipSize LabelBoxSize{420, 330}; // Text1(k)
constexpr int NumberLabelOffsetX = 480;    // Label1(k), right of the label box
constexpr TwipSize NumberLabelSize{390, 330};
constexpr int PictureOffsetY = 360;        // Img1(k), under the label box
constexpr TwipSize PictureSize{1005, 1305};
constexpr TwipRect DriveList{840, 1440, 2655, 300};   // Drive1
constexpr TwipRect FolderList{840, 1800, 2655, 4710}; // Dir1
constexpr TwipRect FileList{3600, 1440, 2055, 5130};  // File1
} // namespace Editor

// ---- Help window (frmHelp) ------------------------------------------------
namespace Help {
constexpr int HeightMarginTwips = 500;        // window height = screen height - this
constexpr int BrowserWidthMarginTwips = 100;  // browser width = window width - this
constexpr int BrowserHeightMarginTwips = 400; // browser height = window height - this
} // namespace Help

// ---- About box (frmAbout) -------------------------------------------------
namespace About {
constexpr TwipSize Client{5730, 3630};
constexpr TwipRect Icon{240, 240, 510, 510};            // picIcon
constexpr TwipRect Title{1050, 240, 3885, 480};         // lblTitle
constexpr TwipRect Version{1050, 780, 3885, 225};       // lblVersion
constexpr TwipRect Description{1050, 1125, 3885, 1170}; // lblDescription
// An etched separator: a grey line with a white one just under it.
constexpr TwipLine SeparatorWhite{105, 2460, 5654, 2460}; // Line1_0
constexpr TwipLine SeparatorGrey{90, 2445, 5654, 2445};   // Line1_1
constexpr TwipRect Disclaimer{255, 2625, 3870, 945};    // lblDisclaimer
constexpr TwipRect OkButton{4320, 2880, 1310, 345};     // cmdOK "OK"
} // namespace About

} // namespace Layout
