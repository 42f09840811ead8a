// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The picture box of one entry of the card-set editor: the picture the
// card will have once saved, with marks for what the card lacks and for a
// change not saved yet. Its context menu is the entry's.

#include "ui/uikit.h"

class EntryPicture : public ui::PictureBox
{
    Q_OBJECT

public:
    enum Mark {
        NoPicture = 1, // 写真なし, over the empty box
        NoReading = 2, // 音声なし, a band along the bottom
        Unsaved = 4,   // a corner, as long as the picture or reading is not saved
    };
    Q_DECLARE_FLAGS(Marks, Mark)

    using ui::PictureBox::PictureBox;

    void setMarks(Marks marks);
    Marks marks() const { return m_marks; }
    // Shows a picture already decoded (a card picture just made).
    void showImage(const QImage &image);

Q_SIGNALS:
    // Right click on the box.
    void menuRequested(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    Marks m_marks;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(EntryPicture::Marks)
