// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The number texts the user types: the card count box of the editor and
// the reading count box of the automatic reading. Any text gives a number
// (never NaN), a card count in range or none, and a reading count of at
// most 2.

#include "data/numtext.h"
#include "editor/cardsetsave.h"
#include "reading/autoreading.h"
#include "tests/fuzz/fuzzsupport.h"

#include <cmath>

namespace {
bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzing::bytes(data, size));
    const double value = leadingNumber(text);
    FUZZ_CHECK(!std::isnan(value));
    // Reading stops at a character that cannot continue the number, and
    // blanks anywhere are skipped.
    FUZZ_CHECK(same(leadingNumber(text + u'#'), value));
    QString spaced;
    for (QChar c : text)
        spaced += QString(c) + u' ';
    FUZZ_CHECK(same(leadingNumber(spaced), value));

    const std::optional<qint16> rounded = roundToInt16(value);
    if (rounded)
        FUZZ_CHECK(double(*rounded) == std::nearbyint(value));
    else
        FUZZ_CHECK(!std::isfinite(value) || std::nearbyint(value) < -32768 || std::nearbyint(value) > 32767);

    const std::optional<qint16> count = cardCountFromText(text);
    if (count)
        FUZZ_CHECK(*count >= 1 && *count <= 49 && rounded && *count == *rounded);
    else
        FUZZ_CHECK(!rounded || *rounded < 1 || *rounded > 49);

    const double times = AutoReading::readingCount(text);
    FUZZ_CHECK(!std::isnan(times) && times <= 2);
    FUZZ_CHECK(times == std::min(value, 2.0));
    const AutoReading::Method method = AutoReading::readingMethod(text);
    FUZZ_CHECK(method == AutoReading::Method::Random || method == AutoReading::Method::Aiu);
    return 0;
}
