// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Card pictures at the size of their box, for the match table. Each picture
// is decoded from its own file, at box size, so that the JPEG decoder skips
// most of the work. The pictures of a table are decoded in parallel, one
// task per picture on Qt's thread pool; a task touches nothing but its file
// and the image it returns. The results are kept here, on the window's
// thread, so that the next match lays out the same cards at once, until a
// file changes.

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

class CardPictures
{
public:
    // The pictures of the files at the given size in device pixels, in the
    // order of the paths, with a null image for a file that cannot be read.
    // Returns once every one of them is there.
    QList<QImage> loadAll(const QStringList &paths, QSize target);
    QImage load(const QString &path, QSize target);

    // The work of one task: the file decoded at the given size, or a null
    // image. Safe on any thread.
    static QImage decode(const QString &path, QSize target);

    // How many pictures the last load had to decode; the others were kept.
    int lastDecoded() const { return m_lastDecoded; }

    void clear() { m_kept.clear(); }

private:
    struct Kept {
        qint64 size = -1;
        QDateTime modified;
        QSize target;
        QImage image;
    };
    QHash<QString, Kept> m_kept;
    int m_lastDecoded = 0;
};
