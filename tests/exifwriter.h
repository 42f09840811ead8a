// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Puts an Exif block with a thumbnail into a JPEG, laid out as cameras write
// it: a photo whose embedded thumbnail shows something else, for the tests
// that the program shows the photo itself.

#include <QByteArray>

namespace testing {

// jpeg with an Exif block holding thumbnailJpeg inserted after its start
// marker; bigEndian picks the "MM" byte order instead of "II".
QByteArray withExifThumbnail(const QByteArray &jpeg, const QByteArray &thumbnailJpeg, bool bigEndian = false);
// jpeg with an Exif block holding only its orientation (1 to 8; 6: the
// stored picture is to be turned a quarter clockwise to stand upright).
QByteArray withExifOrientation(const QByteArray &jpeg, quint16 orientation);

} // namespace testing
