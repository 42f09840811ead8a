// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Any bytes, as a picture file dropped on the editor: either a card picture
// comes out, a JPEG of exactly three times the card box, or a reason; never
// both, the same answer every time, and the same from memory and from disk.

#include "editor/cardphoto.h"
#include "tests/fuzz/fuzzsupport.h"

#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzing::ScratchFolder scratch;
    const QByteArray input = fuzzing::bytes(data, size);
    const cardphoto::Made made = cardphoto::fromBytes(input);

    FUZZ_CHECK(made.ok() != made.jpeg.isEmpty());
    FUZZ_CHECK(made.ok() != made.image.isNull());
    if (made.ok()) {
        FUZZ_CHECK(made.image.size() == cardphoto::OutputSize);
        FUZZ_CHECK(QImage::fromData(made.jpeg, "jpg").size() == cardphoto::OutputSize);
    }

    const cardphoto::Made again = cardphoto::fromBytes(input);
    FUZZ_CHECK(again.error == made.error && again.jpeg == made.jpeg);
    const QString path = scratch.defaultCardFolder() + QStringLiteral("/dropped");
    fuzzing::writeFile(path, input);
    const cardphoto::Made fromDisk = cardphoto::fromFile(path);
    FUZZ_CHECK(fromDisk.error == made.error && fromDisk.jpeg == made.jpeg);
    return 0;
}
