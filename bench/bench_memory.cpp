// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Peak resident memory of the program with a 49-card match laid out: the
// start menu, the match window with all 49 cards placed by KaruHyoji, and
// the first card's recording playing, as at the start of a match. The
// figure is VmHWM of /proc/self/status, once after the layout and once
// with the reading playing; beside it the same figure of the minimal Qt
// Widgets window (bench/minimalwindow.cpp).
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_memory
// (or on the offscreen platform, without xvfb-run). Goal: under 80 MB.

#include "app/application.h"
#include "app/frmmenu.h"
#include "app/windowhub.h"
#include "data/module1.h"
#include "match/frmkaruto.h"
#include "sound/mediasounddevice.h"
#include "tests/testsupport.h"

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
    // of its own and the program's media backend.
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
        Module1 setUp(program.path());
        setUp.LoadCardFolder();
        DataRecord record;
        for (int k = 1; k <= Module1::MaxCards; ++k)
            record.setLabel(k, k <= 46 ? setUp.label(k) : QStringLiteral("銀"));
        record.setCount(Module1::MaxCards);
        QString error;
        if (!Module1::writeRecord(setUp.cardDataPath(), record.bytes(), &error))
            qFatal("%s", qPrintable(error));
    }

    Module1 data(program.path());
    WindowHub hub(data);
    hub.menu()->show();
    if (data.cardCount() != Module1::MaxCards)
        qFatal("the card set has %d cards", int(data.cardCount()));
    hub.showKaruto();
    FrmKaruto *window = hub.karuto();
    const MatchState::Setup setup = window->readSettings();
    window->drawOrders(setup);
    window->KaruHyoji();

    double laidOut = 0;
    // Once the windows have been drawn; then with the first reading playing.
    QTimer::singleShot(500, &app, [&] {
        laidOut = ownPeak();
        window->announce(false);
    });
    QTimer::singleShot(1500, &app, [&] {
        const double reading = ownPeak();
        auto *device = qobject_cast<MediaSoundDevice *>(window->MMControl1);
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
