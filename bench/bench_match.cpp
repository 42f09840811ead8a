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
//            off, the next one written to a stream opened ahead); then
//            silent again, the training record on and off in turns within
//            one run, and their ratio
//   bench_match [samples] [phase ...]      (default: 50, every phase)
// Run the click phase under scripts/with-null-sink.sh for a real audio path.
// When the player hears a card: bench_onset, which records the sink.

#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/matchwindow.h"
#include "settings/settingswindow.h"
#include "sound/sounddevice.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"
#include "ui/uikit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTemporaryDir>
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
    CardState data{program.path()};
    WindowHub hub{data};
    QTemporaryDir recordFolder;
    MatchWindow *window = nullptr;
    testing::MessageBoxAnswerer answerer{QMessageBox::Yes};

    explicit Bench(bool realSound)
    {
        hub.recordPath = recordFolder.filePath(QStringLiteral("training-record.sqlite"));
        data.loadCardFolder();
        data.takeNotices();
        if (!realSound)
            hub.soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::SilentDevice(owner); };
        hub.showMatch();
        window = hub.matchWindow();
        if (!QTest::qWaitForWindowExposed(window))
            qFatal("the match window was not shown");
    }

    void startMatch(int level, bool voice)
    {
        hub.matchSettings();
        controls(hub.settingsWindow()).levelButtons()[level - 1]->setChecked(true);
        controls(hub.settingsWindow()).voiceButtons()[voice ? 1 : 0]->setChecked(true);
        if (!controls(window).startMatchAction()->isEnabled())
            qFatal("試合開始 is not enabled");
        controls(window).startMatchAction()->trigger();
    }

    ui::PictureBox *rightBox() const
    {
        const MatchState &m = window->match();
        for (int s = 1; s <= m.cardCount(); ++s) {
            if (m.isRightTake(s))
                return controls(window).cardBoxes()[s - 1];
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

    bool matchRunning() const { return !controls(window).startMatchAction()->isEnabled(); }
};

void timerPhase(int samples)
{
    Bench b(false);
    MatchWindow *w = b.window;
    QList<double> errors;
    double announcedAt = -1;
    QObject::connect(w, &MatchWindow::announced, w, [&] {
        if (controls(w).reactionTimer()->isActive())
            announcedAt = nowMs();
    });
    testing::EventWatch watch(controls(w).reactionTimer(), QEvent::Timer, [&] {
        if (announcedAt >= 0 && errors.size() < samples) {
            errors << nowMs() - announcedAt - controls(w).reactionTimer()->interval();
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
    report("reaction timer firing - nominal interval (signed)", errors);
    report("reaction timer firing error |firing - nominal|", absolute);
}

void stepPhase()
{
    Bench b(false);
    MatchWindow *w = b.window;
    QList<double> yields, takes, starts;
    for (int level : {5, 1}) {
        b.startMatch(level, false);
        QTest::mouseClick(b.rightBox(), Qt::LeftButton);
        // Every card but the last: its take would bring up the result message.
        while (w->match().position() < w->match().cardCount()) {
            controls(w).reactionTimer()->stop();
            QElapsedTimer t;
            t.start();
            w->reactionTimeUp();
            starts << double(t.nsecsElapsed()) / 1e3;
            const int score = w->match().computerScore();
            while (w->match().computerScore() == score) {
                t.start();
                w->stepScan();
                const double us = double(t.nsecsElapsed()) / 1e3;
                (w->match().computerScore() == score ? yields : takes) << us;
            }
        }
        controls(w).leaveAction()->trigger();
        b.hub.showMatch();
    }
    report("scan step that yields (levels 5 and 1)", yields, "us");
    report("turn start (Timer1_Timer, up to the first yield)", starts, "us");
    report("scan step that takes the card (lift painted)", takes, "us");
}

// From a click to the next announcement, samples of them, in matches
// recorded or not.
QList<double> clickLatencies(Bench &b, int samples, bool voice, bool recording)
{
    MatchWindow *w = b.window;
    w->setRecording(recording);
    QList<double> latencies;
    double clickedAt = -1;
    const QMetaObject::Connection watch = QObject::connect(w, &MatchWindow::announced, w, [&] {
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
    QObject::disconnect(watch);
    // The match in progress ends here, so that the next call starts afresh.
    controls(w).leaveAction()->trigger();
    b.hub.showMatch();
    return latencies;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

void clickPhase(int samples, bool voice)
{
    Bench b(voice);
    report(voice ? "click -> next announcement, reading aloud" : "click -> next announcement, silent",
           clickLatencies(b, samples, voice, true));
}

void recordingPhase(int samples)
{
    Bench b(false);
    QList<double> on, off;
    // Rounds of a match's worth each, in turns.
    const int round = 40;
    while (on.size() < samples || off.size() < samples) {
        on << clickLatencies(b, round, false, true);
        off << clickLatencies(b, round, false, false);
    }
    report("click -> next announcement, silent, record on", on);
    report("click -> next announcement, silent, record off", off);
    std::printf("%-52s %.3f\n", "ratio of the medians, on / off", median(on) / median(off));
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
            recordingPhase(samples * 4);
        } else
            qFatal("unknown phase %s (timer, step, click)", qPrintable(phase));
    }
    return 0;
}
