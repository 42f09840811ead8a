// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What making a card set costs:
//   prepare - a 2 s take made ready to keep (readingprep::prepare alone)
//   save    - 保存 in the recording window, from the click to the WAV bytes
//             in hand, after a real 2 s recording (under
//             scripts/with-null-sink.sh: a reading is played into the sink
//             and recorded from its monitor)
//   archive - export and import of a 49-card set: pictures cut from a
//             12-megapixel photo to three times the card box, as the
//             editor keeps them, and 2 s readings
//   bomb    - an archive whose one reading unpacks to 1 GiB of zeros, as
//             its headers declare, and the same declared as 3 KB (so that
//             only the cap on what is read stops it): time to the refusal,
//             and whether anything was left on disk
//   bench_cardsetmedia [runs] [phase ...]     (default: 7 runs, every phase
//                                              but save)

#include "editor/cardsetarchive.h"
#include "editor/picturecheck.h"
#include "editor/readingprep.h"
#include "editor/recordingwindow.h"
#include "layout/layout.h"
#include "sound/audiodecode.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>

namespace {

// The processor time of the whole process (every thread), in ms: on a
// machine shared with other work the wall time says more about the others.
double cpuMs()
{
    return double(std::clock()) * 1000 / CLOCKS_PER_SEC;
}

void report(const char *what, QList<double> ms, QList<double> cpu = {})
{
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("  %-58s median %8.1f  min %8.1f  max %8.1f ms", what, ms.at(ms.size() / 2), ms.first(), ms.last());
    if (!cpu.isEmpty())
        std::printf("  (processor %.1f ms)", cpu.at(cpu.size() / 2));
    std::printf("  (n=%lld)\n", qlonglong(ms.size()));
    std::fflush(stdout);
}

void timed(const char *what, int runs, const std::function<void()> &once)
{
    QList<double> ms, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c = cpuMs();
        t.start();
        once();
        ms << t.nsecsElapsed() / 1e6;
        cpu << cpuMs() - c;
    }
    report(what, ms, cpu);
}

// A 2 s take: two shipped readings one after the other, with room noise
// and silence around them, at 48 kHz.
std::vector<float> twoSecondTake()
{
    std::vector<float> take(size_t(0.3 * 48000), 0.0f);
    for (const char *card : {"01", "26"}) {
        const audio::Mono m = audio::decodeMono(testing::readAll(testing::builtCardFolder() + QStringLiteral("/karuon%1.wav").arg(QLatin1String(card))), 48000);
        take.insert(take.end(), m.samples.begin(), m.samples.end());
    }
    take.resize(size_t(2 * 48000), 0.0f);
    QRandomGenerator noise(7);
    for (float &x : take)
        x = 0.5f * x + float(noise.generateDouble() - 0.5) * 0.002f;
    return take;
}

void preparePhase(int runs)
{
    const std::vector<float> take = twoSecondTake();
    timed("2 s take made ready to keep (prepare)", runs, [&] { readingprep::prepare(take, 48000); });
}

void savePhase(int runs)
{
    if (qEnvironmentVariableIsEmpty("GINREI_NULL_SINK")) {
        std::printf("  save: run under scripts/with-null-sink.sh\n");
        return;
    }
    const QString reading = QDir::temp().filePath(QStringLiteral("ginrei-bench-take.wav"));
    testing::writeAll(reading, readingprep::monoWav(twoSecondTake(), 48000));
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        testing::SilentDevice player;
        auto *window = new RecordingWindow(1, QStringLiteral("あ"), &player);
        window->show();
        QSignalSpy ready(window, &RecordingWindow::readingReady);
        window->findChild<QPushButton *>(QStringLiteral("recordButton"))->click();
        QProcess play;
        play.start(QStringLiteral("paplay"), {reading});
        while (play.state() != QProcess::NotRunning)
            QTest::qWait(20);
        QTest::qWait(100);
        window->findChild<QPushButton *>(QStringLiteral("stopButton"))->click();
        QElapsedTimer t;
        t.start();
        window->findChild<QPushButton *>(QStringLiteral("saveButton"))->click();
        if (!ready.wait(5000)) {
            std::printf("  save: no reading came back\n");
            return;
        }
        ms << t.nsecsElapsed() / 1e6;
    }
    QFile::remove(reading);
    report("2 s recording: 保存 clicked to the WAV bytes in hand", ms);
}

// 49 pictures cut from one 12-megapixel photo, each from another place,
// as the editor stores them: centre-cropped to the card and three times
// the card box; and 2 s readings.
void makeSet(const QString &folder)
{
    QImage photo(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator random(12);
    for (int y = 0; y < photo.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x)
            line[x] = qRgb((x / 8) % 256, (y / 6) % 256, int(random.bounded(256)));
    }
    const QSize box = Layout::Editor::PictureSize.toPx() * 3;
    const QByteArray take = readingprep::prepare(twoSecondTake(), 48000).wav;
    QDir().mkpath(folder);
    QByteArray data(256, ' ');
    qToLittleEndian<qint16>(49, data.data());
    testing::writeAll(folder + QStringLiteral("/karudata.dat"), data);
    for (int n = 1; n <= 49; ++n) {
        const QRect crop(QPoint(40 * n, 20 * n), QSize(2300, 2986));
        const QString nn = QString::number(n + 100).right(2);
        photo.copy(crop).scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(folder + QStringLiteral("/karue%1.jpg").arg(nn), "JPEG", 90);
        testing::writeAll(folder + QStringLiteral("/karuon%1.wav").arg(nn), take);
    }
}

void archivePhase(int runs)
{
    QTemporaryDir dir;
    const QString set = dir.filePath(QStringLiteral("set"));
    makeSet(set);
    qint64 bytes = 0;
    for (const QFileInfo &f : QDir(set).entryInfoList(QDir::Files))
        bytes += f.size();
    std::printf("  the set: 49 pictures of %dx%d and 49 readings of 2 s, %.1f MB\n",
                Layout::Editor::PictureSize.toPx().width() * 3, Layout::Editor::PictureSize.toPx().height() * 3, bytes / 1e6);
    const QString zip = dir.filePath(QStringLiteral("set.zip"));
    timed("export of 49 cards", runs, [&] {
        if (!cardsetarchive::exportSet(set, zip, picturecheck::problem).ok())
            std::printf("  export failed\n");
    });
    int i = 0;
    timed("import of 49 cards", runs, [&] {
        const cardsetarchive::Result r = cardsetarchive::importFile(zip, dir.filePath(QStringLiteral("sets")),
                                                                    QStringLiteral("set%1").arg(++i), picturecheck::problem);
        if (!r.ok() || r.taken.size() != 99)
            std::printf("  import failed: %s\n", qPrintable(r.reason));
    });
}

la_ssize_t append(archive *, void *out, const void *data, size_t n)
{
    static_cast<QByteArray *>(out)->append(static_cast<const char *>(data), qsizetype(n));
    return la_ssize_t(n);
}

void bombPhase(int runs)
{
    QByteArray data(256, ' ');
    qToLittleEndian<qint16>(1, data.data());
    QByteArray zip;
    archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_open2(a, &zip, nullptr, append, nullptr, nullptr);
    const QByteArray zeros(1024 * 1024, '\0');
    constexpr qint64 Unpacked = qint64(1) << 30;
    for (const auto &[name, size] : {std::pair{"karudata.dat", qint64(data.size())}, std::pair{"karuon01.wav", Unpacked}}) {
        archive_entry *e = archive_entry_new();
        archive_entry_set_pathname(e, name);
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_entry_set_size(e, size);
        archive_write_header(a, e);
        if (size == Unpacked)
            for (qint64 at = 0; at < Unpacked; at += zeros.size())
                archive_write_data(a, zeros.constData(), size_t(zeros.size()));
        else
            archive_write_data(a, data.constData(), size_t(data.size()));
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
    std::printf("  the bomb: %.1f KB unpacking to %.1f MB\n", zip.size() / 1e3, Unpacked / 1e6);
    for (const quint32 declared : {quint32(1) << 30, quint32(3000)}) {
        qToLittleEndian(declared, zip.data() + zip.lastIndexOf("PK\x03\x04") + 22);
        qToLittleEndian(declared, zip.data() + zip.lastIndexOf("PK\x01\x02") + 24);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bomb.zip"));
        testing::writeAll(path, zip);
        const QString sets = dir.filePath(QStringLiteral("sets"));
        bool refused = true, empty = true;
        const QByteArray what = QStringLiteral("bomb declared as %1 bytes refused").arg(declared).toUtf8();
        timed(what.constData(), runs, [&] {
            refused = refused && cardsetarchive::importFile(path, sets, QStringLiteral("bomb"), picturecheck::problem).problem
                                     == cardsetarchive::Problem::TooLarge;
            empty = empty && QDir(sets).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty();
        });
        std::printf("    %s, %s\n", refused ? "every time as too large" : "NOT REFUSED", empty ? "nothing left on disk" : "FILES LEFT");
    }
}

} // namespace

int main(int argc, char **argv)
{
    testing::prepareEnvironment();
    QApplication app(argc, argv);
    testing::setUpApplication();
    QStringList args = app.arguments().mid(1);
    int runs = 7;
    if (!args.isEmpty() && args.first().toInt() > 0)
        runs = args.takeFirst().toInt();
    if (args.isEmpty())
        args = {QStringLiteral("prepare"), QStringLiteral("archive"), QStringLiteral("bomb")};
    std::printf("bench_cardsetmedia: %d runs, %d cores\n", runs, QThread::idealThreadCount());
    for (const QString &phase : std::as_const(args)) {
        if (phase == QLatin1String("prepare"))
            preparePhase(runs);
        else if (phase == QLatin1String("save"))
            savePhase(runs);
        else if (phase == QLatin1String("archive"))
            archivePhase(runs);
        else if (phase == QLatin1String("bomb"))
            bombPhase(runs);
    }
    return 0;
}
