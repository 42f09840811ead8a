// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Not a test: a card-set save that is killed with SIGKILL between writing
// one file's new bytes and putting them in place, as a power cut or a kill
// from outside would stop the program. Run by tst_cardsetsave.
//   savekilled <program folder> <card folder to save> <name of the file to die at>

#include "data/module1.h"
#include "editor/cardsetsave.h"

#include <QString>

#include <csignal>
#include <cstdio>

namespace {
QString dieAt;

void killAtCommit(const QString &path)
{
    if (path.endsWith(u'/' + dieAt))
        std::raise(SIGKILL);
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: savekilled <program folder> <card folder> <file name>\n");
        return 2;
    }
    Module1 data(QString::fromLocal8Bit(argv[1]));
    data.LoadCardFolder();
    dieAt = QString::fromLocal8Bit(argv[3]);
    Module1::setBeforeCommitHook(&killAtCommit);

    SaveRequest request;
    request.folder = QString::fromLocal8Bit(argv[2]);
    request.labels.fill(QStringLiteral("新"));
    request.countText = QStringLiteral("7");
    const CardSetSaver::Result result = CardSetSaver(data).save(request);
    // Only reached when the file was never written.
    std::fprintf(stderr, "the save ended without reaching %s: %s\n", argv[3], qPrintable(result.message));
    return 1;
}
