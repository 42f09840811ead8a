// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Soak: many readings in a row through the windows and the sound device
// they use, with no sound server at all and on the null sink, watching the
// user-interface thread for stalls. A 5 ms timer beats in that thread; a
// stall is a beat that came late, by how late.
//   scripts/with-null-sink.sh build/bench/bench_soak [readings]
// Runs itself twice: once told the server is at a path where none is
// (PULSE_SERVER), once on the null sink. Each run reads `readings` cards in
// the automatic reading (its timer fired as soon as it is armed, so the run
// does not wait out the 5 s pauses) and `readings` in matches at level 5
// (the right card clicked 100 to 400 ms after its announcement, so some
// readings are cut off and some end by themselves).

#include "app/uikit.h"
#include "app/windowhub.h"
#include "data/module1.h"
#include "match/frmkaruto.h"
#include "reading/frmmain.h"
#include "settings/frmsettei.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"

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
#include <cstdio>
#include <thread>

namespace {
constexpr int BeatMs = 5;

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
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last > 0)
                lateMs << double(now - m_last) / 1e6 - BeatMs;
            m_last = now;
            m_alive.store(now);
        });
        m_clock.start();
        m_beat.start();
        m_watchdog = std::thread([this] {
            while (!m_stop.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                const qint64 silentMs = (m_clock.nsecsElapsed() - m_alive.load()) / 1000000;
                if (silentMs > 10000) {
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

private:
    QTimer m_beat;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
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
    FrmMain *w = hub.reading();
    testing::MessageBoxAnswerer answerer;
    int read = 0;
    while (read < readings) {
        w->Combo2->setCurrentText(QStringLiteral("2：あいう順"));
        if (!w->Command1->isEnabled() && !runUntil([w] { return w->Command1->isEnabled(); }, 5000))
            return read;
        w->Command1->click();
        while (read < readings) {
            if (!runUntil([w] { return w->Timer1->isActive() || w->Command1->isEnabled(); }, 5000))
                return read;
            if (!w->Timer1->isActive())
                break; // the run ended
            w->Timer1->stop();
            w->Timer1_Timer();
            ++read;
        }
    }
    w->mnuEnd->trigger();
    return read;
}

int match(WindowHub &hub, int readings)
{
    hub.showKaruto();
    FrmKaruto *w = hub.karuto();
    hub.matchSettings();
    hub.settei()->Option1[4]->setChecked(true);
    hub.settei()->Option2[1]->setChecked(true);
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    int read = 0;
    while (read < readings) {
        if (w->mnuGo->isEnabled())
            w->mnuGo->trigger();
        ++read;
        runFor(100 + (read * 37) % 300);
        for (int s = 1; s <= w->match().cardCount(); ++s) {
            if (w->match().isRightTake(s)) {
                QTest::mouseClick(w->Img1[s - 1], Qt::LeftButton);
                break;
            }
        }
    }
    w->mnuEnd->trigger();
    return read;
}

int soak(int readings)
{
    testing::ProgramFolder program;
    for (int n = 1; n <= 46; ++n)
        testing::writeWav(program.cardFolder() + QStringLiteral("/karuon%1.wav").arg(n, 2, 10, QLatin1Char('0')),
                          testing::WavFormat{22050, n % 2 ? 8 : 16, 1}, 150 + 10 * (n % 5), 440);
    Module1 data(program.path());
    data.LoadCardFolder();
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
    bool child = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--child")
            child = true;
        else
            readings = qMax(1, args[i].toInt());
    }
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
    return failed;
}
