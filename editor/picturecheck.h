// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Whether a card picture from outside (an imported set, a folder being
// exported) can be shown: QImageReader reads it whole, in any format it
// knows. It is decoded small, which costs little even for a large photo,
// and one of more than MaxPixels is refused before it is decoded. Safe on
// any thread; needs Qt Gui.

#include <QByteArray>
#include <QString>

namespace picturecheck {

inline constexpr qint64 MaxPixels = 100'000'000;

// Why the bytes are no picture the program can show, for the user; empty
// when they are one. Fits cardsetarchive::PictureCheck.
QString problem(const QByteArray &bytes);

} // namespace picturecheck
