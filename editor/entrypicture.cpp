// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/entrypicture.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor MissingReading(190, 30, 30);
const QColor UnsavedCorner(255, 220, 0);
} // namespace

void EntryPicture::setMarks(Marks marks)
{
    if (marks == m_marks)
        return;
    m_marks = marks;
    update();
}

void EntryPicture::showImage(const QImage &image)
{
    QPixmap pixmap = QPixmap::fromImage(image.scaled(size() * devicePixelRatioF(), Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(devicePixelRatioF());
    setPixmap(pixmap);
}

void EntryPicture::paintEvent(QPaintEvent *event)
{
    ui::PictureBox::paintEvent(event);
    if (!m_marks)
        return;
    QPainter p(this);
    QFont small = font();
    small.setPointSizeF(8);
    small.setBold(true);
    p.setFont(small);
    const QRect box = rect();
    if (m_marks & NoPicture) {
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.drawText(box, Qt::AlignCenter, QStringLiteral("写真なし"));
    }
    if (m_marks & NoReading) {
        const QRect band(0, box.height() - 16, box.width(), 16);
        p.fillRect(band, MissingReading);
        p.setPen(Qt::white);
        p.drawText(band, Qt::AlignCenter, QStringLiteral("音声なし"));
    }
    if (m_marks & Unsaved) {
        QPainterPath corner;
        corner.moveTo(box.width() - 14, 0);
        corner.lineTo(box.width(), 0);
        corner.lineTo(box.width(), 14);
        corner.closeSubpath();
        p.fillPath(corner, UnsavedCorner);
        p.setPen(Qt::black);
        p.drawPath(corner);
    }
}

void EntryPicture::contextMenuEvent(QContextMenuEvent *event)
{
    Q_EMIT menuRequested(event->globalPos());
    event->accept();
}
