// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Takes the README's picture of the match window: the default card set laid
// out on the table as at the start of a match, the first card announced.
// Not a test; run under Xvfb by scripts/screenshot-match.sh.
//   screenshot_match <output.png>

#include "app/windowhub.h"
#include "data/module1.h"
#include "match/frmkaruto.h"
#include "sound/sounddevice.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshot_match <output.png>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QApplication app(argc, argv);
    testing::setUpApplication();

    testing::ProgramFolder program;
    Module1 data(program.path());
    data.LoadCardFolder();
    WindowHub hub(data);
    hub.soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::SilentDevice(owner); };
    hub.showKaruto();
    FrmKaruto *window = hub.karuto();
    window->placeFrame2(data.cardCount());
    window->drawOrders(window->readSettings());
    window->KaruHyoji();
    window->announce(false);

    int status = 1;
    QTimer::singleShot(1000, &app, [&] {
        status = window->grab().save(out) ? 0 : 1;
        app.quit();
    });
    app.exec();
    if (status == 0)
        std::printf("wrote %s\n", qPrintable(out));
    return status;
}
