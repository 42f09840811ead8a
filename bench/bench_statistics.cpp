// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// 成績 on a full record: by default 1,000,040 takes in 21,740 matches of the
// default card set over 1,000 days (a club's machine after a few years),
// made first with the writer's statements in one transaction. Each run makes a fresh hub (so the
// record and its readers are opened anew, as at the first opening in a
// session), opens the window as the menu item does, and times:
//   - to the first paint of the card table showing the record;
//   - each change of period, すべて → 最近30日 → 最近7日 → すべて, to the
//     first paint of the table with the new figures;
//   - with a 1 ms heartbeat timer in the UI thread, the longest time the
//     thread was kept from it during each of those;
//   - in the first runs, the CSV export of every take, from 保存 to the
//     window saying it is done, and the longest stall meanwhile.
// At the end, the process's peak resident set size.
//   bench_statistics [runs [matches [record file]]]   (default 10 runs)
//                 A record file that holds the matches already is used as it
//                 is, so that a second run measures the window alone (its
//                 peak memory included); otherwise it is made first.
//   bench_statistics shot <file.png> [record file]
//                 the README's picture: a month of practice (or the record
//                 given), the window drawn into the file (under Xvfb, for
//                 the real fonts)
// Run it with QT_QPA_PLATFORM=offscreen, or under Xvfb for the X server's
// share as well.

#include "app/windowhub.h"
#include "data/cardstate.h"
#include "record/recordschema.h"
#include "record/statisticswindow.h"
#include "record/trainingrecord.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
constexpr qint64 Day = 24 * 60 * 60 * 1000;
constexpr int DefaultMatches = 21740;
constexpr int TakesPerMatch = 46;
constexpr int Days = 1000;

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
    const QHash<QString, QStringList> lookAlike{
        {QStringLiteral("ぬ"), {QStringLiteral("め")}}, {QStringLiteral("め"), {QStringLiteral("ぬ")}},
        {QStringLiteral("ね"), {QStringLiteral("れ"), QStringLiteral("わ")}},
        {QStringLiteral("れ"), {QStringLiteral("ね")}}, {QStringLiteral("わ"), {QStringLiteral("ね")}},
        {QStringLiteral("は"), {QStringLiteral("ほ")}}, {QStringLiteral("ほ"), {QStringLiteral("は")}},
        {QStringLiteral("る"), {QStringLiteral("ろ")}},
    };
    QHash<QString, int> cardOf;
    for (int card = 1; card <= cards; ++card)
        cardOf.insert(data.labels()[card], card);
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
            // Kana that look alike are mixed up now and then; any card
            // seldom.
            const QStringList alike = lookAlike.value(take.label);
            if (!alike.isEmpty() && random.bounded(100) < 25) {
                const int clicked = cardOf.value(alike.at(int(random.bounded(int(alike.size())))));
                if (clicked > 0)
                    record.recordWrongTake(key, {clicked, take.card, take.slot, 600});
            } else if (random.bounded(100) < 3) {
                record.recordWrongTake(key, {int(random.bounded(cards)) + 1, take.card, take.slot, 500});
            }
            record.recordTake(key, take);
        }
        const int computer = cards - player;
        record.endMatch(key, {5 * player, 5 * computer, player > computer ? record::Result::Won : record::Result::Lost});
    }
    settle(record);
}

int matchesIn(const QString &path, QString *folder);

int takeShot(const QString &file, const QString &record)
{
    testing::ProgramFolder program;
    CardState data(program.path());
    data.loadCardFolder();
    data.takeNotices();
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("training-record.sqlite"));
    QString recordedSet;
    if (!record.isEmpty() && matchesIn(record, &recordedSet) > 0) {
        path = record;
        data.adoptSavedSet(recordedSet, data.labels(), data.cardCount());
    } else {
        makeMonth(path, data);
    }
    WindowHub hub(data);
    hub.recordPath = path;
    hub.showStatistics();
    StatisticsWindow *w = hub.statisticsWindow();
    // The size it opens at on a desktop of 1280 x 1024.
    w->resize(1240, 820);
    bool refreshed = false;
    QObject::connect(w, &StatisticsWindow::refreshed, w, [&] { refreshed = true; });
    runUntil([&] { return refreshed; });
    QElapsedTimer settleTime;
    settleTime.start();
    runUntil([&] { return settleTime.elapsed() > 500; });
    const bool saved = w->grab().save(file);
    std::printf("saved %s\n", saved ? qPrintable(file) : "nothing: the picture could not be written");
    return saved ? 0 : 1;
}

// The record's matches and the folder of their card set, as SQLite sees
// the file; 0 when there is none.
int matchesIn(const QString &path, QString *folder)
{
    int matches = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        if (QFileInfo::exists(path) && db.open()
            && query.exec(QStringLiteral("SELECT (SELECT count(*) FROM matches), (SELECT folder FROM card_sets)"))
            && query.next()) {
            matches = query.value(0).toInt();
            *folder = query.value(1).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    return matches;
}

void bind(QSqlQuery &query, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        qFatal("cannot make the record: %s", qPrintable(query.lastError().text()));
}

// The record as the writer would leave it, but in one transaction: a
// million commits one by one take an hour on a busy machine. The same
// statements as the writer's, so the file's triggers keep its counts and
// the matches' medians as they do for the writer.
void makeRecord(const QString &path, const CardState &data, int matches)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QRandomGenerator random(15);
    const int cards = data.cardCount();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-make"));
        db.setDatabaseName(path);
        if (!db.open() || isRecordProblem(recordschema::prepareForWriting(db).state))
            qFatal("cannot make the record");
        db.transaction();
        QSqlQuery set(db), begin(db), take(db), wrong(db), end(db);
        set.prepare(QStringLiteral("INSERT INTO card_sets (folder) VALUES (?)"));
        set.addBindValue(record::cardSetKey(data.cardFolder()));
        set.exec();
        const qint64 setId = set.lastInsertId().toLongLong();
        begin.prepare(QStringLiteral("INSERT INTO matches (set_id, started_at, level, voice, card_count, drill, opponent)"
                                     " VALUES (?, ?, ?, ?, ?, ?, ?)"));
        take.prepare(QStringLiteral("INSERT INTO takes (taken_at, match_id, set_id, card, label, slot, taker, reaction_ms)"
                                    " VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        wrong.prepare(QStringLiteral("INSERT INTO wrong_takes (taken_at, match_id, set_id, clicked_card, read_card, slot,"
                                     " since_announcement_ms) VALUES (?, ?, ?, ?, ?, ?, ?)"));
        end.prepare(QStringLiteral("UPDATE matches SET ended_at = ?, player_score = ?, computer_score = ?, result = ?"
                                   " WHERE id = ?"));
        for (int m = 0; m < matches; ++m) {
            qint64 wall = now - Days * Day + qint64(m) * (Days * Day / matches);
            const QString opponent = m % 7 == 3 ? QStringLiteral("human:上") : m % 11 == 5 ? QStringLiteral("adaptive") : QStringLiteral("level");
            bind(begin, {setId, wall, 1 + m % 5, int(m % 3 != 0), cards, int(m % 10 == 0), opponent});
            const qint64 match = begin.lastInsertId().toLongLong();
            for (int t = 0; t < TakesPerMatch; ++t) {
                wall += 3000;
                const int card = (t + m) % cards + 1;
                const bool computer = t % 5 == 4;
                const QVariant ms = computer ? QVariant(QMetaType(QMetaType::Int))
                                             : QVariant(300 + int(random.bounded(1500)) + 20 * card);
                bind(take, {wall, match, setId, card, data.labels()[card], t % 49 + 1,
                            record::takerKey(computer ? record::Taker::Computer : record::Taker::Player), ms});
                if (t % 25 == 0)
                    bind(wrong, {wall, match, setId, card % cards + 1, card, t % 49 + 1, 400});
            }
            bind(end, {wall, 200, 50, record::resultKey(m % 4 ? record::Result::Won : record::Result::Lost), match});
        }
        if (!db.commit())
            qFatal("cannot make the record");
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-make"));
    std::printf("made the record: %d takes, %d matches in %.1f s\n", matches * TakesPerMatch, matches,
                timer.elapsed() / 1000.0);
}

void report(const char *what, QList<double> values)
{
    if (values.isEmpty())
        return;
    std::sort(values.begin(), values.end());
    std::printf("%-58s n=%-3lld median %8.1f ms   min %8.1f   max %8.1f\n", what, qlonglong(values.size()),
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

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The longest time the UI thread was kept from a 1 ms timer since start(),
// and how much of it the thread itself was running: on a machine shared
// with other work, the rest is the thread waiting for a processor.
class Heartbeat
{
public:
    Heartbeat()
    {
        m_beat.setTimerType(Qt::PreciseTimer);
        m_beat.setInterval(1);
        QObject::connect(&m_beat, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            const qint64 cpu = threadCpuNs();
            if (now - m_last > m_longest) {
                m_longest = now - m_last;
                m_longestCpu = cpu - m_lastCpu;
            }
            m_last = now;
            m_lastCpu = cpu;
        });
        m_clock.start();
        m_beat.start();
    }
    void start()
    {
        m_last = m_clock.nsecsElapsed();
        m_lastCpu = threadCpuNs();
        m_longest = 0;
        m_longestCpu = 0;
    }
    double longestMs() const { return std::max(m_longest, m_clock.nsecsElapsed() - m_last) / 1e6; }
    // The UI thread's own processor time in that longest stall.
    double longestCpuMs() const
    {
        return m_clock.nsecsElapsed() - m_last > m_longest ? (threadCpuNs() - m_lastCpu) / 1e6 : m_longestCpu / 1e6;
    }

private:
    QTimer m_beat;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_lastCpu = 0;
    qint64 m_longestCpu = 0;
};

// From now to the first paint of the card table once the window has
// shown new figures.
class FiguresShown
{
public:
    // Timed from when the clock was started.
    FiguresShown(StatisticsWindow *w, const QElapsedTimer &clock) : m_window(w), m_clock(clock)
    {
        m_connection = QObject::connect(w, &StatisticsWindow::refreshed, w, [this] {
            m_paint = std::make_unique<PaintWatch>(controls(m_window).cardTable()->viewport(),
                                                   [this] { m_ms = m_clock.nsecsElapsed() / 1e6; });
        });
    }
    ~FiguresShown() { QObject::disconnect(m_connection); }
    double waitMs()
    {
        runUntil([this] { return m_ms >= 0; });
        return m_ms;
    }

private:
    StatisticsWindow *m_window;
    const QElapsedTimer &m_clock;
    QMetaObject::Connection m_connection;
    std::unique_ptr<PaintWatch> m_paint;
    double m_ms = -1;
};

double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}
} // namespace

int main(int argc, char **argv)
{
    testing::prepareEnvironment();
    QApplication app(argc, argv);
    testing::setUpApplication();
    if (argc > 2 && QByteArray(argv[1]) == "shot")
        return takeShot(QString::fromLocal8Bit(argv[2]), argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    const int matches = argc > 2 ? std::max(1, atoi(argv[2])) : DefaultMatches;

    testing::ProgramFolder program;
    CardState data(program.path());
    data.loadCardFolder();
    data.takeNotices();
    QTemporaryDir folder;
    const QString path = argc > 3 ? QString::fromLocal8Bit(argv[3])
                                  : folder.filePath(QStringLiteral("training-record.sqlite"));
    QString recordedSet;
    if (matchesIn(path, &recordedSet) == matches) {
        // The set the record was made of, where the program folder was then.
        data.adoptSavedSet(recordedSet, data.labels(), data.cardCount());
        std::printf("the record as it is: %d takes, %d matches\n", matches * TakesPerMatch, matches);
    } else {
        QFile::remove(path);
        makeRecord(path, data, matches);
    }
    std::printf("peak RSS before the window: %.1f MB\n", peakRssMb());

    Heartbeat heartbeat;
    // What the machine's other load alone does to the heartbeat: a second
    // of nothing to do, before each run.
    QList<double> idleStall;
    QList<double> open, openStall, openStallCpu, exportMs, exportStall, exportStallCpu;
    const char *periodNames[] = {"すべて", "最近30日", "最近7日"};
    QList<double> change[3], changeStall[3], changeStallCpu[3];
    for (int run = 0; run < runs; ++run) {
        WindowHub hub(data);
        hub.recordPath = path;
        // The writer opened, as it is once a match has been played.
        runUntil([&hub] { return hub.trainingRecord().state() != RecordState::Opening; });
        heartbeat.start();
        QElapsedTimer idle;
        idle.start();
        runUntil([&idle] { return idle.elapsed() >= 1000; });
        idleStall << heartbeat.longestMs();
        heartbeat.start();
        QElapsedTimer clock;
        clock.start();
        hub.showStatistics();
        StatisticsWindow *w = hub.statisticsWindow();
        FiguresShown opened(w, clock);
        open << opened.waitMs();
        openStall << heartbeat.longestMs();
        openStallCpu << heartbeat.longestCpuMs();
        if (controls(w).cardModel()->rowCount() != data.cardCount() || controls(w).historyModel()->rowCount() != matches)
            qFatal("the window does not show the record");
        for (const int period : {1, 2, 0}) {
            heartbeat.start();
            clock.restart();
            FiguresShown changed(w, clock);
            controls(w).periodChooser()->setCurrentIndex(period);
            change[period] << changed.waitMs();
            changeStall[period] << heartbeat.longestMs();
            changeStallCpu[period] << heartbeat.longestCpuMs();
        }
        if (run < 3) {
            controls(w).exportTakesAction()->trigger();
            auto *dialog = w->findChild<QFileDialog *>(QStringLiteral("exportDialog"));
            // A new name each time: the dialog would ask before writing over one.
            dialog->selectFile(folder.filePath(QStringLiteral("takes-%1.csv").arg(run)));
            heartbeat.start();
            clock.restart();
            // What 保存 does.
            QMetaObject::invokeMethod(dialog, "accept");
            runUntil([w] {
                auto *notice = w->findChild<QMessageBox *>(QStringLiteral("notice"));
                return notice && notice->isVisible();
            });
            exportMs << clock.nsecsElapsed() / 1e6;
            exportStall << heartbeat.longestMs();
            exportStallCpu << heartbeat.longestCpuMs();
            auto *notice = w->findChild<QMessageBox *>(QStringLiteral("notice"));
            if (!notice->text().startsWith(QStringLiteral("書き出しました")))
                qFatal("the export failed: %s", qPrintable(notice->text()));
            notice->close();
        }
        delete w;
    }
    report("the UI thread's longest stall in a second of nothing", idleStall);
    report("open -> first paint of the table with the record", open);
    report("  the UI thread's longest stall meanwhile", openStall);
    report("    the UI thread's own processor time in it", openStallCpu);
    for (const int period : {1, 2, 0}) {
        const QByteArray what = QByteArray("period -> ") + periodNames[period] + ", to its table's first paint";
        report(what.constData(), change[period]);
        report("  the UI thread's longest stall meanwhile", changeStall[period]);
        report("    the UI thread's own processor time in it", changeStallCpu[period]);
    }
    // The worker's share: the read alone, in this thread, wall and CPU time.
    for (const int period : {0, 1, 2}) {
        QList<double> wall, cpu;
        RecordReader reader(path);
        QStringList labels;
        for (int card = 1; card <= data.cardCount(); ++card)
            labels << data.labels()[card];
        for (int run = 0; run < runs; ++run) {
            timespec start{}, end{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
            QElapsedTimer clock;
            clock.start();
            reader.statistics(data.cardFolder(), labels, record::Period(period));
            wall << clock.nsecsElapsed() / 1e6;
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
            cpu << (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6;
        }
        const QByteArray what = QByteArray("RecordReader::statistics, ") + periodNames[period];
        report(what.constData(), wall);
        report("  its CPU time", cpu);
    }
    // The other way to the medians: every timed take of the set fetched in
    // card and time order, each card's middle picked in C++, against the
    // counts the file keeps (what RecordReader does for すべて).
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-medians"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            qFatal("cannot open the record");
        const QString folder = record::cardSetKey(data.cardFolder());
        auto timed = [&](const QString &sql, QList<double> &wall, QList<double> &cpu) {
            for (int run = 0; run < runs; ++run) {
                const qint64 cpuFrom = threadCpuNs();
                QElapsedTimer clock;
                clock.start();
                QSqlQuery query(db);
                query.setForwardOnly(true);
                query.prepare(sql);
                query.addBindValue(folder);
                query.addBindValue(record::takerKey(record::Taker::Player));
                if (!query.exec())
                    qFatal("%s", qPrintable(query.lastError().text()));
                QHash<int, QList<QPair<int, qint64>>> byCard;
                while (query.next())
                    byCard[query.value(0).toInt()].append({query.value(1).toInt(), query.value(2).toLongLong()});
                double sum = 0;
                for (const auto &times : std::as_const(byCard)) {
                    qint64 n = 0;
                    for (const auto &t : times)
                        n += t.second;
                    qint64 seen = 0;
                    for (const auto &t : times) {
                        seen += t.second;
                        if (2 * seen >= n) {
                            sum += t.first;
                            break;
                        }
                    }
                }
                wall << clock.nsecsElapsed() / 1e6;
                cpu << (threadCpuNs() - cpuFrom) / 1e6;
                if (sum <= 0)
                    qFatal("no medians");
            }
        };
        QList<double> sortedWall, sortedCpu, countedWall, countedCpu;
        timed(QStringLiteral("SELECT t.card, t.reaction_ms, 1 FROM takes t JOIN card_sets s ON s.id = t.set_id"
                             " WHERE s.folder = ? AND t.taker = ? AND t.reaction_ms IS NOT NULL"
                             " ORDER BY t.card, t.reaction_ms"),
              sortedWall, sortedCpu);
        timed(QStringLiteral("SELECT c.card, c.reaction_ms, c.takes FROM take_counts c JOIN card_sets s"
                             " ON s.id = c.set_id WHERE s.folder = ? AND c.taker = ? AND c.reaction_ms >= 0"
                             " ORDER BY c.card, c.reaction_ms"),
              countedWall, countedCpu);
        report("medians, every time fetched sorted (all)", sortedWall);
        report("  its CPU time", sortedCpu);
        report("medians, from the counts the file keeps (all)", countedWall);
        report("  its CPU time", countedCpu);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-medians"));
    report("export of every take, 保存 to done", exportMs);
    report("  the UI thread's longest stall meanwhile", exportStall);
    report("    the UI thread's own processor time in it", exportStallCpu);
    std::printf("peak RSS: %.1f MB\n", peakRssMb());
    return 0;
}
