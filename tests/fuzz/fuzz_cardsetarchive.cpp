// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Any bytes, as a card set's zip file: the import either makes the new set
// folder, holding exactly the card files it says it took, or refuses with a
// reason and leaves nothing; either way nothing appears beside the folder.

#include "editor/cardsetarchive.h"
#include "editor/picturecheck.h"
#include "tests/fuzz/fuzzsupport.h"

#include <QDir>
#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzing::ScratchFolder scratch;
    const QString sets = scratch.program() + QStringLiteral("/imported");
    QDir(sets).removeRecursively();
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QStringList expected = QDir(scratch.program()).entryList(all) << QStringLiteral("imported");
    expected.sort();

    const cardsetarchive::Result r = cardsetarchive::importBytes(fuzzing::bytes(data, size), sets, QStringLiteral("set"), picturecheck::problem);
    FUZZ_CHECK(r.ok() == r.reason.isEmpty());
    const QStringList left = QDir(sets).entryList(all);
    if (r.ok()) {
        FUZZ_CHECK(left == QStringList{QStringLiteral("set")});
        FUZZ_CHECK(r.path == sets + QStringLiteral("/set"));
        QStringList taken = r.taken;
        taken.sort();
        FUZZ_CHECK(QDir(r.path).entryList(all, QDir::Name) == taken);
        FUZZ_CHECK(taken.contains(QStringLiteral("karudata.dat")));
        static const QRegularExpression card(QStringLiteral("^(karudata\\.dat|karue(0[1-9]|[1-4][0-9])\\.jpg|karuon(0[1-9]|[1-4][0-9])\\.wav)$"));
        for (const QString &name : std::as_const(taken))
            FUZZ_CHECK(card.match(name).hasMatch());
    } else {
        FUZZ_CHECK(left.isEmpty());
    }
    FUZZ_CHECK(QDir(scratch.program()).entryList(all, QDir::Name) == expected);
    return 0;
}
