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

// ---- Start menu (frmMenu) -------------------------------------------------
namespace Menu {
constexpr TwipSize Client{4410, 4215};
constexpr TwipRect Image1{480, 360, 3375, 3495};
constexpr TwipRect Command1{240, 960, 2175, 615};
constexpr TwipRect Command2{1920, 1920, 2175, 615};
constexpr TwipRect Command3{240, 2880, 2175, 615};
constexpr int LineWidthPx = 8;
constexpr TwipLine Line1{3840, 360, 3840, 3840}; // right edge, default colour
constexpr TwipLine Line2{480, 3840, 3840, 3840}; // bottom edge, default colour
constexpr TwipLine Line3{480, 360, 480, 3840};   // left edge, white
constexpr TwipLine Line4{480, 360, 3840, 360};   // top edge, white
} // namespace Menu

// ---- Match window (frmKaruto) ---------------------------------------------
namespace Karuto {
constexpr TwipSize Client{12480, 10455};
constexpr int HeightMarginTwips = 300; // window height = screen height - this
constexpr TwipSize CardBox{1005, 1305};
constexpr int Columns = 10;
constexpr int SlotLeft0 = 360, SlotStepX = 1200;
constexpr int SlotTop0 = 1500, SlotStepY = 1500;
constexpr int PointerBoxes = 46; // boxes 0..45 get the hand pointer
constexpr TwipRect Label3_0{120, 120, 1035, 180};  // "よみあげ文字"
constexpr TwipRect Label1_2{300, 360, 615, 375};   // reading display
constexpr TwipRect Label3_1{360, 840, 495, 180};   // "レベル"
constexpr TwipRect Label1_3{300, 1080, 615, 375};  // level display
constexpr TwipRect Label3_2{2880, 40, 990, 180};   // "ｺﾝﾋﾟｭｰﾀの手"
constexpr TwipRect Image1_0{3000, 360, 480, 480};  // hand at rest
constexpr TwipRect Image1_1{5040, 240, 480, 480};  // hand while taking
constexpr TwipRect Shape1{3120, 240, 495, 735};
constexpr TwipRect Frame1{11040, 7440, 1335, 975};
constexpr TwipRect Frame2{11040, 8520, 1335, 975};
constexpr TwipPoint Frame2Beside{9600, 7440}; // when the last row has room
constexpr int Frame2UnderFromCount = 49;      // from this card count Frame2 goes under Frame1
constexpr TwipRect ScoreInFrame{120, 360, 855, 375}; // Label2(i) inside its frame
constexpr TwipRect TenInFrame{960, 480, 270, 240};   // Label4(i) "点" inside its frame
constexpr TwipPoint PlayerPile{11160, 9120};
constexpr TwipPoint ComPile{11160, 120};
constexpr int PileStep = 300;
// The computer's hand while taking sits this far right of and below the
// card's top-left corner, and the lift runs up to LiftTop in LiftStep steps.
constexpr int HandOffsetX = 340, HandOffsetY = 400;
constexpr int LiftTop = 100, LiftStep = 50;

// Top-left corner of board slot s (1-based).
constexpr TwipPoint slot(int s)
{
    return TwipPoint{SlotLeft0 + SlotStepX * ((s - 1) % Columns),
                     SlotTop0 + SlotStepY * ((s - 1) / Columns)};
}
} // namespace Karuto

// ---- Settings window (frmSettei) ------------------------------------------
namespace Settei {
constexpr TwipSize Client{3900, 3180};
constexpr TwipRect Frame2{240, 240, 1335, 1455};  // "音声よみあげ"
constexpr TwipRect Option2_0{240, 360, 855, 255}; // "しない", inside Frame2
constexpr TwipRect Option2_1{240, 840, 855, 255}; // "する", inside Frame2
constexpr TwipRect Frame1{1800, 240, 1935, 2775}; // "コンピュータのつよさ"
constexpr int Option1Left = 360, Option1Top0 = 360, Option1StepY = 480;
constexpr TwipSize Option1Size{1455, 255};
constexpr TwipRect option1(int i) { return TwipRect{Option1Left, Option1Top0 + Option1StepY * i, Option1Size.width, Option1Size.height}; }
} // namespace Settei

// ---- Automatic reading window (frmMain) -----------------------------------
namespace Yomi {
constexpr TwipSize Client{6135, 3465};
constexpr TwipRect Label2_0{360, 180, 1035, 180};   // "よみあげ回数"
constexpr TwipRect Combo1{1440, 120, 615, 300};
constexpr TwipRect Label2_1{2160, 180, 180, 180};   // "回"
constexpr TwipRect Label2_3{240, 660, 1035, 180};   // "よみあげ方法"
constexpr TwipRect Combo2{1440, 600, 1215, 300};
constexpr TwipRect Label2_4{240, 1200, 1035, 180};  // "よみあげ文字"
constexpr TwipRect Label1_1{1440, 1080, 615, 375};  // card label box
constexpr TwipRect Label2_2{240, 1635, 1035, 180};  // "よみあげ番号"
constexpr TwipRect Label1_0{1440, 1560, 615, 375};  // card number box
constexpr TwipRect Command1{840, 2400, 1575, 495};  // "実　行"
constexpr TwipRect Image1{3360, 120, 2535, 3135};   // card picture
} // namespace Yomi

// ---- Card-set editor (frmEdit) --------------------------------------------
namespace Edit {
constexpr TwipSize Client{10980, 9030};
constexpr TwipRect Label2_0{1920, 120, 1680, 180}; // "現在のかるたフォルダ"
constexpr TwipRect Label3{3600, 60, 3255, 255};    // card folder
constexpr TwipRect Label2_1{6960, 120, 1035, 180}; // "かるたの枚数"
constexpr TwipRect Text2{8040, 60, 495, 270};      // card count
constexpr TwipRect Label2_2{8600, 120, 180, 180};  // "枚"
constexpr int Entries = 49, Columns = 10;
constexpr int EntryLeft0 = 120, EntryStepX = 1080;
constexpr int EntryTop0 = 480, EntryStepY = 1680;
constexpr TwipPoint entry(int k)
{
    return TwipPoint{EntryLeft0 + EntryStepX * (k % Columns), EntryTop0 + EntryStepY * (k / Columns)};
}
constexpr TwipSize Text1Size{420, 330};
constexpr int Label1OffsetX = 480;
constexpr TwipSize Label1Size{390, 330};
constexpr int Img1OffsetY = 360;
constexpr TwipSize Img1Size{1005, 1305};
constexpr TwipRect Drive1{840, 1440, 2655, 300};
constexpr TwipRect Dir1{840, 1800, 2655, 4710};
constexpr TwipRect File1{3600, 1440, 2055, 5130};
} // namespace Edit

// ---- Help window (frmHelp) ------------------------------------------------
namespace Help {
constexpr int HeightMarginTwips = 500;        // window height = screen height - this
constexpr int BrowserWidthMarginTwips = 100;  // browser width = window width - this
constexpr int BrowserHeightMarginTwips = 400; // browser height = window height - this
} // namespace Help

// ---- About box (frmAbout) -------------------------------------------------
namespace About {
constexpr TwipSize Client{5730, 3630};
constexpr TwipRect picIcon{240, 240, 510, 510};
constexpr TwipRect lblTitle{1050, 240, 3885, 480};
constexpr TwipRect lblVersion{1050, 780, 3885, 225};
constexpr TwipRect lblDescription{1050, 1125, 3885, 1170};
constexpr TwipLine Line1_0{105, 2460, 5654, 2460}; // white
constexpr TwipLine Line1_1{90, 2445, 5654, 2445};  // grey
constexpr TwipRect lblDisclaimer{255, 2625, 3870, 945};
constexpr TwipRect cmdOK{4320, 2880, 1310, 345};
} // namespace About

} // namespace Layout
