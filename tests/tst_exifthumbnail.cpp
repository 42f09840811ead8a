// Finding the thumbnail a camera stores in its JPEG files, and refusing
// blocks that are damaged or lie about their offsets.

#include "data/exifthumbnail.h"
#include "tests/exifwriter.h"

#include <QTest>
#include <QtEndian>

namespace {
// Stand-ins for JPEG streams: only their start and end markers matter here.
const QByteArray Photo = QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20)
                         + QByteArray("\xFF\xDA\x00\x02", 4) + QByteArray(3000, 'p') + QByteArray("\xFF\xD9", 2);
const QByteArray Thumb = QByteArray("\xFF\xD8", 2) + QByteArray(500, 't') + QByteArray("\xFF\xD9", 2);

// File offsets in a photo from withExifThumbnail(): the block starts at 2,
// its TIFF header at 12.
constexpr int NextIfdField = 12 + 22;
constexpr int ThumbOffsetField = 12 + 48;
constexpr int ThumbLengthField = 12 + 60;

QByteArray patched32(QByteArray bytes, int at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
    return bytes;
}
} // namespace

class TestExifThumbnail : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findsOrRefuses_data();
    void findsOrRefuses();
};

void TestExifThumbnail::findsOrRefuses_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("found");
    const QByteArray camera = testing::withExifThumbnail(Photo, Thumb);
    QTest::newRow("camera photo, II") << camera << true;
    QTest::newRow("camera photo, MM") << testing::withExifThumbnail(Photo, Thumb, true) << true;
    QTest::newRow("no Exif block") << Photo << false;
    // Another application segment (say, XMP) before the Exif block.
    const QByteArray xmp = QByteArray("\xFF\xE1\x00\x0E" "http://ns.ad", 16);
    QTest::newRow("after an XMP block") << QByteArray(camera.left(2) + xmp + camera.mid(2)) << true;
    QTest::newRow("head cut inside the block") << camera.left(300) << false;
    QTest::newRow("not a JPEG") << QByteArray("GIF89a") + camera.mid(2) << false;
    QTest::newRow("thumbnail past the block") << patched32(camera, ThumbOffsetField, 60000) << false;
    QTest::newRow("thumbnail longer than the block") << patched32(camera, ThumbLengthField, 600000) << false;
    QTest::newRow("second IFD past the block") << patched32(camera, NextIfdField, 0x7FFFFFF0) << false;
    QTest::newRow("second IFD is the first") << patched32(camera, NextIfdField, 8) << false;
    QTest::newRow("no second IFD") << patched32(camera, NextIfdField, 0) << false;
    QTest::newRow("thumbnail is no JPEG") << testing::withExifThumbnail(Photo, QByteArray(500, 'x')) << false;
}

void TestExifThumbnail::findsOrRefuses()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, found);
    const QByteArray thumb = exif::thumbnail(file);
    QCOMPARE(thumb, found ? Thumb : QByteArray());
}

QTEST_GUILESS_MAIN(TestExifThumbnail)
#include "tst_exifthumbnail.moc"
