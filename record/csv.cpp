// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/csv.h"

namespace csv {

QString field(const QString &input)
{
    QString text = input;
    // A control character first (a tab, a carriage return) is skipped by
    // some spreadsheets, which then read what follows as a formula.
    if (!text.isEmpty()
        && (QStringView(u"=+-@").contains(text.front()) || text.front().category() == QChar::Other_Control)) {
        bool number = false;
        text.toDouble(&number);
        if (!number)
            text.prepend(u'\'');
    }
    const bool quoted = text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r')
        || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quoted)
        return text;
    QString out = text;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

QString line(const QStringList &fields)
{
    QString out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += u',';
        out += field(fields.at(i));
    }
    out += QStringLiteral("\r\n");
    return out;
}

} // namespace csv
