// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Figures of the computer's opponents, apart from the match window:
//   draw      - the cost of one plan (a drawn take time), as the window asks
//               for it at an announcement: each named step and the adaptive
//               opponent, 100,000 plans each; median, 99th percentile, max
//   timer     - a stand-in for the window's reaction timer: a single-shot
//               Qt::PreciseTimer started with each drawn time of 「じょうず」,
//               and how late it fires against that time (`samples` takes)
//   simulate  - the named steps' medians over 1,000 simulated cards, how
//               many takes come near the 0.28 s floor at fast targets, and
//               the adaptive opponent's staircase, alone and with drills
//               between the matches: the player's win rate over the 46-card
//               matches 20-60 for three player speeds, over many seeds
//   bench_opponent [samples] [draw|timer|simulate ...]   (default: 40, all)

#include "match/humanmodel.h"
#include "match/matchsimulator.h"
#include "match/matchstate.h"
#include "match/opponent.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {
using HumanModel::Step;

double quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(q * double(v.size())))];
}

double median(const std::vector<double> &v)
{
    return quantile(v, 0.5);
}

void machine()
{
    QString cpu = QStringLiteral("unknown CPU");
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : info.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                cpu = QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
                break;
            }
        }
    }
    std::printf("machine: %d cores (nproc), %s\n\n", QThread::idealThreadCount(), qPrintable(cpu));
}

// A match of 46 cards, begun anew whenever it ends, on which every plan is
// made on a board as the window would see it: the player takes each card.
struct Table {
    MatchState match;
    quint64 seed = 1;
    void takeCurrent()
    {
        for (int s = 1; s <= match.cardCount(); ++s) {
            if (match.isRightTake(s)) {
                match.take(Board::Pile::Player, s);
                return;
            }
        }
    }
    void next()
    {
        if (match.begun() && !match.finished())
            takeCurrent();
        if (!match.begun() || match.finished()) {
            match.begin(46, {}, seed, seed + 1);
            seed += 2;
            takeCurrent(); // the computer never races for the first card
        }
    }
};

long involuntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nivcsw;
}

void drawPhase()
{
    std::printf("drawing a take time (one plan), 100,000 per opponent, us:\n");
    std::printf("  %8s %8s %8s %10s %12s %12s  %s\n", "median", "p99", "max", "over 10us", "preempted",
                "mean take ms", "opponent");
    AdaptiveOpponent::Record record;
    for (int card = 1; card <= 46; ++card)
        record[card] = {700 + card, 800 + card, 900 + card, 1000 + card};
    struct Row {
        const char *name;
        std::unique_ptr<Opponent> opponent;
    };
    std::vector<Row> rows;
    for (int s = 0; s < HumanModel::Steps; ++s)
        rows.push_back({HumanModel::Table[s].caption, std::make_unique<HumanLikeOpponent>(Step(s), 7 + s)});
    rows.push_back({"あなたに合わせる", std::make_unique<AdaptiveOpponent>(record, 0.9, 11)});
    for (Row &row : rows) {
        Table table;
        table.next();
        std::vector<double> us;
        us.reserve(100000);
        long long sink = 0;
        const long switchesBefore = involuntarySwitches();
        for (int i = 0; i < 100000; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            const Opponent::Plan plan = row.opponent->plan(table.match);
            const auto t1 = std::chrono::steady_clock::now();
            us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            sink += plan.ms;
            table.next();
        }
        // Set against the draws over 10 us: how often the thread was taken
        // off its core meanwhile (other processes share the machine).
        const long over = long(std::count_if(us.begin(), us.end(), [](double v) { return v > 10; }));
        std::printf("  %8.3f %8.3f %8.3f %10ld %12ld %12lld  %s\n", median(us), quantile(us, 0.99), quantile(us, 1.0),
                    over, involuntarySwitches() - switchesBefore, sink / 100000, row.name);
    }
    std::printf("\n");
}

void timerPhase(int samples)
{
    std::printf("reaction timer stand-in: single-shot Qt::PreciseTimer at each drawn time of じょうず, %d takes\n",
                samples);
    HumanLikeOpponent opponent(Step::Skilled, 3);
    Table table;
    table.next();
    std::vector<double> lateMs;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QElapsedTimer clock;
    int drawn = 0;
    const auto announce = [&] {
        drawn = opponent.plan(table.match).ms;
        timer.start(drawn);
        clock.start();
    };
    QObject::connect(&timer, &QTimer::timeout, [&] {
        lateMs.push_back(double(clock.nsecsElapsed()) / 1e6 - drawn);
        table.next();
        if (int(lateMs.size()) < samples)
            announce();
        else
            QCoreApplication::quit();
    });
    QTimer::singleShot(0, announce);
    QCoreApplication::exec();
    std::printf("  fired after the drawn time, ms: median %.3f, max %.3f, min %.3f\n\n", median(lateMs),
                quantile(lateMs, 1.0), quantile(lateMs, 0.0));
}

void simulatePhase()
{
    std::printf("named steps, the computer's take times over 1,000 simulated cards (46-card matches), ms:\n");
    std::printf("  %7s %7s %7s %7s %7s  %s\n", "anchor", "median", "p10", "p90", "min", "step");
    for (int s = 0; s < HumanModel::Steps; ++s) {
        HumanLikeOpponent opponent(Step(s), 1600 + s);
        SimulatedPlayer player(HumanModel::step(Step::Standard).params, 77);
        std::vector<double> ms;
        for (quint64 m = 0; ms.size() < 1000; ++m) {
            for (const auto &take : MatchSimulator::play({}, 46, opponent, player, 77 + 2 * m, 78 + 2 * m).cards) {
                if (take.computerMs >= 0)
                    ms.push_back(take.computerMs);
            }
        }
        const HumanModel::StepInfo &info = HumanModel::Table[s];
        std::printf("  %7.0f %7.0f %7.0f %7.0f %7.0f  %s\n", info.medianMs, median(ms), quantile(ms, 0.1),
                    quantile(ms, 0.9), quantile(ms, 0.0), info.caption);
    }

    std::printf("\nthe computer's takes near the 0.28 s floor: あなたに合わせる with the player's medians at the\n"
                "target, 20,000 takes each, in 46-card matches and in 3-card drills:\n");
    std::printf("  %7s %7s %10s %7s %10s\n", "target", "median", "<= +2 ms", "drills", "<= +2 ms");
    for (int target : {330, 380, 450, 600}) {
        AdaptiveOpponent::Record record;
        for (int card = 1; card <= 46; ++card)
            record[card] = {target, target, target};
        std::printf("  %7d", target);
        for (int cards : {46, 3}) {
            AdaptiveOpponent opponent(record, 1.0, 5);
            SimulatedPlayer player(HumanModel::Params{60000, 0, 0, 0}, 77);
            std::vector<double> ms;
            for (quint64 m = 0; ms.size() < 20000; ++m) {
                for (const auto &take : MatchSimulator::play({}, cards, opponent, player, 2 * m, 2 * m + 1).cards) {
                    if (take.computerMs >= 0)
                        ms.push_back(take.computerMs);
                }
            }
            const auto nearFloor = std::count_if(ms.begin(), ms.end(), [](double t) { return t < HumanModel::FloorMs + 2; });
            std::printf(" %7.0f %9.2f%%", median(ms), 100.0 * double(nearFloor) / double(ms.size()));
        }
        std::printf("\n");
    }

    std::printf("\nadaptive opponent from factor 1, 60 matches of 46 cards, each followed by the drills shown;\n"
                "the player's wins in the 46-card matches 20-60:\n");
    std::printf("  %-6s %-12s %-10s %10s %12s %12s %14s\n", "player", "record", "drills", "seed 5150", "mean (200)",
                "in 40-60 %", "factor 20-60");
    struct Speed {
        const char *name;
        HumanModel::Params params;
    };
    const Speed speeds[] = {
        {"0.48 s", HumanModel::scaled(HumanModel::step(Step::Skilled).params, 0.8)},
        {"0.96 s", HumanModel::scaled(HumanModel::step(Step::Standard).params, 1.2)},
        {"1.56 s", HumanModel::scaled(HumanModel::step(Step::Beginner).params, 1.3)},
    };
    struct Mix {
        const char *name;
        std::vector<int> cardCounts;
    };
    const Mix mixes[] = {{"none", {46}}, {"2 of 3", {46, 3, 3}}, {"2 of 7", {46, 7, 7}}, {"2 of 10", {46, 10, 10}}};
    for (const Mix &mix : mixes) {
        for (bool keepRecord : {false, true}) {
            for (const Speed &speed : speeds) {
                const auto winRate = [&](quint64 seed, double *meanFactor) {
                    SimulatedPlayer player(speed.params, 2024 + seed);
                    const MatchSimulator::Staircase run = MatchSimulator::staircase(
                        60 * int(mix.cardCounts.size()), mix.cardCounts, player, keepRecord, seed);
                    // The 46-card matches, each first in its turn, from the 20th on.
                    const std::size_t turn = mix.cardCounts.size();
                    int wins = 0;
                    double factors = 0;
                    for (std::size_t m = 19 * turn; m < run.playerWon.size(); m += turn) {
                        wins += run.playerWon[m];
                        factors += run.factor[m];
                    }
                    if (meanFactor)
                        *meanFactor = factors / 41;
                    return double(wins) / 41;
                };
                double factor = 0;
                const double fixedSeed = winRate(5150, &factor);
                double sum = 0;
                int inRange = 0;
                for (quint64 seed = 1; seed <= 200; ++seed) {
                    const double w = winRate(seed * 7919, nullptr);
                    sum += w;
                    inRange += w >= 0.4 && w <= 0.6;
                }
                std::printf("  %-6s %-12s %-10s %9.0f%% %11.1f%% %8d/200 %14.2f\n", speed.name,
                            keepRecord ? "kept" : "none", mix.name, 100 * fixedSeed, 100 * sum / 200, inRange, factor);
            }
        }
    }
    std::printf("\n");
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int samples = 40;
    QStringList phases;
    for (const QString &arg : app.arguments().mid(1)) {
        bool isNumber = false;
        const int n = arg.toInt(&isNumber);
        if (isNumber)
            samples = std::max(1, n);
        else
            phases << arg;
    }
    if (phases.isEmpty())
        phases = {QStringLiteral("draw"), QStringLiteral("timer"), QStringLiteral("simulate")};
    machine();
    if (phases.contains(QStringLiteral("draw")))
        drawPhase();
    if (phases.contains(QStringLiteral("timer")))
        timerPhase(samples);
    if (phases.contains(QStringLiteral("simulate")))
        simulatePhase();
    return 0;
}
