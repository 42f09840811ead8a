// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "match/cardpictures.h"

#include <QFileInfo>
#include <QFuture>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

#include <vector>

namespace {
// More than a few sets' worth of cards means the pictures come and go; then
// the oldest are not worth keeping.
constexpr int MaxKept = 200;
} // namespace

QImage CardPictures::decode(const QString &path, QSize target)
{
    QImageReader reader(path);
    // Decoded at the box's size, not the file's: a camera photo is then
    // read at an eighth of its size, most of its pixels never computed.
    const QSize full = reader.size();
    if (full.isValid() && target.isValid() && full.width() > target.width() && full.height() > target.height())
        reader.setScaledSize(target);
    return reader.read();
}

QList<QImage> CardPictures::loadAll(const QStringList &paths, QSize target)
{
    QList<QImage> images(paths.size());
    struct Decoding {
        qsizetype index;
        QFileInfo info;
        QFuture<QImage> image;
    };
    std::vector<Decoding> decoding;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString &path = paths[i];
        const QFileInfo info(path);
        if (!info.isFile()) {
            m_kept.remove(path);
            continue;
        }
        const auto found = m_kept.constFind(path);
        if (found != m_kept.constEnd() && found->size == info.size() && found->modified == info.lastModified()
            && found->target == target) {
            images[i] = found->image;
            continue;
        }
        decoding.push_back(Decoding{i, info, QtConcurrent::run(&CardPictures::decode, path, target)});
    }
    m_lastDecoded = int(decoding.size());

    // The window's thread waits here, with no event loop, until the last
    // picture is there; a task that no worker has started by the time it is
    // waited for runs on this thread.
    for (Decoding &d : decoding) {
        const QString &path = paths[d.index];
        QImage image = d.image.result();
        if (image.isNull()) {
            m_kept.remove(path);
            continue;
        }
        if (m_kept.size() >= MaxKept)
            m_kept.clear();
        m_kept.insert(path, Kept{d.info.size(), d.info.lastModified(), target, image});
        images[d.index] = std::move(image);
    }
    return images;
}

QImage CardPictures::load(const QString &path, QSize target)
{
    return loadAll(QStringList{path}, target).value(0);
}
