// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Comma-separated text as spreadsheets and Python's csv module read it
// (RFC 4180): a field holding a comma, a double quote, a line break or
// spaces at either end is put in double quotes, with each double quote in
// it doubled; lines end in CR LF. The caller writes the text as UTF-8.
// A field that a spreadsheet would run as a formula (text, not a number,
// beginning with = + - @ or a control character such as a tab or a
// carriage return) gets a leading apostrophe: a card's label is whatever
// the user typed in the editor, and opening an export must never run it.

#include <QString>
#include <QStringList>

namespace csv {

QString field(const QString &text);
// The fields joined into one line, its CR LF included.
QString line(const QStringList &fields);

} // namespace csv
