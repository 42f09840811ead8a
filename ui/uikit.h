// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Small pieces every window uses: placing windows, the program's fonts and
// colours, picture boxes and message boxes.

#include "layout/layout.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

class QWidget;

namespace ui {

// The program's title, the caption of its own message boxes.
QString programTitle();

// Fonts by the names the windows were designed with. Where such a font is
// not installed, the Japanese gothic of the system stands in for it.
constexpr const char *PGothic = "ＭＳ Ｐゴシック";
constexpr const char *Gothic = "ＭＳ ゴシック";
QFont font(const char *family, qreal pointSize, bool bold);
void installFontSubstitutes();

// A plain background colour for a widget (and its children that inherit it).
void setBackground(QWidget *widget, const QColor &colour);
// A button drawn in the given colour.
void setButtonColour(QWidget *button, const QColor &colour);

// Client area of a top-level window, in twips.
void setClientSize(QWidget *window, Layout::TwipSize size);
// Moves a top-level window so that its top edge is at topTwips and it is
// centred horizontally on its screen.
void placeTopCentred(QWidget *window, int topTwips);
// The screen the window is on (or the primary one), in pixels.
QRect screenRect(const QWidget *window);

// A caption: plain text (never read as markup), the given rectangle.
QLabel *caption(QWidget *parent, const QString &text, Layout::TwipRect rect);

// A picture stretched to its box, decoded at the box's size. Clicking it
// emits clicked(). Give it an accessible name saying what it shows.
class PictureBox : public QLabel
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);
    // Loads the picture file at the box's size; on failure the box is
    // emptied and false returned.
    bool loadPicture(const QString &path);
    void clearPicture();
    bool hasPicture() const;

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

// Message boxes of the program, in Japanese, each waiting for its answer.
void inform(QWidget *parent, const QString &title, const QString &text);
// The same, with more under the text (nothing more when details is empty).
void inform(QWidget *parent, const QString &title, const QString &text, const QString &details);
void warn(QWidget *parent, const QString &title, const QString &text);
bool askYesNo(QWidget *parent, const QString &title, const QString &text);
// A warning that waits for nothing: the window stays usable and its timers
// keep running. A warning of the same kind still up is replaced.
void showWarning(QWidget *parent, QPointer<QMessageBox> &shown, const QString &title, const QString &text);
// What a window says, once, when its readings go on without sound.
QString noSoundOutputText();

} // namespace ui
