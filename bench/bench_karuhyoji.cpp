// Laying out a match table of 49 camera-sized pictures (4000 x 3000): the
// match window's KaruHyoji against putting the same pictures into the same
// boxes fully decoded, for camera photos (which carry an Exif thumbnail)
// and for the same photos without one, at a window's first match and at
// later ones.
//   bench_karuhyoji [rounds]
// Prints the times (median of the rounds) and their ratios.

#include "app/application.h"
#include "app/uikit.h"
#include "app/windowhub.h"
#include "data/module1.h"
#include "match/board.h"
#include "match/frmkaruto.h"
#include "sound/sounddevice.h"
#include "tests/exifwriter.h"
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

// Writes the 49 card pictures into folder; with thumbnail, each carries the
// 160 x 120 Exif thumbnail a camera stores with its photos.
qint64 writeCards(const QString &folder, const QList<QImage> &photos, bool thumbnail)
{
    QDir().mkpath(folder);
    QList<QByteArray> files;
    for (const QImage &image : photos) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 90);
        if (thumbnail) {
            QByteArray thumb;
            QBuffer thumbBuffer(&thumb);
            thumbBuffer.open(QIODevice::WriteOnly);
            image.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(&thumbBuffer, "JPEG", 85);
            bytes = testing::withExifThumbnail(bytes, thumb);
        }
        files << bytes;
    }
    qint64 total = 0;
    for (int n = 1; n <= Cards; ++n) {
        // The photographs in turn, one file per card.
        const QByteArray &bytes = files[(n - 1) % files.size()];
        QFile file(folder + QStringLiteral("/karue") + Module1::cardNumberText(n) + QStringLiteral(".jpg"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        total += bytes.size();
    }
    return total;
}

struct Times {
    QList<qint64> first, later, full;
};

// One round on one card folder: a new match window lays out the table (its
// first match), then again (a later match), then the same boxes get the
// same pictures fully decoded.
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
    std::printf("drawing 7 photographs of %dx%d, written as %d cards twice ...\n", PhotoSize.width(), PhotoSize.height(), Cards);
    std::fflush(stdout);
    QList<QImage> photos;
    for (int n = 1; n <= 7; ++n)
        photos << photo(n);
    const QString camera = dir.filePath(QStringLiteral("camera"));
    const QString plain = dir.filePath(QStringLiteral("plain"));
    const qint64 cameraBytes = writeCards(camera, photos, true);
    const qint64 plainBytes = writeCards(plain, photos, false);
    photos.clear();
    std::printf("camera photos (with Exif thumbnail): %.1f MB; without thumbnail: %.1f MB\n\n", double(cameraBytes) / 1e6,
                double(plainBytes) / 1e6);

    Module1 data(dir.path());
    WindowHub hub(data);
    hub.soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::SilentDevice(owner); };

    Times withThumb, withoutThumb;
    for (int r = 0; r < rounds; ++r) {
        round(hub, data, camera, withThumb);
        round(hub, data, plain, withoutThumb);
        std::printf("round %d: camera photos: first %.1f ms, later %.1f ms, fully decoded %.1f ms; "
                    "without thumbnail: first %.1f ms, fully decoded %.1f ms\n",
                    r + 1, ms(withThumb.first.last()), ms(withThumb.later.last()), ms(withThumb.full.last()),
                    ms(withoutThumb.first.last()), ms(withoutThumb.full.last()));
        std::fflush(stdout);
    }

    auto report = [](const char *what, qint64 karuhyoji, qint64 full) {
        std::printf("%-42s KaruHyoji %7.1f ms, fully decoded %7.1f ms, ratio %.4f\n", what, ms(karuhyoji), ms(full),
                    full > 0 ? double(karuhyoji) / double(full) : 0.0);
    };
    std::printf("\n%d pictures of %dx%d, median of %d rounds (goal: ratio 0.25 or less):\n", Cards, PhotoSize.width(),
                PhotoSize.height(), rounds);
    report("camera photos, first match:", median(withThumb.first), median(withThumb.full));
    report("camera photos, later matches:", median(withThumb.later), median(withThumb.full));
    report("photos without thumbnail, first match:", median(withoutThumb.first), median(withoutThumb.full));
    report("photos without thumbnail, later matches:", median(withoutThumb.later), median(withoutThumb.full));
    return 0;
}
