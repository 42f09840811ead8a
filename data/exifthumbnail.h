#pragma once

// The small picture a camera stores inside every JPEG it takes (the Exif
// thumbnail, usually 160 x 120). A card box is smaller than that, so a
// camera photo can be shown from its thumbnail without decoding millions of
// pixels.

#include <QByteArray>

namespace exif {

// How many bytes from the start of a JPEG file hold its Exif block, at most.
constexpr int HeadBytes = 64 * 1024 + 4;

// The embedded thumbnail (a complete JPEG) found in the first bytes of a
// JPEG file, or an empty array when there is none or the block is damaged.
QByteArray thumbnail(const QByteArray &head);

} // namespace exif
