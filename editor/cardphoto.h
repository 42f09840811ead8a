// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A card's picture made from any picture file the user has (a photo from a
// camera or a phone, a scan, a drawing): turned upright as its Exif
// orientation says, cut to the card's shape around its centre, scaled to
// three times the card box so that it stays sharp on a high-density
// screen, and encoded as the JPEG the card folder keeps.
//
// The file is untrusted: its size and its picture's size are checked
// before anything is decoded. Pure functions, safe on any thread.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace cardphoto {

// Three times the card box (1005 × 1305 twips, 67 × 87 pixels).
constexpr QSize OutputSize{201, 261};
// Bounds of what is decoded at all. A JPEG is decoded straight at a
// fraction of its size, so it may be larger than a picture of another
// format, which is decoded whole first and must fit the allocation limit
// every image reader of the program has (set at start-up).
constexpr qint64 MaxFileBytes = 100 * 1024 * 1024;
constexpr qint64 MaxPixels = 64'000'000; // a 12 MP photo is 12,000,000
constexpr int MaxSide = 32768;
constexpr int AllocationLimitMb = 128;

struct Made {
    QByteArray jpeg; // what the card folder will hold
    QImage image;    // the same picture, to show at once
    QString error;   // for the user; empty when made
    bool ok() const { return error.isEmpty(); }
};

// The largest rectangle of shape's aspect ratio centred in a picture of
// size source.
QRect centreCrop(QSize source, QSize shape);

Made fromFile(const QString &path);
Made fromBytes(const QByteArray &bytes);

// The file names a drop or a file dialog may bring that the installed
// image plugins read, as name filters ("*.jpg", "*.webp", …).
QStringList nameFilters();

} // namespace cardphoto
