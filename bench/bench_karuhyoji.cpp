// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Laying out a match table of 49 camera-sized pictures (4000 x 3000): the
// match window's KaruHyoji at a window's first match (every picture decoded
// at box size, in parallel) and at later ones (the pictures kept), against
// putting the same pictures into the same boxes fully decoded. The same
// box-size decoding one picture after another shows what the parallel
// decoding gains on this machine's cores.
//   bench_karuhyoji [rounds]
//   taskset -c 0 bench_karuhyoji [rounds]      (one core)
// Prints the times (median of the rounds) and their ratios.

#include "app/application.h"
#include "app/uikit.h"
#include "app/windowhub.h"
#include "data/module1.h"
#include "match/board.h"
#include "match/cardpictures.h"
#include "match/frmkaruto.h"
#include "sound/sounddevice.h"
#include "tests/recordingsounddevice.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QThread>
#include <QThreadPool>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int Cards = 49;
constexpr QSize PhotoSize(4000, 3000);

// Something with the detail of a photograph: soft colour fields, shapes and
// fine grain, so that the JPEG is about as costly to decode as a real one.
QImage photo(int n)
{
    QImage image(PhotoSize, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, PhotoSize.width(), PhotoSize.height());
    sky.setColorAt(0, QColor::fromHsv((n * 37) % 360, 120, 230));
    sky.setColorAt(1, QColor::fromHsv((n * 37 + 150) % 360, 200, 90));
    p.fillRect(image.rect(), sky);
    QRandomGenerator random(quint32(n + 1));
    for (int i = 0; i < 60; ++i) {
        p.setBrush(QColor::fromHsv(random.bounded(360), 150, 200, 160));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(random.bounded(PhotoSize.width()), random.bounded(PhotoSize.height())),
                      random.bounded(80, 700), random.bounded(80, 700));
    }
    p.end();
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(25)) - 12;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + grain, 0, 255), std::clamp(qGreen(c) + grain, 0, 255),
                           std::clamp(qBlue(c) + grain, 0, 255));
        }
    }
    return image;
}

double ms(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Writes the 49 card pictures into folder, the photographs in turn, one
// file per card.
qint64 writeCards(const QString &folder, const QList<QImage> &photos)
{
    QDir().mkpath(folder);
    QList<QByteArray> files;
    for (const QImage &image : photos) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 90);
        files << bytes;
    }
    qint64 total = 0;
    for (int n = 1; n <= Cards; ++n) {
        const QByteArray &bytes = files[(n - 1) % files.size()];
        QFile file(folder + QStringLiteral("/karue") + Module1::cardNumberText(n) + QStringLiteral(".jpg"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        total += bytes.size();
    }
    return total;
}

struct Times {
    QList<qint64> first, later, oneByOne, full;
};

// One round: a new match window lays out the table (its first match), then
// again (a later match); then the same boxes get the same pictures decoded
// at box size one after another, and fully decoded.
void round(WindowHub &hub, Module1 &data, const QString &folder, Times &times)
{
    Module1::LabelTable labels;
    for (int n = 1; n <= Cards; ++n)
        labels[n] = QString::number(n);
    data.adoptSavedSet(folder, labels, Cards);
    if (FrmKaruto *old = hub.karuto()) {
        old->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    hub.showKaruto();
    FrmKaruto *window = hub.karuto();
    window->drawOrders(MatchState::Setup{});

    QElapsedTimer clock;
    clock.start();
    window->KaruHyoji();
    times.first << clock.nsecsElapsed();

    clock.start();
    window->KaruHyoji();
    times.later << clock.nsecsElapsed();

    const QSize box = window->Img1[0]->size() * window->Img1[0]->devicePixelRatioF();
    clock.start();
    for (int s = 1; s <= Cards; ++s) {
        const QString path = data.cardPicturePath(window->match().cardInSlot(s));
        const QImage picture = CardPictures::decode(path, box);
        if (picture.isNull())
            qFatal("cannot decode %s", qPrintable(path));
        window->Img1[s - 1]->setPixmap(QPixmap::fromImage(picture));
    }
    times.oneByOne << clock.nsecsElapsed();

    clock.start();
    for (int s = 1; s <= Cards; ++s) {
        const QString path = data.cardPicturePath(window->match().cardInSlot(s));
        const QImage full = QImageReader(path).read();
        if (full.isNull())
            qFatal("cannot decode %s", qPrintable(path));
        window->Img1[s - 1]->setPixmap(QPixmap::fromImage(full));
    }
    times.full << clock.nsecsElapsed();
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpToolkit();
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");
    std::printf("drawing 7 photographs of %dx%d, written as %d cards ...\n", PhotoSize.width(), PhotoSize.height(), Cards);
    std::fflush(stdout);
    QList<QImage> photos;
    for (int n = 1; n <= 7; ++n)
        photos << photo(n);
    const QString folder = dir.filePath(QStringLiteral("photos"));
    const qint64 bytes = writeCards(folder, photos);
    photos.clear();
    std::printf("%.1f MB of JPEG files; %d cores, %d decoding threads\n\n", double(bytes) / 1e6,
                QThread::idealThreadCount(), QThreadPool::globalInstance()->maxThreadCount());

    Module1 data(dir.path());
    WindowHub hub(data);
    hub.soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::SilentDevice(owner); };

    Times times;
    for (int r = 0; r < rounds; ++r) {
        round(hub, data, folder, times);
        std::printf("round %d: first %.1f ms, later %.1f ms, box size one by one %.1f ms, fully decoded %.1f ms\n",
                    r + 1, ms(times.first.last()), ms(times.later.last()), ms(times.oneByOne.last()),
                    ms(times.full.last()));
        std::fflush(stdout);
    }

    const qint64 full = median(times.full);
    auto report = [full](const char *what, qint64 t) {
        std::printf("%-40s %7.1f ms, ratio to fully decoded %.4f\n", what, ms(t), full > 0 ? double(t) / double(full) : 0.0);
    };
    std::printf("\n%d pictures of %dx%d, median of %d rounds (goal: first match ratio 0.25 or less):\n", Cards,
                PhotoSize.width(), PhotoSize.height(), rounds);
    report("KaruHyoji, first match:", median(times.first));
    report("KaruHyoji, later matches:", median(times.later));
    report("box size, one picture after another:", median(times.oneByOne));
    std::printf("%-40s %7.1f ms\n", "fully decoded:", ms(full));
    std::printf("parallel gain at the first match: %.2f times\n",
                double(median(times.oneByOne)) / double(std::max<qint64>(1, median(times.first))));
    return 0;
}
