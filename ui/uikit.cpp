// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/uikit.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QImageReader>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

namespace ui {

QString programTitle()
{
    return QStringLiteral("銀鈴かるた");
}

QFont font(const char *family, qreal pointSize, bool bold)
{
    QFont f(QString::fromUtf8(family));
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

void installFontSubstitutes()
{
    // Asked for first by name; these stand in only when it is not installed.
    QFont::insertSubstitutions(QString::fromUtf8(PGothic),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(QString::fromUtf8(Gothic),
                               {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")});
}

void setBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setButtonColour(QWidget *button, const QColor &colour)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, colour);
    palette.setColor(QPalette::Window, colour);
    button->setPalette(palette);
    button->setAutoFillBackground(true);
}

void setClientSize(QWidget *window, Layout::TwipSize size)
{
    window->resize(size.toPx());
}

QRect screenRect(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

void placeTopCentred(QWidget *window, int topTwips)
{
    const QRect screen = screenRect(window);
    const int width = window->frameGeometry().width();
    window->move(screen.x() + screen.width() / 2 - width / 2, screen.y() + Layout::px(topTwips));
}

QLabel *caption(QWidget *parent, const QString &text, Layout::TwipRect rect)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(rect.toPx());
    return label;
}

PictureBox::PictureBox(QWidget *parent) : QLabel(parent)
{
    setScaledContents(true);
    setTextFormat(Qt::PlainText);
}

bool PictureBox::loadPicture(const QString &path)
{
    QImageReader reader(path);
    // Decode at the size the box shows, not at the file's size: a camera
    // photo then costs a fraction of a full decode.
    const QSize target = size() * devicePixelRatioF();
    const QSize full = reader.size();
    if (full.isValid() && target.isValid() && !target.isEmpty() && full.width() > target.width()
        && full.height() > target.height())
        reader.setScaledSize(target);
    const QImage image = reader.read();
    if (image.isNull()) {
        clearPicture();
        return false;
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    setPixmap(pixmap);
    return true;
}

void PictureBox::clearPicture()
{
    clear();
}

bool PictureBox::hasPicture() const
{
    return !pixmap().isNull();
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Q_EMIT clicked();
}

namespace {
QMessageBox::StandardButton messageBox(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                       const QString &text, QMessageBox::StandardButtons buttons,
                                       const QString &details = QString())
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(details);
    return QMessageBox::StandardButton(box.exec());
}
} // namespace

void inform(QWidget *parent, const QString &title, const QString &text)
{
    messageBox(parent, QMessageBox::NoIcon, title, text, QMessageBox::Ok);
}

void inform(QWidget *parent, const QString &title, const QString &text, const QString &details)
{
    messageBox(parent, QMessageBox::NoIcon, title, text, QMessageBox::Ok, details);
}

void warn(QWidget *parent, const QString &title, const QString &text)
{
    messageBox(parent, QMessageBox::Warning, title, text, QMessageBox::Ok);
}

bool askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    return messageBox(parent, QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void showWarning(QWidget *parent, QPointer<QMessageBox> &shown, const QString &title, const QString &text)
{
    if (shown)
        shown->close();
    shown = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    shown->setTextFormat(Qt::PlainText);
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->setWindowModality(Qt::NonModal);
    shown->show();
}

QString noSoundOutputText()
{
    return QStringLiteral("音を出す装置が見つかりません。\n"
                          "よみあげは音なしで、録音と同じ時間をかけて進みます。");
}

} // namespace ui
