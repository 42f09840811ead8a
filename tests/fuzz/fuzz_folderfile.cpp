// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// karupath.dat of any length and content, read by the start-up loading:
// the program must end up with a card folder that exists, never write over
// a file that holds a record, and find the same folder at the next start.

#include "data/cardstate.h"
#include "data/records.h"
#include "tests/fuzz/fuzzsupport.h"

#include <QDir>
#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzing::ScratchFolder scratch;
    scratch.reset();
    const QByteArray input = fuzzing::bytes(data, size);
    const QString folderFile = scratch.program() + QStringLiteral("/karupath.dat");
    fuzzing::writeFile(folderFile, input);
    const bool hasRecord = recordCount(input.size(), FolderRecord::Size) >= 1;

    // Sets made in the editor are stored by their place in the sets folder.
    const QString sets = scratch.program() + QStringLiteral("/sets");
    CardState loaded(scratch.program(), QString(), sets);
    if (hasRecord) {
        // Only the scratch folder may be written to: a record naming an
        // existing folder elsewhere would have karudata.dat made there.
        const QString stored = FolderRecord::fromBytes(input).folder();
        const QString folder = stored.isEmpty() ? QString() : loaded.resolveStoredPath(stored);
        if (!folder.isEmpty() && QFileInfo(folder).isDir() && !QDir(folder).isRoot() && !scratch.contains(folder))
            return -1;
    }

    loaded.loadCardFolder();
    const QList<CardState::Notice> notices = loaded.takeNotices();
    for (const CardState::Notice &notice : notices)
        FUZZ_CHECK(!notice.text.isEmpty());
    FUZZ_CHECK(scratch.contains(loaded.cardFolder()));
    FUZZ_CHECK(QFileInfo(loaded.cardFolder()).isDir());
    FUZZ_CHECK(loaded.cardDataPath() == loaded.cardFolder() + QStringLiteral("/karudata.dat"));
    FUZZ_CHECK(loaded.cardCount() >= 1 && loaded.cardCount() <= CardState::MaxCards);

    const QByteArray after = fuzzing::readFile(folderFile);
    if (hasRecord) {
        FUZZ_CHECK(after == input);
    } else {
        // Empty: replaced by a record naming the default folder, silently.
        FUZZ_CHECK(after.size() == FolderRecord::Size);
        FUZZ_CHECK(notices.isEmpty());
        FUZZ_CHECK(loaded.cardFolder() == scratch.defaultCardFolder());
    }

    // The next start finds the same card set and writes nothing.
    CardState again(scratch.program(), QString(), sets);
    again.loadCardFolder();
    FUZZ_CHECK(again.cardFolder() == loaded.cardFolder());
    FUZZ_CHECK(again.cardCount() == loaded.cardCount());
    FUZZ_CHECK(fuzzing::readFile(folderFile) == after);
    return 0;
}
