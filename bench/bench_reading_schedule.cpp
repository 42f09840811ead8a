// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// How closely the automatic reading keeps its schedule: the first reading
// 2000 ms after "実　行", each next one 5000 ms after the previous reading
// finished playing. A real run of short recordings through the sound device
// the window uses; for each reading, the time from its reference point (the
// press, or the completion notice of the reading before, which the device
// sends once its stream has processed the last sample) to the tick that
// starts it, minus the nominal delay.
//   bench_reading_schedule [readings]      (default 12, at least 10)
// Run it under scripts/with-null-sink.sh to play through an audio server.

#include "app/application.h"
#include "app/windowhub.h"
#include "data/module1.h"
#include "reading/frmmain.h"
#include "sound/sinksounddevice.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {
double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
} // namespace

int main(int argc, char **argv)
{
    testing::prepareEnvironment();
    QApplication app(argc, argv);
    setUpToolkit();
    const int readings = qMax(10, argc > 1 ? atoi(argv[1]) : 12);

    testing::ProgramFolder program(false);
    testing::copyCards(program.cardFolder(), readings);
    for (int n = 1; n <= readings; ++n)
        testing::writeWav(program.cardFolder() + QStringLiteral("/karuon%1.wav").arg(n, 2, 10, QLatin1Char('0')),
                          testing::WavFormat{22050, 16, 1}, 250);
    Module1 data(program.path());
    data.LoadCardFolder();
    Module1::LabelTable labels = data.labels();
    data.adoptSavedSet(data.cardFolder(), labels, qint16(readings));

    QElapsedTimer clock;
    clock.start();
    double reference = 0;      // the press, then each completion notice
    int nominal = 2000;
    QList<double> errors;

    WindowHub hub(data);
    SoundDevice *real = nullptr;
    hub.soundFactory = [&](QObject *) -> SoundDevice * {
        real = new SinkSoundDevice;
        // The notice is timed as the real device gives it, before the
        // window reacts to it.
        QObject::connect(real, &SoundDevice::done, [&](int) {
            reference = clock.nsecsElapsed() / 1e6;
            nominal = 5000;
        });
        return new testing::RecordingSoundDevice(nullptr, real);
    };
    hub.showReading();
    FrmMain *window = hub.reading();
    for (QTimer *timer : {window->Timer1, window->Timer2})
        QObject::connect(timer, &QTimer::timeout, [&] { errors << clock.nsecsElapsed() / 1e6 - reference - nominal; });

    testing::MessageBoxAnswerer answerer;
    window->Combo2->setCurrentText(QStringLiteral("2：あいう順"));
    reference = clock.nsecsElapsed() / 1e6;
    window->Command1->click();

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!answerer.texts.isEmpty())
            app.quit();
    });
    poll.start(50);
    app.exec();

    std::printf("automatic reading schedule, %d readings of 250 ms recordings (%s)\n", int(errors.size()),
                qEnvironmentVariableIsSet("GINREI_NULL_SINK") ? "PipeWire null sink" : "no audio server");
    std::printf("  first reading, 2000 ms after the press: error %+.2f ms\n", errors.value(0));
    QList<double> later = errors.mid(1);
    QList<double> magnitudes;
    for (double e : errors)
        magnitudes << std::abs(e);
    std::printf("  next readings, 5000 ms after the previous ended: median error %+.2f ms, max %+.2f ms\n",
                median(later), *std::max_element(later.begin(), later.end()));
    std::printf("  all delays: median |error| %.2f ms, max |error| %.2f ms\n", median(magnitudes),
                *std::max_element(magnitudes.begin(), magnitudes.end()));
    return 0;
}
