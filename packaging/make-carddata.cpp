// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Writes the default card data file the way the program itself writes it on
// its first start, into <staging>/ondat/karudata.dat. An installed program
// folder cannot be written by its users, so the package ships this file
// ready-made instead of leaving it to the first start.

#include "data/module1.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s STAGING-FOLDER\n", argv[0]);
        return 2;
    }
    const QString staging = QString::fromLocal8Bit(argv[1]);
    QDir(staging).removeRecursively();
    if (!QDir().mkpath(staging + QStringLiteral("/") + QLatin1String(Module1::DefaultFolderName))) {
        std::fprintf(stderr, "cannot create %s/%s\n", argv[1], Module1::DefaultFolderName);
        return 1;
    }

    // A first start in an empty program folder: no karupath.dat, an empty
    // default card folder, so the default set is written there.
    Module1 data(staging);
    data.LoadCardFolder();
    bool ok = true;
    for (const Module1::Notice &notice : data.takeNotices()) {
        std::fprintf(stderr, "%s\n", qPrintable(notice.text));
        ok = false;
    }
    if (!QFile::exists(data.cardDataPath())) {
        std::fprintf(stderr, "%s was not written\n", qPrintable(data.cardDataPath()));
        ok = false;
    }
    // Only the card data is shipped; where the card folder is kept is each user's own.
    QFile::remove(data.folderFilePath());
    return ok ? 0 : 1;
}
