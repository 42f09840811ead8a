// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Peak resident memory of the program with a 49-card match laid out: the
// start menu, the match window with all 49 cards placed by layOutCards, and
// the first card's recording playing, as at the start of a match. The
// figure is VmHWM of /proc/self/status, once after the layout and once
// with the reading playing; beside it the same figure of the minimal Qt
// Widgets window (bench/minimalwindow.cpp).
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_memory
// (or on the offscreen platform, without xvfb-run). Goal: under 80 MB.

#include "app/application.h"
#include "app/startmenu.h"
#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/matchwindow.h"
#include "sound/sinksounddevice.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <cstdio>

namespace {
double peakMegabytes(const QByteArray &status)
{
    for (const QByteArray &line : status.split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

double ownPeak()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    return peakMegabytes(status.readAll());
}
} // namespace

int main(int argc, char **argv)
{
    // On the X display when there is one, else offscreen; a runtime folder
    // of its own.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    testing::prepareEnvironment();
    QApplication app(argc, argv);
    setUpToolkit();
    setProgramIcon();

    // A program folder with a 49-card set.
    testing::ProgramFolder program(false);
    testing::copyCards(program.cardFolder(), 49, true);
    {
        CardState setUp(program.path());
        setUp.loadCardFolder();
        DataRecord record;
        for (int k = 1; k <= CardState::MaxCards; ++k)
            record.setLabel(k, k <= 46 ? setUp.label(k) : QStringLiteral("銀"));
        record.setCount(CardState::MaxCards);
        QString error;
        if (!CardState::writeRecord(setUp.cardDataPath(), record.bytes(), &error))
            qFatal("%s", qPrintable(error));
    }

    CardState data(program.path());
    WindowHub hub(data);
    hub.startMenu()->show();
    if (data.cardCount() != CardState::MaxCards)
        qFatal("the card set has %d cards", int(data.cardCount()));
    hub.showMatch();
    MatchWindow *window = hub.matchWindow();
    const MatchState::Setup setup = window->readSettings();
    window->drawOrders(setup);
    window->layOutCards();

    double laidOut = 0;
    // Once the windows have been drawn; then with the first reading playing.
    QTimer::singleShot(500, &app, [&] {
        laidOut = ownPeak();
        window->announce(false);
    });
    QTimer::singleShot(1500, &app, [&] {
        const double reading = ownPeak();
        auto *device = qobject_cast<SinkSoundDevice *>(controls(window).sound());
        const bool playing = device && device->isPlaying();
        QProcess minimal;
        minimal.start(QStringLiteral(GINREI_MINIMAL_WINDOW), {QStringLiteral("--print-peak-memory")});
        minimal.waitForFinished(30000);
        const double minimalPeak = peakMegabytes(minimal.readAllStandardOutput());
        std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
        std::printf("peak resident memory (VmHWM):\n");
        std::printf("  49-card match laid out:           %6.1f MB\n", laidOut);
        std::printf("  and the first reading playing:    %6.1f MB%s\n", reading, playing ? "" : " (not playing!)");
        std::printf("  minimal Qt Widgets window:        %6.1f MB\n", minimalPeak);
        std::printf("  goal: under 80 MB\n");
        QCoreApplication::quit();
    });
    return app.exec();
}
