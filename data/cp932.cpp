// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "data/cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace cp932 {

namespace {
constexpr const char *Name = "CP932";
constexpr auto Flags = QStringConverter::Flag::Stateless;

// Length in UTF-16 units of the code point that starts at i.
qsizetype codePointLength(QStringView text, qsizetype i)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return 2;
    return 1;
}
} // namespace

QByteArray encode(QStringView text, bool *ok)
{
    QStringEncoder encoder(Name, Flags);
    QByteArray bytes = encoder.encode(text);
    if (ok) {
        // The converter also maps a few characters one way only (U+F86F
        // becomes 0x8782, which reads back as U+2116); such a text would not
        // read back as typed, so it counts as not encodable.
        *ok = encoder.isValid() && !encoder.hasError() && decode(bytes) == text;
    }
    return bytes;
}

QString decode(QByteArrayView bytes, bool *ok)
{
    QStringDecoder decoder(Name, Flags);
    QString text = decoder.decode(bytes);
    if (ok)
        *ok = decoder.isValid() && !decoder.hasError();
    return text;
}

bool canEncode(QStringView text)
{
    bool ok = false;
    encode(text, &ok);
    return ok;
}

qsizetype byteLength(QStringView text)
{
    return encode(text).size();
}

QByteArray encodeField(QStringView text, qsizetype width, bool *cut)
{
    QByteArray field;
    field.reserve(width);
    bool wasCut = false;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = codePointLength(text, i);
        const QByteArray bytes = encode(text.mid(i, n));
        if (field.size() + bytes.size() > width) {
            wasCut = true;
            break;
        }
        field += bytes;
        i += n;
    }
    if (cut)
        *cut = wasCut;
    field.append(width - field.size(), ' ');
    return field;
}

QString decodeField(QByteArrayView field)
{
    qsizetype end = field.size();
    while (end > 0 && field[end - 1] == ' ')
        --end;
    return decode(field.first(end));
}

} // namespace cp932
