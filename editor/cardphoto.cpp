// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/cardphoto.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

namespace cardphoto {

namespace {
Made failed(const QString &why)
{
    Made made;
    made.error = why;
    return made;
}
} // namespace

QRect centreCrop(QSize source, QSize shape)
{
    if (source.isEmpty() || shape.isEmpty())
        return {};
    // Wider than the shape: the sides go; taller: the top and bottom.
    QSize kept = source;
    if (qint64(source.width()) * shape.height() > qint64(source.height()) * shape.width())
        kept.setWidth(int(qint64(source.height()) * shape.width() / shape.height()));
    else
        kept.setHeight(int(qint64(source.width()) * shape.height() / shape.width()));
    kept = kept.expandedTo(QSize(1, 1));
    return QRect(QPoint((source.width() - kept.width()) / 2, (source.height() - kept.height()) / 2), kept);
}

Made fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("開けません（%1）").arg(file.errorString()));
    if (file.size() > MaxFileBytes)
        return failed(QStringLiteral("ファイルが大きすぎます（%1 MB まで）").arg(MaxFileBytes / (1024 * 1024)));
    // The file may grow between the two looks: read no more than the bound.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        return failed(QStringLiteral("ファイルが大きすぎます（%1 MB まで）").arg(MaxFileBytes / (1024 * 1024)));
    return fromBytes(bytes);
}

Made fromBytes(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return failed(QStringLiteral("写真として読めません"));

    // Everything below is known from the file's header alone.
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty())
        return failed(QStringLiteral("写真の大きさが分かりません"));
    const qint64 pixels = qint64(stored.width()) * stored.height();
    const bool decodedSmall = reader.supportsOption(QImageIOHandler::ScaledSize);
    const qint64 maxPixels = decodedSmall ? MaxPixels : qint64(AllocationLimitMb) * 1024 * 1024 / 4;
    if (stored.width() > MaxSide || stored.height() > MaxSide || pixels > maxPixels)
        return failed(QStringLiteral("写真が大きすぎます（%1×%2、%3 万画素まで）")
                          .arg(stored.width())
                          .arg(stored.height())
                          .arg(maxPixels / 10000));

    // Decoded at the smallest power-of-two fraction of its size that still
    // holds the card's shape at full resolution: a JPEG is decoded straight
    // at that size, much faster than whole. A photo turned a quarter lies
    // on its side in the file, so the shape is turned too.
    const bool onItsSide = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize shape = onItsSide ? OutputSize.transposed() : OutputSize;
    const QRect kept = centreCrop(stored, shape);
    int fraction = 8;
    while (fraction > 1 && (kept.width() / fraction < shape.width() || kept.height() / fraction < shape.height()))
        fraction /= 2;
    if (fraction > 1)
        reader.setScaledSize(stored / fraction);
    QImage image = reader.read(); // upright
    if (image.isNull())
        return failed(QStringLiteral("写真を読み取れません（%1）").arg(reader.errorString()));
    image = image.copy(centreCrop(image.size(), OutputSize))
                .scaled(OutputSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    // A JPEG has no transparency: what was see-through shows white, as on paper.
    Made made;
    made.image = QImage(OutputSize, QImage::Format_RGB32);
    made.image.fill(Qt::white);
    QPainter(&made.image).drawImage(0, 0, image);

    QBuffer out(&made.jpeg);
    out.open(QIODevice::WriteOnly);
    QImageWriter writer(&out, "jpg");
    writer.setQuality(90);
    if (!writer.write(made.image))
        return failed(QStringLiteral("JPEG にできません（%1）").arg(writer.errorString()));
    return made;
}

QStringList nameFilters()
{
    QStringList filters;
    for (const QByteArray &suffix : QImageReader::supportedImageFormats())
        filters << QStringLiteral("*.") + QString::fromLatin1(suffix);
    return filters;
}

} // namespace cardphoto
