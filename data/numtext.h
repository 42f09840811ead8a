// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Reading numbers out of text the way the card count box and the reading
// count box have always read them.

#include <QString>

#include <optional>

// The number at the start of text: blanks (space, tab, CR, LF, the
// ideographic space) anywhere are ignored, full-width characters count as
// their ASCII forms, reading stops at the first character that cannot
// continue the number, and an empty or non-numeric text gives 0. Accepts a
// sign, a fraction, an exponent (E or D) and the &H / &O prefixes.
double leadingNumber(QStringView text);

// value rounded to the nearest integer, ties to even (4.5 gives 4, 5.5
// gives 6), when the result fits a 16-bit signed integer.
std::optional<qint16> roundToInt16(double value);
