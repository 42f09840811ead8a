// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Soak: many readings in a row through the windows and the sound device
// they use, with no sound server at all and on the null sink, watching the
// user-interface thread for stalls. A 1 ms timer beats in that thread; a
// stall is a beat that came late, by how late.
//   scripts/with-null-sink.sh build/bench/bench_soak [readings] [matches]
//   scripts/with-null-sink.sh build/bench/bench_soak --matches n [--voice-off]
// (the second form plays only the whole matches, with or without voice;
// SOAK_TRACE=1 prints each stall of over 4 ms of its own, in seconds of
// CLOCK_MONOTONIC, to be matched with a `perf sched record -k mono` trace)
// Runs itself three times. Twice with readings in a row: once told the
// server is at a path where none is (PULSE_SERVER), once on the null sink.
// Each of these reads `readings` cards in the automatic reading (its timer
// fired as soon as it is armed, so the run does not wait out the 5 s
// pauses) and `readings` in matches at level 5 (the right card clicked 100
// to 400 ms after its announcement, so some readings are cut off and some
// end by themselves).
// Then `matches` whole 46-card matches on the null sink, played as a player
// would: the window shown first, two cards of every three taken 150 to
// 450 ms after their announcement, every third left to the computer. The
// stalls counted there leave out the computer's lift, which is painted
// without returning to the event loop by design, and the 試合開始 handler,
// which lays out the table; the time stopAndClose() waits for the audio
// thread is reported beside them.
// This machine is a virtual one and is itself paused now and then: a thread
// of highest priority that does nothing but sleep 1 ms at a time, one on each
// processor, misses its beat by 5 to 20 ms a few times a minute even when
// nothing else runs. Those pauses stall every program alike, so the stalls
// are given twice: as measured, and less the part of them in which a
// processor that ran the user-interface thread, before or after, was paused.

#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/matchwindow.h"
#include "reading/readingwindow.h"
#include "settings/settingswindow.h"
#include "sound/sinksounddevice.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"
#include "tests/windowcontrols.h"
#include "ui/uikit.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include <pthread.h>
#include <sched.h>

namespace {
constexpr int BeatMs = 1;

qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// When each processor was paused: a sleeper pinned to it, at the highest
// priority it may have, notes every wake-up that came over 2 ms late.
class MachinePauses
{
public:
    MachinePauses()
    {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        sched_getaffinity(0, sizeof allowed, &allowed);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (!CPU_ISSET(cpu, &allowed))
                continue;
            m_pauses.resize(cpu + 1);
            m_sleepers.emplace_back([this, cpu] { sleep(cpu); });
        }
    }
    ~MachinePauses()
    {
        m_stop.store(true);
        for (std::thread &t : m_sleepers)
            t.join();
    }
    bool realTime() const { return m_realTime.load(); }
    // How much of [from, to] the processor spent paused.
    qint64 pausedNs(int cpu, qint64 from, qint64 to) const
    {
        std::lock_guard lock(m_mutex);
        if (cpu < 0 || cpu >= m_pauses.size())
            return 0;
        // Each processor's pauses are noted in the order they ended: only
        // the last few can reach into a stall that has just ended.
        const QList<std::pair<qint64, qint64>> &pauses = m_pauses.at(cpu);
        qint64 paused = 0;
        for (auto it = pauses.crbegin(); it != pauses.crend() && it->second > from; ++it)
            paused += qMax<qint64>(0, qMin(it->second, to) - qMax(it->first, from));
        return paused;
    }

private:
    void sleep(int cpu)
    {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        pthread_setaffinity_np(pthread_self(), sizeof one, &one);
        sched_param param{};
        param.sched_priority = sched_get_priority_max(SCHED_FIFO);
        if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0)
            m_realTime.store(false);
        qint64 last = monotonicNs();
        while (!m_stop.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const qint64 now = monotonicNs();
            if (now - last > 3'000'000) {
                std::lock_guard lock(m_mutex);
                m_pauses[cpu].append({last + 1'000'000, now});
            }
            last = now;
        }
    }
    mutable std::mutex m_mutex;
    QList<QList<std::pair<qint64, qint64>>> m_pauses;
    std::vector<std::thread> m_sleepers;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_realTime{true};
};

// Late beats of the user-interface thread, and a watchdog that ends the
// process if the thread stops beating altogether (a freeze).
class StallWatch
{
public:
    StallWatch()
    {
        m_beat.setTimerType(Qt::PreciseTimer);
        m_beat.setInterval(BeatMs);
        QObject::connect(&m_beat, &QTimer::timeout, [this] {
            const qint64 now = monotonicNs();
            const int cpu = sched_getcpu();
            if (m_last > 0) {
                const bool excluded = std::any_of(excludedAt.cbegin(), excludedAt.cend(),
                                                  [&](qint64 at) { return at > m_last && at <= now; });
                if (!excluded) {
                    const double late = double(now - m_last) / 1e6 - BeatMs;
                    lateMs << late;
                    // The thread may have gone to sleep on one processor
                    // and been woken on the other: a pause of either held it.
                    const qint64 paused = qMax(m_pauses.pausedNs(m_cpu, m_last, now), m_pauses.pausedNs(cpu, m_last, now));
                    ownLateMs << qMax(0.0, late - double(paused) / 1e6);
                    if (m_trace && ownLateMs.last() > 4)
                        std::fprintf(stderr, "OWN %.6f..%.6f late %.1f own %.1f cpu %d->%d\n", m_last / 1e9, now / 1e9, late, ownLateMs.last(), m_cpu, cpu);
                    gapEnds << now;
                }
            }
            m_last = now;
            m_cpu = cpu;
            m_alive.store(now);
        });
        m_beat.start();
        m_watchdog = std::thread([this] {
            while (!m_stop.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                const qint64 silentMs = (monotonicNs() - m_alive.load()) / 1000000;
                if (m_alive.load() > 0 && silentMs > 10000) {
                    std::printf("  FROZE: the user-interface thread has not run for %lld ms\n", qlonglong(silentMs));
                    std::fflush(stdout);
                    std::_Exit(3);
                }
            }
        });
    }
    ~StallWatch()
    {
        m_stop.store(true);
        m_watchdog.join();
    }
    QList<double> lateMs;
    QList<double> ownLateMs; // lateMs less the machine's pauses in them
    QList<qint64> gapEnds; // when each of lateMs ended
    // Beats whose wait spans one of these moments are not counted.
    QList<qint64> excludedAt;
    qint64 now() const { return monotonicNs(); }
    void exclude() { excludedAt << now(); }
    void clear()
    {
        lateMs.clear();
        ownLateMs.clear();
        gapEnds.clear();
    }
    bool pausesSeen() const { return m_pauses.realTime(); }

private:
    MachinePauses m_pauses;
    QTimer m_beat;
    qint64 m_last = 0;
    int m_cpu = 0;
    const bool m_trace = qEnvironmentVariableIsSet("SOAK_TRACE");
    std::atomic<qint64> m_alive{0};
    std::atomic<bool> m_stop{false};
    std::thread m_watchdog;
};

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        runFor(2);
    }
    return true;
}

int automaticReading(WindowHub &hub, int readings)
{
    hub.showReading();
    ReadingWindow *w = hub.readingWindow();
    testing::MessageBoxAnswerer answerer;
    int read = 0;
    while (read < readings) {
        controls(w).orderChooser()->setCurrentText(QStringLiteral("2：あいう順"));
        if (!controls(w).startButton()->isEnabled() && !runUntil([w] { return controls(w).startButton()->isEnabled(); }, 5000))
            return read;
        controls(w).startButton()->click();
        while (read < readings) {
            if (!runUntil([w] { return controls(w).aiuOrderTimer()->isActive() || controls(w).startButton()->isEnabled(); }, 5000))
                return read;
            if (!controls(w).aiuOrderTimer()->isActive())
                break; // the run ended
            controls(w).aiuOrderTimer()->stop();
            w->aiuOrderTimeUp();
            ++read;
        }
    }
    controls(w).leaveAction()->trigger();
    return read;
}

int match(WindowHub &hub, int readings)
{
    hub.showMatch();
    MatchWindow *w = hub.matchWindow();
    hub.matchSettings();
    controls(hub.settingsWindow()).levelButtons()[4]->setChecked(true);
    controls(hub.settingsWindow()).voiceButtons()[1]->setChecked(true);
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    int read = 0;
    while (read < readings) {
        if (controls(w).startMatchAction()->isEnabled())
            controls(w).startMatchAction()->trigger();
        ++read;
        runFor(100 + (read * 37) % 300);
        for (int s = 1; s <= w->match().cardCount(); ++s) {
            if (w->match().isRightTake(s)) {
                QTest::mouseClick(controls(w).cardBoxes()[s - 1], Qt::LeftButton);
                break;
            }
        }
    }
    controls(w).leaveAction()->trigger();
    return read;
}

// The match window's device, timing each stopAndClose().
class TimedDevice : public SoundDevice
{
public:
    TimedDevice(SoundDevice *real, QObject *parent) : SoundDevice(parent), m_real(real)
    {
        real->setParent(this);
        connect(real, &SoundDevice::done, this, &SoundDevice::done);
        connect(real, &SoundDevice::noSoundOutput, this, &SoundDevice::noSoundOutput);
    }
    void prepare() override { m_real->prepare(); }
    void play(const QString &file) override { m_real->play(file); }
    void stopAndClose() override
    {
        QElapsedTimer t;
        t.start();
        m_real->stopAndClose();
        stopMs << double(t.nsecsElapsed()) / 1e6;
    }
    void close() override { m_real->close(); }
    void preload(const QString &file) override { m_real->preload(file); }
    void openAhead() override { m_real->openAhead(); }
    void releaseOutput() override { m_real->releaseOutput(); }
    QList<double> stopMs;

private:
    SoundDevice *m_real;
};

int wholeMatches(int matches, bool voice)
{
    testing::ProgramFolder program;
    for (int n = 1; n <= 46; ++n)
        testing::writeWav(program.cardFolder() + QStringLiteral("/karuon%1.wav").arg(n, 2, 10, QLatin1Char('0')),
                          testing::WavFormat{22050, 16, 1}, 600 + 20 * (n % 10), 440);
    CardState data(program.path());
    data.loadCardFolder();
    data.takeNotices();
    WindowHub hub(data);
    TimedDevice *timed = nullptr;
    hub.soundFactory = [&](QObject *owner) -> SoundDevice * {
        timed = new TimedDevice(new SinkSoundDevice, owner);
        return timed;
    };
    hub.showMatch();
    MatchWindow *w = hub.matchWindow();
    hub.matchSettings();
    controls(hub.settingsWindow()).levelButtons()[4]->setChecked(true);
    controls(hub.settingsWindow()).voiceButtons()[voice ? 1 : 0]->setChecked(true);
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    runFor(1000);

    StallWatch watch;
    // The machine's own noise first: the same beat with nothing to do.
    runFor(10000);
    const QList<double> idle = watch.lateMs;
    const QList<double> ownIdle = watch.ownLateMs;
    watch.clear();
    QList<qint64> clicks;
    testing::EventWatch lift(controls(w).handTaking(), QEvent::Show, [&watch] { watch.exclude(); });
    QElapsedTimer clock;
    clock.start();
    int announced = 0;
    for (int m = 0; m < matches; ++m) {
        watch.exclude();
        controls(w).startMatchAction()->trigger();
        watch.exclude();
        while (!controls(w).startMatchAction()->isEnabled()) {
            const int position = w->match().position();
            ++announced;
            if (position % 3 != 0) {
                runFor(150 + (announced * 37) % 300);
                for (int s = 1; s <= w->match().cardCount(); ++s) {
                    if (w->match().isRightTake(s)) {
                        // The last take asks the result, in a message box
                        // made there and then: the match is over.
                        if (position == w->match().cardCount())
                            watch.exclude();
                        clicks << watch.now();
                        QTest::mouseClick(controls(w).cardBoxes()[s - 1], Qt::LeftButton);
                        break;
                    }
                }
            } else if (!runUntil([w, position] { return w->match().position() != position || controls(w).startMatchAction()->isEnabled(); },
                                 20000)) {
                std::printf("  the computer did not take card %d\n", position);
                return 1;
            }
        }
        runFor(1000);
    }
    // Which stalls had a click of the player in them.
    auto overWithClick = [&](const QList<double> &lateMs) {
        int count = 0;
        for (qsizetype i = 0; i < lateMs.size(); ++i) {
            if (lateMs[i] <= 8)
                continue;
            const qint64 end = watch.gapEnds[i];
            const qint64 start = end - qint64((watch.lateMs[i] + BeatMs) * 1e6);
            if (std::any_of(clicks.cbegin(), clicks.cend(), [&](qint64 c) { return c > start && c <= end; }))
                ++count;
        }
        return count;
    };
    QList<double> stops = timed->stopMs;
    std::sort(stops.begin(), stops.end(), std::greater<double>());
    std::printf("  %d matches of 46 cards, reading aloud %s, %d announcements, %.1f s\n", matches, voice ? "on" : "off", announced,
                clock.elapsed() / 1000.0);
    auto report = [&](const char *what, QList<double> late, int withClick) {
        std::sort(late.begin(), late.end(), std::greater<double>());
        auto share = [&](double q) { return late.value(qsizetype(late.size() * (1 - q))); };
        std::printf("    %s: longest %.1f, %.1f, %.1f ms; over 8 ms: %lld", what, late.value(0), late.value(1), late.value(2),
                    qlonglong(std::count_if(late.begin(), late.end(), [](double v) { return v > 8; })));
        if (withClick >= 0)
            std::printf(", %d of them with a click in them", withClick);
        std::printf("; p99 %.2f, p99.9 %.2f ms\n", share(0.99), share(0.999));
    };
    if (!watch.pausesSeen())
        std::printf("  (the machine's pauses are measured by an ordinary thread: no real-time priority here)\n");
    std::printf("  user-interface thread idle, 10 s before, %lld beats of %d ms:\n", qlonglong(idle.size()), BeatMs);
    report("as measured", idle, -1);
    report("less the machine's pauses", ownIdle, -1);
    std::printf("  user-interface thread during the matches, outside the lift and 試合開始, %lld beats:\n", qlonglong(watch.lateMs.size()));
    report("as measured", watch.lateMs, overWithClick(watch.lateMs));
    report("less the machine's pauses", watch.ownLateMs, overWithClick(watch.ownLateMs));
    std::printf("  stopAndClose(): %lld calls, median %.3f ms, longest %.3f, %.3f, %.3f ms\n", qlonglong(stops.size()),
                stops.isEmpty() ? 0.0 : stops[stops.size() / 2], stops.value(0), stops.value(1), stops.value(2));
    std::fflush(stdout);
    return 0;
}

int soak(int readings)
{
    testing::ProgramFolder program;
    for (int n = 1; n <= 46; ++n)
        testing::writeWav(program.cardFolder() + QStringLiteral("/karuon%1.wav").arg(n, 2, 10, QLatin1Char('0')),
                          testing::WavFormat{22050, n % 2 ? 8 : 16, 1}, 150 + 10 * (n % 5), 440);
    CardState data(program.path());
    data.loadCardFolder();
    data.takeNotices();
    WindowHub hub(data);

    StallWatch watch;
    QElapsedTimer clock;
    clock.start();
    const int aloud = automaticReading(hub, readings);
    const int inMatches = match(hub, readings);
    QList<double> late = watch.lateMs;
    std::sort(late.begin(), late.end(), std::greater<double>());
    const auto over100 = std::count_if(late.begin(), late.end(), [](double v) { return v > 100; });
    std::printf("  %d readings in the automatic reading, %d in matches, %.1f s\n", aloud, inMatches, clock.elapsed() / 1000.0);
    std::printf("  user-interface thread: %lld beats of %d ms; longest stalls %.1f, %.1f, %.1f ms; over 100 ms: %lld\n",
                qlonglong(late.size()), BeatMs, late.value(0), late.value(1), late.value(2), qlonglong(over100));
    std::fflush(stdout);
    return aloud == readings && inMatches == readings && over100 == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char **argv)
{
    testing::prepareEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.multimedia.*=false;qt.qpa.*=false");
    QApplication app(argc, argv);
    testing::setUpApplication();
    const QStringList args = app.arguments();
    int readings = 200;
    int matches = 3;
    bool child = false;
    bool whole = false;
    bool voice = true;
    QList<int> numbers;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--child")
            child = true;
        else if (args[i] == u"--matches")
            whole = true;
        else if (args[i] == u"--voice-off")
            voice = false;
        else
            numbers << qMax(1, args[i].toInt());
    }
    readings = numbers.value(0, readings);
    matches = numbers.value(1, matches);
    if (whole)
        return wholeMatches(readings, voice);
    if (child)
        return soak(readings);

    int failed = 0;
    for (const bool server : {false, true}) {
        std::printf("%s:\n", server ? "on the null sink" : "no sound server");
        std::fflush(stdout);
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!server)
            env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent/ginrei-no-server"));
        else if (!env.contains(QStringLiteral("GINREI_NULL_SINK")))
            std::printf("  (not under scripts/with-null-sink.sh: whatever server this session has)\n");
        run.setProcessEnvironment(env);
        run.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QString::number(readings)});
        if (!run.waitForFinished(600000) || run.exitCode() != 0) {
            ++failed;
            if (run.state() != QProcess::NotRunning)
                run.kill();
        }
    }
    std::printf("whole matches on the null sink:\n");
    std::fflush(stdout);
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--matches"), QString::number(matches)});
    if (!run.waitForFinished(matches * 200000) || run.exitCode() != 0) {
        ++failed;
        if (run.state() != QProcess::NotRunning)
            run.kill();
    }
    return failed;
}
