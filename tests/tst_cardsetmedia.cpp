// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the editor keeps of a reading (trimmed, at one loudness, under the
// ceiling, or refused with a reason), and card sets as one zip file: a set
// comes back byte for byte, and a hostile or broken archive is refused
// with its reason and leaves nothing on disk.

#include "editor/cardsetarchive.h"
#include "editor/picturecheck.h"
#include "editor/readingprep.h"
#include "sound/audiodecode.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImage>
#include <QTest>
#include <QtEndian>

#include <archive.h>
#include <archive_entry.h>
#include <ebur128.h>

#include <clocale>
#include <cmath>
#include <numbers>

namespace {

// Loudness (LUFS) and true peak (dBTP) of 48 kHz mono samples.
std::pair<double, double> loudness(const std::vector<float> &s)
{
    ebur128_state *st = ebur128_init(1, 48000, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_float(st, s.data(), s.size());
    double lufs = 0, peak = 0;
    ebur128_loudness_global(st, &lufs);
    ebur128_true_peak(st, 0, &peak);
    ebur128_destroy(&st);
    return {lufs, 20 * std::log10(peak)};
}

// silence, then a tone of amp for seconds (with a spike of 0.9 every 100 ms
// when spiky), then silence, with noise under it all.
QList<float> take(int rate, double seconds, float amp, bool spiky = false, float noise = 0, double after = 0.6)
{
    QList<float> s(qsizetype((0.5 + seconds + after) * rate));
    quint32 seed = 1;
    for (qsizetype i = 0; i < s.size(); ++i) {
        seed = seed * 1664525 + 1013904223;
        s[i] = noise * (float(seed >> 8) / float(1 << 24) - 0.5f);
        const double t = double(i) / rate - 0.5;
        if (t >= 0 && t < seconds)
            s[i] += amp * float(std::sin(2 * std::numbers::pi * 440 * t)) + (spiky && i % (rate / 10) == 0 ? 0.9f : 0);
    }
    return s;
}

struct Entry {
    QString name;
    QByteArray bytes;
    unsigned type = AE_IFREG;
};

la_ssize_t append(archive *, void *out, const void *data, size_t n)
{
    static_cast<QByteArray *>(out)->append(static_cast<const char *>(data), qsizetype(n));
    return la_ssize_t(n);
}

QByteArray zip(const QList<Entry> &entries)
{
    QByteArray out;
    archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_set_format_option(a, "zip", "hdrcharset", "UTF-8");
    archive_write_open2(a, &out, nullptr, append, nullptr, nullptr);
    for (const Entry &e : entries) {
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, e.name.toUtf8().constData());
        archive_entry_set_filetype(entry, e.type);
        archive_entry_set_perm(entry, 0644);
        if (e.type == AE_IFLNK)
            archive_entry_set_symlink(entry, e.bytes.constData());
        else
            archive_entry_set_size(entry, e.bytes.size());
        archive_write_header(a, entry);
        archive_write_data(a, e.bytes.constData(), size_t(e.bytes.size()));
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    return out;
}

QByteArray dataFile(qint16 count, int size = 256)
{
    QByteArray d(size, ' ');
    qToLittleEndian(count, d.data());
    return d;
}

QByteArray picture()
{
    QImage image(30, 40, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return buffer.data();
}

// Every file under folder, as relative path -> bytes.
QMap<QString, QByteArray> tree(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), it.fileInfo().isFile() ? testing::readAll(path) : "(folder)");
    }
    return files;
}

} // namespace

class CardSetMediaTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readingIsMadeReady_data();
    void readingIsMadeReady();
    void setComesBackByteForByte();
    void importsOnlyWhatIsSafe_data();
    void importsOnlyWhatIsSafe();
};

void CardSetMediaTest::readingIsMadeReady_data()
{
    QTest::addColumn<QList<float>>("samples");
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("fromFile");
    QTest::addColumn<int>("problem");
    QTest::addColumn<double>("voice"); // seconds of sound in the take

    auto row = [](const char *name, QList<float> s, int rate, readingprep::Problem p, double voice, bool file = false) {
        QTest::newRow(name) << s << rate << file << int(p) << voice;
    };
    using P = readingprep::Problem;
    row("quiet tone in silence", take(48000, 1.0, 0.02f), 48000, P::None, 1.0);
    row("loud tone at 44.1 kHz, from a file", take(44100, 0.6, 0.9f), 44100, P::None, 0.6, true);
    row("clicks over a soft tone are limited", take(48000, 1.0, 0.05f, true), 48000, P::None, 1.0);
    row("tone in a noisy room", take(16000, 0.8, 0.3f, false, 0.003f), 16000, P::None, 0.8);
    row("silence", QList<float>(48000, 0.0f), 48000, P::Silent, 0);
    row("room noise only", take(48000, 0, 0, false, 0.004f), 48000, P::Silent, 0);
    row("a click", take(48000, 0.03, 0.5f), 48000, P::TooShort, 0);
    row("longer than 30 s", take(8000, 31, 0.3f), 8000, P::TooLong, 0);
    row("nothing", QList<float>(), 48000, P::NotAudio, 0);
}

void CardSetMediaTest::readingIsMadeReady()
{
    QFETCH(QList<float>, samples);
    QFETCH(int, rate);
    QFETCH(bool, fromFile);
    QFETCH(int, problem);
    QFETCH(double, voice);

    const readingprep::Reading r = fromFile ? readingprep::prepareFile(readingprep::monoWav(samples, rate))
                                            : readingprep::prepare(samples, rate);
    QCOMPARE(int(r.problem), problem);
    QCOMPARE(r.reason.isEmpty(), r.ok());
    if (!r.ok()) {
        QVERIFY(r.wav.isEmpty());
        return;
    }
    // A 16-bit mono 48 kHz WAV of the voice and its margins.
    const audio::Mono kept = audio::decodeMono(r.wav, 48000);
    QVERIFY(kept.ok() && kept.source.sampleRate == 48000 && kept.source.channels == 1);
    QVERIFY2(kept.source.format.contains(QLatin1String("16 bit PCM")), qPrintable(kept.source.format));
    const double seconds = double(kept.samples.size()) / 48000;
    const double expected = voice + readingprep::LeadSeconds + readingprep::TailSeconds;
    QVERIFY2(std::abs(seconds - expected) < 0.03, qPrintable(QString::number(seconds)));
    const auto [lufs, peak] = loudness(kept.samples);
    QVERIFY2(std::abs(lufs - readingprep::TargetLufs) < 0.5, qPrintable(QString::number(lufs)));
    QVERIFY2(peak <= readingprep::CeilingDbtp, qPrintable(QString::number(peak)));
}

void CardSetMediaTest::setComesBackByteForByte()
{
    QTemporaryDir root;
    const QString set = root.filePath(QStringLiteral("かなの札"));
    testing::copyCards(set, 49, true);
    testing::writeAll(set + QStringLiteral("/karudata.dat"), dataFile(49) + "and bytes past record 1");
    testing::writeAll(set + QStringLiteral("/karue49.jpg"), "broken");
    QFile::remove(set + QStringLiteral("/karuon07.wav"));
    const QString zipPath = root.filePath(QStringLiteral("set.zip"));

    const cardsetarchive::Result out = cardsetarchive::exportSet(set, zipPath, picturecheck::problem);
    QVERIFY2(out.ok(), qPrintable(out.reason));
    // The broken picture, which an import would refuse, is left out.
    QCOMPARE(out.skipped.size(), 1);
    QCOMPARE(out.skipped.first().name, QStringLiteral("karue49.jpg"));
    QFile::remove(set + QStringLiteral("/karue49.jpg"));

    const cardsetarchive::Result in = cardsetarchive::importFile(zipPath, root.filePath(QStringLiteral("sets")), QStringLiteral("写し"), picturecheck::problem);
    QVERIFY2(in.ok(), qPrintable(in.reason));
    QCOMPARE(in.path, root.filePath(QStringLiteral("sets/写し")));
    QCOMPARE(in.taken.size(), 1 + 48 + 48);
    QVERIFY(in.skipped.isEmpty());
    QCOMPARE(tree(in.path), tree(set));
}

void CardSetMediaTest::importsOnlyWhatIsSafe_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("problem");
    QTest::addColumn<QStringList>("taken"); // or, when refused, those skipped before

    const QList<Entry> good{{"かな/karudata.dat", dataFile(3)}, {"かな/KARUE01.JPG", picture()},
                            {"かな/karuon01.wav", testing::toneWav({22050, 16, 1}, 300)}};
    const QStringList goodTaken{"karudata.dat", "karue01.jpg", "karuon01.wav"};
    auto row = [&](const char *tag, QList<Entry> extra, cardsetarchive::Problem p, const QString &name = QStringLiteral("new"),
                   const QStringList &skipped = {}) {
        QTest::newRow(tag) << zip(good + extra) << name << int(p) << (p == cardsetarchive::Problem::None ? goodTaken : skipped);
    };
    using P = cardsetarchive::Problem;
    row("a set, other files skipped", {{"かな/readme.txt", "x"}, {"かな/karue50.jpg", picture()}, {"other/karue02.jpg", picture()},
                                       {"かな/deep/karue03.jpg", picture()}, {"かな/karue01.jpg", "second copy"}, {"かな/", {}, AE_IFDIR}}, P::None);
    row("traversal", {{"かな/readme.txt", "x"}, {"かな/../../karue02.jpg", picture()}}, P::Unsafe, QStringLiteral("new"), {"かな/readme.txt"});
    row("absolute path", {{"/tmp/karue02.jpg", picture()}}, P::Unsafe);
    row("symbolic link", {{"かな/karue02.jpg", "/etc/passwd", AE_IFLNK}}, P::Unsafe);
    row("corrupt picture", {{"かな/karue02.jpg", picture().left(200)}}, P::BadPicture);
    row("truncated reading", {{"かな/karuon02.wav", testing::toneWav({22050, 16, 1}, 300).left(3000)}}, P::BadReading);
    QList<Entry> many;
    QStringList junk;
    for (int i = 0; i < cardsetarchive::MaxEntries; ++i)
        many.append({QStringLiteral("かな/junk%1").arg(i), "x"});
    for (int i = 0; i < cardsetarchive::MaxEntries - good.size(); ++i)
        junk << many[i].name;
    row("too many entries", many, P::TooManyEntries, QStringLiteral("new"), junk);
    // 1 MiB past the cap of zeros in a reading, declared in its headers (local
    // and central) as 1 GB, or as 3 KB.
    QByteArray bomb = zip(good + QList<Entry>{{"かな/karuon02.wav", QByteArray(cardsetarchive::MaxEntryBytes + 1024 * 1024, '\0')}});
    QCOMPARE(bomb.count("PK\x01\x02"), 4);
    for (const quint32 declared : {quint32(1) << 30, quint32(3000)}) {
        qToLittleEndian(declared, bomb.data() + bomb.lastIndexOf("PK\x03\x04") + 22);
        qToLittleEndian(declared, bomb.data() + bomb.lastIndexOf("PK\x01\x02") + 24);
        QTest::addRow("bomb declaring %u bytes", declared) << bomb << QStringLiteral("new") << int(P::TooLarge) << QStringList();
    }
    QTest::newRow("no karudata.dat") << zip(good.mid(1)) << QStringLiteral("new") << int(P::NoDataFile) << QStringList();
    QTest::newRow("karudata.dat with 0 cards") << zip(QList<Entry>{{"karudata.dat", dataFile(0)}}) << QStringLiteral("new") << int(P::BadDataFile) << QStringList();
    QTest::newRow("karudata.dat too short") << zip(QList<Entry>{{"karudata.dat", dataFile(3, 128)}}) << QStringLiteral("new") << int(P::BadDataFile) << QStringList();
    QTest::newRow("not a zip") << testing::toneWav({8000, 8, 1}, 100) << QStringLiteral("new") << int(P::NotArchive) << QStringList();
    row("a name that climbs out", {}, P::BadName, QStringLiteral("../new"));
    row("a set of that name exists", {}, P::Exists, QStringLiteral("old"));
}

void CardSetMediaTest::importsOnlyWhatIsSafe()
{
    QFETCH(QByteArray, archive);
    QFETCH(QString, name);
    QFETCH(int, problem);
    QFETCH(QStringList, taken);

    QTemporaryDir root;
    const QString sets = root.filePath(QStringLiteral("sets"));
    QDir().mkpath(sets + QStringLiteral("/old"));
    const auto before = tree(root.path());
    // Whatever the user's locale, the names are read as they are written.
    const QByteArray locale = setlocale(LC_CTYPE, nullptr);
    setlocale(LC_CTYPE, "C");
    const cardsetarchive::Result r = cardsetarchive::importBytes(archive, sets, name, picturecheck::problem);
    setlocale(LC_CTYPE, locale.constData());
    QCOMPARE(int(r.problem), problem);
    QCOMPARE(r.reason.isEmpty(), r.ok());
    if (!r.ok()) {
        QCOMPARE(tree(root.path()), before);
        QStringList skipped;
        for (const cardsetarchive::Skipped &s : r.skipped)
            skipped << s.name;
        QCOMPARE(skipped, taken);
        return;
    }
    QCOMPARE(r.taken, taken);
    QCOMPARE(r.skipped.size(), 5);
    QCOMPARE(QDir(r.path).entryList(QDir::Files | QDir::Hidden), taken);
    QCOMPARE(tree(root.path()).size(), before.size() + 1 + taken.size());
}

GINREI_TEST_MAIN(CardSetMediaTest)
#include "tst_cardsetmedia.moc"
