// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Code page 932 (the Windows form of Shift_JIS), the encoding of every text
// field in the card files. Fields have a fixed width in bytes and are filled
// with spaces.

#include <QByteArray>
#include <QString>

namespace cp932 {

// Encodes the whole text. *ok turns false when a character has no code page
// 932 form (it would be stored as garbage).
QByteArray encode(QStringView text, bool *ok = nullptr);

// Decodes without holding back a lead byte cut off at the end.
QString decode(QByteArrayView bytes, bool *ok = nullptr);

// True when every character of text has a code page 932 form.
bool canEncode(QStringView text);

// Number of bytes the text takes in code page 932.
qsizetype byteLength(QStringView text);

// The text fitted to a field of width bytes: cut after the last character
// that fits whole (a double-byte character is never split), then filled with
// spaces. *cut turns true when characters were left out.
QByteArray encodeField(QStringView text, qsizetype width, bool *cut = nullptr);

// The field's text without its trailing space fill.
QString decodeField(QByteArrayView field);

} // namespace cp932
