// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "data/numtext.h"

#include <cmath>
#include <limits>

namespace {
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u3000';
}

// Japanese input gives full-width digits, signs and points as easily as
// ASCII ones: each stands for its ASCII form.
QChar asciiForm(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 0xFF01 && u <= 0xFF5E ? QChar(char16_t(u - 0xFEE0)) : c;
}

double radixNumber(const QString &s, qsizetype i, int radix)
{
    double value = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].toUpper().unicode();
        int digit = radix;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = 10 + (c - u'A');
        if (digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}
} // namespace

double leadingNumber(QStringView text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (!isBlank(c))
            s += asciiForm(c);

    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        if (kind == u'H')
            return radixNumber(s, 2, 16);
        if (kind == u'O')
            return radixNumber(s, 2, 8);
        return 0;
    }

    // Longest prefix of the form [sign] digits [. digits] [(E|D) [sign] digits].
    QByteArray number;
    qsizetype i = 0;
    auto digitAt = [&](qsizetype j) { return j < s.size() && s[j] >= u'0' && s[j] <= u'9'; };
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        number += char(s[i++].unicode());
    bool anyDigit = false;
    while (digitAt(i)) {
        number += char(s[i++].unicode());
        anyDigit = true;
    }
    if (i < s.size() && s[i] == u'.') {
        number += '.';
        ++i;
        while (digitAt(i)) {
            number += char(s[i++].unicode());
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    if (i < s.size() && (s[i].toUpper() == u'E' || s[i].toUpper() == u'D')) {
        qsizetype j = i + 1;
        QByteArray exponent = "e";
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            exponent += char(s[j++].unicode());
        if (digitAt(j)) {
            while (digitAt(j))
                exponent += char(s[j++].unicode());
            number += exponent;
        }
    }
    // Too large a number reads as infinity; callers range-check it.
    return number.toDouble();
}

std::optional<qint16> roundToInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding mode is ties to even
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(rounded);
}
