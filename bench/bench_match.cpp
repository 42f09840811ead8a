// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Timing of a match in the real match window, with its real timers:
//   timer  - over `samples` announcements, how far each firing of the
//            computer's reaction timer lies from its nominal interval
//            (level 5: 2000 ms); the computer takes every card
//   step   - the wall time of one step of the computer's scan (a return
//            from one yield), and of the step that takes a card (the lift,
//            painted step by step)
//   click  - from a click on the right card (a mouse press and release
//            queued to the event loop) to the announcement of the next card,
//            silent and reading aloud (the reading of the card taken is cut
//            off, the next one written to a stream opened ahead)
//   bench_match [samples] [phase ...]      (default: 50, every phase)
// Run the click phase under scripts/with-null-sink.sh for a real audio path.
// When the player hears a card: bench_onset, which records the sink.

#include "app/uikit.h"
#include "app/windowhub.h"
#include "data/module1.h"
#include "match/frmkaruto.h"
#include "settings/frmsettei.h"
#include "sound/sounddevice.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
QElapsedTimer Clock;

// Runs the event loop (a real one: QTest::qWait and qWaitFor sleep between
// passes, which would delay every timer) until pred() holds; false on timeout.
bool runUntil(const std::function<bool()> &pred, int timeoutMs)
{
    if (pred())
        return true;
    QEventLoop loop;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (pred() || elapsed.elapsed() > timeoutMs)
            loop.quit();
    });
    check.start(5);
    loop.exec();
    return pred();
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double nowMs()
{
    return double(Clock.nsecsElapsed()) / 1e6;
}

void report(const char *what, QList<double> values, const char *unit = "ms")
{
    if (values.isEmpty()) {
        std::printf("%-52s no samples\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    const double median = values.size() % 2 ? values[values.size() / 2]
                                            : (values[values.size() / 2 - 1] + values[values.size() / 2]) / 2;
    std::printf("%-52s n=%-4lld median %9.3f %s   min %9.3f   max %9.3f\n", what, qlonglong(values.size()), median, unit,
                values.first(), values.last());
    std::fflush(stdout);
}

struct Bench {
    testing::ProgramFolder program;
    Module1 data{program.path()};
    WindowHub hub{data};
    FrmKaruto *window = nullptr;
    testing::MessageBoxAnswerer answerer{QMessageBox::Yes};

    explicit Bench(bool realSound)
    {
        data.LoadCardFolder();
        data.takeNotices();
        if (!realSound)
            hub.soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::SilentDevice(owner); };
        hub.showKaruto();
        window = hub.karuto();
        if (!QTest::qWaitForWindowExposed(window))
            qFatal("the match window was not shown");
    }

    void startMatch(int level, bool voice)
    {
        hub.matchSettings();
        hub.settei()->Option1[level - 1]->setChecked(true);
        hub.settei()->Option2[voice ? 1 : 0]->setChecked(true);
        if (!window->mnuGo->isEnabled())
            qFatal("試合開始 is not enabled");
        window->mnuGo->trigger();
    }

    ui::PictureBox *rightBox() const
    {
        const MatchState &m = window->match();
        for (int s = 1; s <= m.cardCount(); ++s) {
            if (m.isRightTake(s))
                return window->Img1[s - 1];
        }
        return nullptr;
    }

    // A click as the window system delivers it: queued, handled by the loop.
    void postClick(ui::PictureBox *box) const
    {
        const QPointF at = QRectF(box->rect()).center();
        const QPointF global = box->mapToGlobal(at);
        QCoreApplication::postEvent(box, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                                         Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(box, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                                         Qt::NoButton, Qt::NoModifier));
    }

    bool matchRunning() const { return !window->mnuGo->isEnabled(); }
};

void timerPhase(int samples)
{
    Bench b(false);
    FrmKaruto *w = b.window;
    QList<double> errors;
    double announcedAt = -1;
    QObject::connect(w, &FrmKaruto::announced, w, [&] {
        if (w->Timer1->isActive())
            announcedAt = nowMs();
    });
    testing::EventWatch watch(w->Timer1, QEvent::Timer, [&] {
        if (announcedAt >= 0 && errors.size() < samples) {
            errors << nowMs() - announcedAt - w->Timer1->interval();
            announcedAt = -1;
        }
    });
    std::printf("timer: level 5, the computer takes every card; %d firings take about %d s ...\n", samples,
                samples * 2 + 2);
    std::fflush(stdout);
    while (errors.size() < samples) {
        b.startMatch(5, false);
        QTest::mouseClick(b.rightBox(), Qt::LeftButton); // the first card is the player's
        if (!runUntil([&] { return errors.size() >= samples || !b.matchRunning(); }, 600000))
            qFatal("the match stalled");
    }
    QList<double> absolute;
    for (double e : errors)
        absolute << std::abs(e);
    report("Timer1 firing - nominal interval (signed)", errors);
    report("Timer1 firing error |firing - nominal|", absolute);
}

void stepPhase()
{
    Bench b(false);
    FrmKaruto *w = b.window;
    QList<double> yields, takes, starts;
    for (int level : {5, 1}) {
        b.startMatch(level, false);
        QTest::mouseClick(b.rightBox(), Qt::LeftButton);
        // Every card but the last: its take would bring up the result message.
        while (w->match().position() < w->match().cardCount()) {
            w->Timer1->stop();
            QElapsedTimer t;
            t.start();
            w->Timer1_Timer();
            starts << double(t.nsecsElapsed()) / 1e3;
            const int score = w->match().computerScore();
            while (w->match().computerScore() == score) {
                t.start();
                w->stepScan();
                const double us = double(t.nsecsElapsed()) / 1e3;
                (w->match().computerScore() == score ? yields : takes) << us;
            }
        }
        w->mnuEnd->trigger();
        b.hub.showKaruto();
    }
    report("scan step that yields (levels 5 and 1)", yields, "us");
    report("turn start (Timer1_Timer, up to the first yield)", starts, "us");
    report("scan step that takes the card (lift painted)", takes, "us");
}

void clickPhase(int samples, bool voice)
{
    Bench b(voice);
    FrmKaruto *w = b.window;
    QList<double> latencies;
    double clickedAt = -1;
    QObject::connect(w, &FrmKaruto::announced, w, [&] {
        if (clickedAt >= 0) {
            latencies << nowMs() - clickedAt;
            clickedAt = -1;
        }
    });
    while (latencies.size() < samples) {
        if (!b.matchRunning())
            b.startMatch(1, voice);
        // Let the loop fall idle (and a reading start) before the click.
        runFor(30);
        if (!b.matchRunning())
            continue;
        const int position = w->match().position();
        if (position == w->match().cardCount()) {
            // The last card's take ends the match, not an announcement.
            QTest::mouseClick(b.rightBox(), Qt::LeftButton);
            continue;
        }
        clickedAt = nowMs();
        b.postClick(b.rightBox());
        if (!runUntil([&] { return clickedAt < 0; }, 5000))
            qFatal("no announcement after a click");
    }
    report(voice ? "click -> next announcement, reading aloud" : "click -> next announcement, silent", latencies);
}

} // namespace

int main(int argc, char **argv)
{
    testing::prepareEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.multimedia.*=false;qt.qpa.*=false");
    QApplication app(argc, argv);
    testing::setUpApplication();
    Clock.start();

    int samples = 50;
    QStringList phases;
    for (int i = 1; i < argc; ++i) {
        bool number = false;
        const int n = QString::fromLocal8Bit(argv[i]).toInt(&number);
        if (number)
            samples = std::max(1, n);
        else
            phases << QString::fromLocal8Bit(argv[i]);
    }
    if (phases.isEmpty())
        phases = QStringList{QStringLiteral("step"), QStringLiteral("click"), QStringLiteral("timer")};

    for (const QString &phase : phases) {
        if (phase == QLatin1String("timer"))
            timerPhase(samples);
        else if (phase == QLatin1String("step"))
            stepPhase();
        else if (phase == QLatin1String("click")) {
            clickPhase(samples, false);
            clickPhase(samples, true);
        } else
            qFatal("unknown phase %s (timer, step, click)", qPrintable(phase));
    }
    return 0;
}
