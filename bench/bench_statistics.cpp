// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// 成績 on a full record: 100,000 takes in 2,000 matches of the default card
// set over 200 days, made first through the real writer. Each run makes a
// fresh hub (so the record and its reader are opened anew, as at the first
// opening in a session), opens the window as the menu item does, and
// times:
//   - to the first paint of the window;
//   - to the first paint of the card table showing the record.
//   bench_statistics [runs]      (default 20)
//   bench_statistics shot <file.png>
//                 the README's picture: a month of practice, the window
//                 drawn into the file (under Xvfb, for the real fonts)
// Run it with QT_QPA_PLATFORM=offscreen, or under Xvfb for the X server's
// share as well.

#include "app/windowhub.h"
#include "data/cardstate.h"
#include "record/statisticswindow.h"
#include "record/trainingrecord.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
constexpr qint64 Day = 24 * 60 * 60 * 1000;
constexpr int Matches = 2000;
constexpr int TakesPerMatch = 50;

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

// A month of practice that gets faster, for the picture: 40 matches, the
// later ones at higher levels, a few cards slower than the rest.
void makeMonth(const QString &path, const CardState &data)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    qint64 wall = 0;
    TrainingRecord record(path);
    record.setWallClock([&wall] { return wall; });
    QRandomGenerator random(7);
    const int cards = data.cardCount();
    const int matches = 40;
    for (int m = 0; m < matches; ++m) {
        wall = now - 30 * Day + qint64(m) * (30 * Day / matches);
        const int level = 1 + m * 5 / matches;
        // Now and then a match against a named step or the adaptive
        // opponent, as the history shows them.
        const QString opponent = m % 7 == 3 ? QStringLiteral("human:上") : m % 11 == 5 ? QStringLiteral("adaptive") : QStringLiteral("level");
        const auto key = record.startMatch({data.cardFolder(), cards, level, true, m % 9 == 8, opponent});
        int player = 0;
        for (int t = 0; t < cards; ++t) {
            wall += 2500;
            record::Take take;
            take.card = (t * 7 + m) % cards + 1;
            take.label = data.labels()[take.card];
            take.slot = t + 1;
            take.taker = random.bounded(100) < 20 + 10 * level ? record::Taker::Computer : record::Taker::Player;
            const bool hard = take.card % 11 == 4;
            if (take.taker == record::Taker::Player) {
                take.reactionMs = 700 + int(random.bounded(900)) - 10 * m + (hard ? 900 : 0);
                ++player;
            }
            record.recordTake(key, take);
            if (random.bounded(100) < 8)
                record.recordWrongTake(key, {take.card % cards + 1, take.card, take.slot, 500});
        }
        const int computer = cards - player;
        record.endMatch(key, {5 * player, 5 * computer, player > computer ? record::Result::Won : record::Result::Lost});
    }
    settle(record);
}

int takeShot(const QString &file)
{
    testing::ProgramFolder program;
    CardState data(program.path());
    data.loadCardFolder();
    data.takeNotices();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("training-record.sqlite"));
    makeMonth(path, data);
    WindowHub hub(data);
    hub.recordPath = path;
    hub.showStatistics();
    StatisticsWindow *w = hub.statisticsWindow();
    // The size it opens at on a desktop of 1280 x 1024.
    w->resize(1180, 820);
    bool refreshed = false;
    QObject::connect(w, &StatisticsWindow::refreshed, w, [&] { refreshed = true; });
    runUntil([&] { return refreshed; });
    QElapsedTimer settleTime;
    settleTime.start();
    runUntil([&] { return settleTime.elapsed() > 500; });
    const bool saved = w->grab().save(file);
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(file));
    return saved ? 0 : 1;
}

void makeRecord(const QString &path, const CardState &data)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    qint64 wall = 0;
    TrainingRecord record(path);
    record.setWallClock([&wall] { return wall; });
    QRandomGenerator random(15);
    const int cards = data.cardCount();
    for (int m = 0; m < Matches; ++m) {
        wall = now - 200 * Day + qint64(m) * (200 * Day / Matches);
        const auto key = record.startMatch({data.cardFolder(), cards, 1 + m % 5, m % 3 != 0, m % 10 == 0});
        for (int t = 0; t < TakesPerMatch; ++t) {
            wall += 3000;
            record::Take take;
            take.card = (t + m) % cards + 1;
            take.label = data.labels()[take.card];
            take.slot = t % 49 + 1;
            take.taker = t % 5 == 4 ? record::Taker::Computer : record::Taker::Player;
            if (take.taker == record::Taker::Player)
                take.reactionMs = 300 + int(random.bounded(1500)) + 20 * take.card;
            record.recordTake(key, take);
            if (t % 25 == 0)
                record.recordWrongTake(key, {take.card % cards + 1, take.card, take.slot, 400});
        }
        record.endMatch(key, {200, 50, m % 4 ? record::Result::Won : record::Result::Lost});
        if (m % 100 == 99)
            settle(record);
    }
    settle(record);
    std::printf("made the record: %d takes, %d matches in %.1f s\n", Matches * TakesPerMatch, Matches,
                timer.elapsed() / 1000.0);
}

void report(const char *what, QList<double> values)
{
    std::sort(values.begin(), values.end());
    std::printf("%-48s n=%-3lld median %8.1f ms   min %8.1f   max %8.1f\n", what, qlonglong(values.size()),
                values[values.size() / 2], values.first(), values.last());
}

// Calls back at the first paint event of a widget.
class PaintWatch : public QObject
{
public:
    PaintWatch(QWidget *widget, std::function<void()> painted) : m_painted(std::move(painted))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_painted) {
            m_painted();
            m_painted = nullptr;
        }
        return false;
    }

private:
    std::function<void()> m_painted;
};
} // namespace

int main(int argc, char **argv)
{
    testing::prepareEnvironment();
    QApplication app(argc, argv);
    testing::setUpApplication();
    if (argc > 2 && QByteArray(argv[1]) == "shot")
        return takeShot(QString::fromLocal8Bit(argv[2]));
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;

    testing::ProgramFolder program;
    CardState data(program.path());
    data.loadCardFolder();
    data.takeNotices();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("training-record.sqlite"));
    makeRecord(path, data);

    QList<double> window, table;
    for (int run = 0; run < runs; ++run) {
        WindowHub hub(data);
        hub.recordPath = path;
        // The writer opened, as it is once a match has been played.
        runUntil([&hub] { return hub.trainingRecord().state() != RecordState::Opening; });
        QElapsedTimer clock;
        double windowAt = -1, tableAt = -1;
        bool refreshed = false;
        clock.start();
        hub.showStatistics();
        StatisticsWindow *w = hub.statisticsWindow();
        PaintWatch windowPaint(w, [&] { windowAt = clock.nsecsElapsed() / 1e6; });
        QObject::connect(w, &StatisticsWindow::refreshed, w, [&] { refreshed = true; });
        // The table's first paint with the record in it.
        std::unique_ptr<PaintWatch> tablePaint;
        QObject::connect(w, &StatisticsWindow::refreshed, w, [&] {
            tablePaint = std::make_unique<PaintWatch>(controls(w).cardTable()->viewport(),
                                                      [&] { tableAt = clock.nsecsElapsed() / 1e6; });
        });
        runUntil([&] { return refreshed && tableAt >= 0 && windowAt >= 0; });
        if (controls(w).cardModel()->rowCount() != data.cardCount() || controls(w).historyModel()->rowCount() != Matches)
            qFatal("the window does not show the record");
        window << windowAt;
        table << tableAt;
        tablePaint.reset();
        delete w;
    }
    report("open -> first paint of the window", window);
    report("open -> first paint of the table with the record", table);
    return 0;
}
