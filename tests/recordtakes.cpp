// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Not a test: a match recorded from a process of its own, as a second copy
// of the program records it, or as one that is killed in the middle of a
// match. Run by tst_trainingrecord and bench_record.
//   recordtakes <record file> <card folder> <takes> <pace ms> end|hang
// Take i is of card (i - 1) % 46 + 1 with label "i" and a reaction time of
// i ms; "handed i" is printed once it is handed over. With "end" the match
// ends and the program exits once it is written; with "hang" it waits, in
// the middle of the match, to be killed.

#include "record/trainingrecord.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 6) {
        std::fprintf(stderr, "usage: recordtakes <record file> <card folder> <takes> <pace ms> end|hang\n");
        return 2;
    }
    const int takes = std::atoi(argv[3]);
    const bool end = std::strcmp(argv[5], "end") == 0;

    TrainingRecord record(QString::fromLocal8Bit(argv[1]));
    QObject::connect(&record, &TrainingRecord::problem, [](const QString &message) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        QCoreApplication::exit(1);
    });
    record::MatchStart start;
    start.cardFolder = QString::fromLocal8Bit(argv[2]);
    start.cardCount = 46;
    start.level = 3;
    const TrainingRecord::MatchKey match = record.startMatch(start);

    int handed = 0;
    QTimer pace;
    pace.setTimerType(Qt::PreciseTimer);
    pace.setInterval(std::atoi(argv[4]));
    QObject::connect(&pace, &QTimer::timeout, [&] {
        ++handed;
        record::Take take;
        take.card = (handed - 1) % 46 + 1;
        take.label = QString::number(handed);
        take.slot = take.card;
        take.reactionMs = handed;
        record.recordTake(match, take);
        std::printf("handed %d\n", handed);
        std::fflush(stdout);
        if (handed < takes)
            return;
        pace.stop();
        if (end) {
            record.endMatch(match, {qint64(handed) * 5, 0, record::Result::Won});
            record.whenWritten(nullptr, [] { QCoreApplication::quit(); });
        }
    });
    pace.start();
    return app.exec();
}
