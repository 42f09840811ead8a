// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/csv.h"

namespace csv {

QString field(const QString &input)
{
    QString text = input;
    if (!text.isEmpty() && QStringView(u"=+-@\t").contains(text.front())) {
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
