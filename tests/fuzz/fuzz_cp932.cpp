// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Code page 932 fields: decoding any bytes, and fitting any text into a
// field. An encoded field always has exactly its width, never ends in half
// of a double-byte character, and decodes to the start of the text.

#include "data/cp932.h"
#include "tests/fuzz/fuzzsupport.h"

#include <cstring>

namespace {
bool isLeadByte(uchar b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool endsInHalfCharacter(const QByteArray &field)
{
    qsizetype i = 0;
    while (i < field.size())
        i += isLeadByte(uchar(field[i])) ? 2 : 1;
    return i > field.size();
}

QString withoutTrailingSpaces(QString text)
{
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input = fuzzing::bytes(data + 1, size - 1);

    // Reading: the bytes whole, and cut as the label and path fields are.
    for (qsizetype width : {input.size(), qsizetype(2), qsizetype(50)}) {
        const QByteArrayView field = QByteArrayView(input).first(qMin(width, input.size()));
        FUZZ_CHECK(cp932::decodeField(field).size() <= field.size());
    }
    bool valid = false;
    const QString decoded = cp932::decode(input, &valid);
    if (valid) {
        // Whatever a good file holds can be written again and reads the same.
        bool encodable = false;
        const QByteArray again = cp932::encode(decoded, &encodable);
        FUZZ_CHECK(encodable);
        FUZZ_CHECK(cp932::decode(again) == decoded);
    }

    // Writing: the first byte chooses the text, either the rest read as
    // UTF-16 (any character, broken surrogates too) or as code page 932.
    QString text;
    if (data[0] & 1) {
        text.resize(input.size() / 2);
        std::memcpy(text.data(), input.constData(), size_t(text.size()) * 2);
    } else {
        text = decoded;
    }
    const bool encodable = cp932::canEncode(text);
    for (qsizetype width : {0, 1, 2, 3, 50}) {
        bool cut = false;
        const QByteArray field = cp932::encodeField(text, width, &cut);
        FUZZ_CHECK(field.size() == width);
        FUZZ_CHECK(!endsInHalfCharacter(field));
        if (!encodable)
            continue;
        FUZZ_CHECK(cut == (cp932::byteLength(text) > width));
        const QString back = cp932::decodeField(field);
        FUZZ_CHECK(text.startsWith(back));
        if (cut)
            FUZZ_CHECK(back.size() < text.size());
        else
            FUZZ_CHECK(back == withoutTrailingSpaces(text));
    }
    return 0;
}
