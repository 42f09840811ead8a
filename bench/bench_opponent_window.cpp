// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The human-like opponent in the real match window, with its real timers:
// over `samples` cards, when the computer actually takes each card against
// the time drawn for it (the reaction timer's interval). Measured from the
// announcement (the window's announced signal) to
//   - the reaction timer's firing (its timer event), and
//   - the computer's hand coming down on the card (the taking hand shown),
//     the start of the take the player sees.
// The computer takes every card (the player takes only the first), against
// 「じょうず」, silent.
//   bench_opponent_window [samples]      (default: 200)

#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/matchwindow.h"
#include "settings/settingswindow.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
QElapsedTimer Clock;

double nowMs()
{
    return double(Clock.nsecsElapsed()) / 1e6;
}

// Runs the event loop (a real one: QTest::qWaitFor sleeps between passes,
// which would delay every timer) until pred() holds; false on timeout.
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

void report(const char *what, QList<double> values)
{
    if (values.isEmpty()) {
        std::printf("%-48s no samples\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    const double p95 = values[std::min(n - 1, qsizetype(0.95 * double(n)))];
    std::printf("%-48s n=%-4lld median %7.3f ms   p95 %7.3f ms   min %7.3f   max %7.3f\n", what, qlonglong(n),
                median, p95, values.first(), values.last());
    std::fflush(stdout);
}

QString cpuModel()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QStringLiteral("unknown");
}
} // namespace

int main(int argc, char **argv)
{
    testing::prepareEnvironment();
    QApplication app(argc, argv);
    testing::setUpApplication();
    const int samples = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    std::printf("machine: %d cores (QThread::idealThreadCount), %s; platform %s\n", QThread::idealThreadCount(),
                qPrintable(cpuModel()), qPrintable(QGuiApplication::platformName()));

    testing::ProgramFolder program;
    CardState data(program.path());
    data.loadCardFolder();
    data.takeNotices();
    QTemporaryDir recordDir;
    WindowHub hub(data);
    hub.recordPath = recordDir.filePath(QStringLiteral("record.sqlite"));
    hub.soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::SilentDevice(owner); };
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    hub.showMatch();
    MatchWindow *w = hub.matchWindow();
    if (!QTest::qWaitForWindowExposed(w))
        qFatal("the match window was not shown");
    hub.matchSettings();
    SettingsWindowControls settings = controls(hub.settingsWindow());
    settings.voiceButtons()[0]->setChecked(true);
    settings.opponentButtons()[int(OpponentChoice::Kind::HumanLike)]->setChecked(true);
    settings.stepChooser()->setCurrentIndex(int(HumanModel::Step::Skilled));

    QList<double> firing, take, drawn;
    double announcedAt = -1;
    int interval = 0;
    bool fired = false;
    Clock.start();
    QObject::connect(w, &MatchWindow::announced, w, [&] {
        announcedAt = controls(w).reactionTimer()->isActive() ? nowMs() : -1;
        interval = controls(w).reactionTimer()->interval();
        fired = false;
    });
    testing::EventWatch timerWatch(controls(w).reactionTimer(), QEvent::Timer, [&] {
        if (announcedAt >= 0 && !fired) {
            fired = true;
            firing << nowMs() - announcedAt - interval;
        }
    });
    testing::EventWatch handWatch(controls(w).handTaking(), QEvent::Show, [&] {
        if (announcedAt >= 0 && take.size() < samples) {
            take << nowMs() - announcedAt - interval;
            drawn << interval;
            announcedAt = -1;
        }
    });
    std::printf("「じょうず」 takes every card but the first; %d takes, about %d s ...\n", samples, samples * 65 / 100 + 2);
    std::fflush(stdout);
    while (take.size() < samples) {
        if (!controls(w).startMatchAction()->isEnabled())
            qFatal("試合開始 is not enabled");
        controls(w).startMatchAction()->trigger();
        const MatchState &m = w->match();
        for (int s = 1; s <= m.cardCount(); ++s) {
            if (m.isRightTake(s)) {
                QTest::mouseClick(controls(w).cardBoxes()[s - 1], Qt::LeftButton);
                break;
            }
        }
        if (!runUntil([&] { return take.size() >= samples || controls(w).startMatchAction()->isEnabled(); }, 600000))
            qFatal("the match stalled");
    }
    QList<double> absolute;
    for (double e : take)
        absolute << std::abs(e);
    report("drawn take time", drawn);
    report("reaction timer firing - drawn time", firing);
    report("computer's take (hand down) - drawn time", take);
    report("|take - drawn| (timer error)", absolute);
    return 0;
}
