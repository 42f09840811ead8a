// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/exifwriter.h"

#include <QtEndian>

namespace testing {

QByteArray withExifThumbnail(const QByteArray &jpeg, const QByteArray &thumbnailJpeg, bool bigEndian)
{
    QByteArray tiff;
    auto u16 = [&tiff, bigEndian](quint16 v) {
        char b[2];
        bigEndian ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        tiff.append(b, 2);
    };
    auto u32 = [&tiff, bigEndian](quint32 v) {
        char b[4];
        bigEndian ? qToBigEndian(v, b) : qToLittleEndian(v, b);
        tiff.append(b, 4);
    };
    auto entry = [&](quint16 tag, quint16 type, quint32 value) {
        u16(tag);
        u16(type);
        u32(1);
        if (type == 3) {
            u16(quint16(value));
            u16(0);
        } else {
            u32(value);
        }
    };
    tiff.append(bigEndian ? "MM" : "II");
    u16(42);
    u32(8);
    // IFD0: the photo (one entry is enough here), then the offset of IFD1.
    u16(1);
    entry(0x0100, 4, 4000);
    u32(26);
    // IFD1: the thumbnail.
    const quint32 thumbAt = 26 + 2 + 3 * 12 + 4;
    u16(3);
    entry(0x0103, 3, 6);
    entry(0x0201, 4, thumbAt);
    entry(0x0202, 4, quint32(thumbnailJpeg.size()));
    u32(0);
    Q_ASSERT(tiff.size() == int(thumbAt));
    tiff.append(thumbnailJpeg);

    QByteArray app1("\xFF\xE1", 2);
    char length[2];
    qToBigEndian(quint16(2 + 6 + tiff.size()), length);
    app1.append(length, 2);
    app1.append("Exif\0\0", 6);
    app1.append(tiff);
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

QByteArray withExifOrientation(const QByteArray &jpeg, quint16 orientation)
{
    // "II", 42, IFD0 at 8 holding one SHORT entry (0x0112), no next IFD.
    QByteArray tiff("II\x2A\x00\x08\x00\x00\x00\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00", 18);
    char value[4] = {char(orientation & 0xFF), char(orientation >> 8), 0, 0};
    tiff.append(value, 4).append(QByteArray(4, '\0'));
    QByteArray app1("\xFF\xE1", 2);
    char length[2];
    qToBigEndian(quint16(2 + 6 + tiff.size()), length);
    app1.append(length, 2).append("Exif\0\0", 6).append(tiff);
    return jpeg.left(2) + app1 + jpeg.mid(2);
}

} // namespace testing
