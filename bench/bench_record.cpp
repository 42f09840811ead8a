// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The training record's costs, on a record of 100,000 takes in 2,000
// matches spread over 200 days (made first, through the real writer):
//   take   - the time one take costs the UI thread (the hand-over call),
//            and from the hand-over to the take being committed
//   stats  - everything the statistics window shows for one card set: the
//            first load (opening the file included), then each period
//   kill   - a program recording a match at a fast player's pace, killed
//            with SIGKILL at a random take: takes handed over against
//            takes in the file
//   bench_record [phase ...]      (default: every phase)
// The record is made in a temporary folder. GINREI_BENCH_RECORD=<file>
// makes it there instead, or uses it as it is when it is already there.

#include "record/recordreader.h"
#include "record/trainingrecord.h"
#include "record/trainingstats.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
constexpr qint64 Day = 24 * 60 * 60 * 1000;
constexpr int Cards = 46;
constexpr int Matches = 2000;
constexpr int TakesPerMatch = 50;

QElapsedTimer Clock;

// Runs the event loop until pred() holds.
void runUntil(const std::function<bool()> &pred)
{
    while (!pred())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}

void settle(TrainingRecord &record)
{
    bool done = false;
    record.whenWritten(nullptr, [&done] { done = true; });
    runUntil([&done] { return done; });
}

struct Figures {
    double median = 0;
    double p99 = 0;
    double max = 0;
};

Figures figures(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    Figures f;
    if (samples.isEmpty())
        return f;
    f.median = samples.at(samples.size() / 2);
    f.p99 = samples.at(std::min<qsizetype>(samples.size() - 1, samples.size() * 99 / 100));
    f.max = samples.constLast();
    return f;
}

void print(const char *what, const QList<double> &samples, const char *unit)
{
    const Figures f = figures(samples);
    std::printf("  %-52s median %9.3f  p99 %9.3f  max %9.3f %s  (n=%lld)\n", what, f.median, f.p99, f.max, unit,
                qlonglong(samples.size()));
}

qlonglong count(const QString &path, const QString &sql)
{
    qlonglong n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count"));
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec(sql) && q.next())
            n = q.value(0).toLongLong();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return n;
}

// 2,000 matches of 50 takes (one in five the computer's) and two お手つき,
// one match every 2.4 hours over the 200 days before now.
void makeRecord(const QString &path, const QString &folder, qint64 now)
{
    QElapsedTimer timer;
    timer.start();
    qint64 wall = 0;
    TrainingRecord record(path);
    record.setWallClock([&wall] { return wall; });
    QRandomGenerator random(15);
    for (int m = 0; m < Matches; ++m) {
        wall = now - 200 * Day + qint64(m) * (200 * Day / Matches);
        const auto key = record.startMatch({folder, Cards, 1 + m % 5, m % 3 != 0, m % 10 == 0});
        for (int t = 0; t < TakesPerMatch; ++t) {
            wall += 3000;
            record::Take take;
            take.card = (t + m) % Cards + 1;
            take.label = QString::number(take.card);
            take.slot = t % 49 + 1;
            take.taker = t % 5 == 4 ? record::Taker::Computer : record::Taker::Player;
            if (take.taker == record::Taker::Player)
                take.reactionMs = 300 + int(random.bounded(1500));
            record.recordTake(key, take);
            if (t % 25 == 0)
                record.recordWrongTake(key, {take.card % Cards + 1, take.card, take.slot, 400});
        }
        record.endMatch(key, {200, 50, record::Result::Won});
        if (m % 100 == 99)
            settle(record);
    }
    settle(record);
    std::printf("  made the record: %lld takes, %lld matches in %.1f s through the writer (%lld bytes)\n",
                count(path, QStringLiteral("SELECT count(*) FROM takes")),
                count(path, QStringLiteral("SELECT count(*) FROM matches")), timer.elapsed() / 1000.0,
                qlonglong(QFile(path).size()));
}

void benchTake(const QString &path, const QString &folder)
{
    std::printf("take: one take handed over, %d takes recorded before\n", Matches * TakesPerMatch);
    const qint64 opening = Clock.nsecsElapsed();
    TrainingRecord record(path);
    runUntil([&record] { return record.state() != RecordState::Opening; });
    std::printf("  opening and checking the record in the writer thread: %.1f ms\n",
                (Clock.nsecsElapsed() - opening) / 1e6);
    const auto key = record.startMatch({folder, Cards, 3, true});
    QList<double> call;
    QList<double> committed;
    for (int i = 0; i < 1000; ++i) {
        record::Take take;
        take.card = i % Cards + 1;
        take.label = QStringLiteral("あ");
        take.slot = take.card;
        take.reactionMs = 500;
        const qint64 t0 = Clock.nsecsElapsed();
        record.recordTake(key, take);
        const qint64 t1 = Clock.nsecsElapsed();
        call.append((t1 - t0) / 1000.0);
        bool done = false;
        record.whenWritten(nullptr, [&] {
            committed.append((Clock.nsecsElapsed() - t0) / 1e6);
            done = true;
        });
        runUntil([&done] { return done; });
        // The next card is announced a few milliseconds later at the earliest.
        QThread::msleep(2);
    }
    record.endMatch(key, {0, 0, record::Result::Abandoned});
    print("UI thread, recordTake()", call, "us");
    print("hand-over to committed (and back in the UI thread)", committed, "ms");
}

void benchStats(const QString &path, const QString &folder, qint64 now)
{
    std::printf("stats: everything the statistics window shows, %d takes, %d matches\n", Matches * TakesPerMatch, Matches);
    QStringList labels;
    for (int c = 1; c <= Cards; ++c)
        labels.append(QString::number(c));
    QList<double> first;
    for (int run = 0; run < 5; ++run) {
        const qint64 t0 = Clock.nsecsElapsed();
        RecordReader reader(path);
        const auto stats = reader.statistics(folder, labels, record::Period::All, now);
        trainingstats::weakestCards(stats.cards, 10, 1);
        first.append((Clock.nsecsElapsed() - t0) / 1e6);
        if (stats.history.size() != Matches)
            std::printf("  !! %lld matches read\n", qlonglong(stats.history.size()));
    }
    print("first load, opening included (all)", first, "ms");
    RecordReader reader(path);
    const struct {
        const char *name;
        record::Period period;
    } periods[] = {{"all", record::Period::All}, {"last 30 days", record::Period::Last30Days},
                   {"last 7 days", record::Period::Last7Days}};
    for (const auto &p : periods) {
        QList<double> samples;
        qsizetype matches = 0;
        for (int run = 0; run < 20; ++run) {
            const qint64 t0 = Clock.nsecsElapsed();
            const auto stats = reader.statistics(folder, labels, p.period, now);
            trainingstats::weakestCards(stats.cards, 10, 1);
            samples.append((Clock.nsecsElapsed() - t0) / 1e6);
            matches = stats.history.size();
        }
        const QByteArray what = QByteArray("again, ") + p.name + " (" + QByteArray::number(qlonglong(matches)) + " matches)";
        print(what.constData(), samples, "ms");
    }
    QTemporaryDir out;
    QString error;
    QElapsedTimer timer;
    timer.start();
    reader.exportTakes(out.filePath(QStringLiteral("takes.csv")), folder, &error);
    const qint64 takesMs = timer.restart();
    reader.exportMatches(out.filePath(QStringLiteral("matches.csv")), folder, &error);
    std::printf("  CSV export: takes %lld ms (%lld bytes), matches %lld ms\n", takesMs,
                qlonglong(QFile(out.filePath(QStringLiteral("takes.csv"))).size()), timer.elapsed());
}

void benchKill(const QString &dir, const QString &folder)
{
    std::printf("kill: a match recorded at a take every 20 ms, SIGKILLed at a random take\n");
    QRandomGenerator random(15);
    int lostTotal = 0;
    for (int round = 0; round < 10; ++round) {
        const QString path = dir + QStringLiteral("/killed-%1.sqlite").arg(round);
        const int killAt = 20 + int(random.bounded(80));
        QProcess program;
        program.start(QStringLiteral(GINREI_RECORDTAKES), {path, folder, QStringLiteral("1000"), QStringLiteral("20"),
                                                           QStringLiteral("hang")});
        program.waitForStarted();
        QByteArray out;
        const QByteArray line = "handed " + QByteArray::number(killAt) + '\n';
        while (!out.contains(line) && program.state() == QProcess::Running) {
            program.waitForReadyRead(1000);
            out += program.readAllStandardOutput();
        }
        program.kill();
        program.waitForFinished();
        const qlonglong survived = count(path, QStringLiteral("SELECT count(*) FROM takes"));
        lostTotal += int(killAt - survived);
        std::printf("  round %2d: handed %3d, in the file %3lld, lost %lld\n", round + 1, killAt, survived,
                    killAt - survived);
    }
    std::printf("  lost in all 10 rounds: %d\n", lostTotal);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Clock.start();
    QStringList phases = app.arguments().mid(1);
    if (phases.isEmpty())
        phases = {QStringLiteral("stats"), QStringLiteral("take"), QStringLiteral("kill")};

    QTemporaryDir dir;
    QString path = qEnvironmentVariable("GINREI_BENCH_RECORD");
    if (path.isEmpty())
        path = dir.filePath(QStringLiteral("training-record.sqlite"));
    const QString folder = QStringLiteral("/usr/lib/ginrei-karuta/ondat");
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if ((phases.contains(QStringLiteral("take")) || phases.contains(QStringLiteral("stats"))) && !QFile::exists(path))
        makeRecord(path, folder, now);
    for (const QString &phase : phases) {
        if (phase == QLatin1String("take"))
            benchTake(path, folder);
        else if (phase == QLatin1String("stats"))
            benchStats(path, folder, now);
        else if (phase == QLatin1String("kill"))
            benchKill(dir.path(), folder);
    }
    return 0;
}
