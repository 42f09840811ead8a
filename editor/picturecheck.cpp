// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/picturecheck.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace picturecheck {

QString problem(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!reader.canRead() || size.isEmpty())
        return QStringLiteral("画像として読めません");
    if (qint64(size.width()) * size.height() > MaxPixels)
        return QStringLiteral("%1 × %2 画素は大きすぎます").arg(size.width()).arg(size.height());
    // Small enough to be cheap, large enough that the decoder reads every
    // part of the picture.
    reader.setScaledSize(size.scaled(256, 256, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    if (reader.read().isNull())
        return QStringLiteral("画像として読めません（%1）").arg(reader.errorString());
    return {};
}

} // namespace picturecheck
