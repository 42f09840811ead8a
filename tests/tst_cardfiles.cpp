// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// karupath.dat and karudata.dat: byte-exact files, loading at start-up and
// what happens when they are short, damaged, unwritable or point nowhere.

#include "data/cardstate.h"
#include "data/cp932.h"
#include "tests/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QtEndian>

#include <unistd.h>

using testing::readAll;
using testing::writeAll;

namespace {
QByteArray int16(qint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian<qint16>(v, b.data());
    return b;
}

QByteArray folderFile(qint16 length, const QString &path)
{
    return int16(length) + cp932::encodeField(path, 50);
}

// A card data record: count, labels 1..n as given, the rest spaces.
QByteArray dataFile(qint16 count, const QStringList &labels)
{
    QByteArray b = int16(count);
    for (int k = 1; k <= 50; ++k)
        b += cp932::encodeField(labels.value(k - 1), 2);
    b += QByteArray(154, ' ');
    return b;
}

const QString DefaultKana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを銀");

QList<CardState::Notice::Kind> kinds(const QList<CardState::Notice> &notices)
{
    QList<CardState::Notice::Kind> k;
    for (const auto &n : notices)
        k << n.kind;
    return k;
}
} // namespace

class TestCardFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void countsRecords_data();
    void countsRecords();
    void namesMedia_data();
    void namesMedia();
    void firstStartWritesDefaults();
    void readsExistingFiles();
    void shortFolderFile_data();
    void shortFolderFile();
    void shortDataFile_data();
    void shortDataFile();
    void storedLengthLimitsPath_data();
    void storedLengthLimitsPath();
    void badStoredFolderFallsBack_data();
    void badStoredFolderFallsBack();
    void badCountIsClampedNotWritten_data();
    void badCountIsClampedNotWritten();
    void programFolderStoresRelativePath_data();
    void programFolderStoresRelativePath();
    void storedPathReadsFromItsFolder_data();
    void storedPathReadsFromItsFolder();
    void storablePathForms_data();
    void storablePathForms();
    void unwritableFilesAreReported();
    void somethingInTheWayIsNotOverwritten();
    void unreadableDataFileIsNotOverwritten();
    void writeKeepsBytesPastRecord();
    void recordsRoundTrip();
};

void TestCardFiles::countsRecords_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("recordSize");
    QTest::addColumn<qint64>("records");
    QTest::newRow("missing") << qint64(0) << 52 << qint64(0);
    QTest::newRow("folder 26 is half: even 0") << qint64(26) << 52 << qint64(0);
    QTest::newRow("folder 27") << qint64(27) << 52 << qint64(1);
    QTest::newRow("folder whole") << qint64(52) << 52 << qint64(1);
    QTest::newRow("folder 1.5 to 2") << qint64(78) << 52 << qint64(2);
    QTest::newRow("folder 2.5 to 2") << qint64(130) << 52 << qint64(2);
    QTest::newRow("data 128 is half: even 0") << qint64(128) << 256 << qint64(0);
    QTest::newRow("data 129") << qint64(129) << 256 << qint64(1);
    QTest::newRow("data 255") << qint64(255) << 256 << qint64(1);
}

void TestCardFiles::countsRecords()
{
    QFETCH(qint64, size);
    QFETCH(int, recordSize);
    QFETCH(qint64, records);
    QCOMPARE(recordCount(size, recordSize), records);
}

void TestCardFiles::namesMedia_data()
{
    QTest::addColumn<int>("card");
    QTest::addColumn<QString>("number");
    QTest::newRow("1") << 1 << QStringLiteral("01");
    QTest::newRow("7") << 7 << QStringLiteral("07");
    QTest::newRow("9") << 9 << QStringLiteral("09");
    QTest::newRow("46") << 46 << QStringLiteral("46");
    QTest::newRow("0") << 0 << QStringLiteral("00");
}

void TestCardFiles::namesMedia()
{
    QFETCH(int, card);
    QFETCH(QString, number);
    QCOMPARE(CardState::cardNumberText(card), number);
    testing::ProgramFolder program(false);
    QDir().mkpath(program.cardFolder());
    CardState data(program.path());
    data.loadCardFolder();
    QCOMPARE(data.cardPicturePath(card), program.cardFolder() + QStringLiteral("/karue") + number + QStringLiteral(".jpg"));
    QCOMPARE(data.cardSoundPath(card), program.cardFolder() + QStringLiteral("/karuon") + number + QStringLiteral(".wav"));
}

void TestCardFiles::firstStartWritesDefaults()
{
    testing::ProgramFolder program;
    CardState data(program.path());
    data.loadCardFolder();
    QVERIFY(data.takeNotices().isEmpty());

    const QString folder = program.cardFolder();
    QCOMPARE(data.cardFolder(), folder);
    QCOMPARE(readAll(program.file(QStringLiteral("karupath.dat"))), folderFile(qint16(folder.size()), folder));

    const QByteArray bytes = readAll(program.file(QStringLiteral("ondat/karudata.dat")));
    QCOMPARE(bytes.size(), 256);
    QCOMPARE(bytes.left(6), QByteArray("\x2E\x00\x82\xA0\x82\xA2", 6));
    QCOMPARE(bytes.mid(2 + 2 * 45, 2), QByteArray("\x8B\xE2")); // 銀
    QCOMPARE(bytes.mid(2 + 2 * 46, 8), QByteArray(8, ' '));     // fields 47..50
    QCOMPARE(bytes.mid(102), QByteArray(154, ' '));
    QCOMPARE(bytes, dataFile(46, DefaultKana.split(QString(), Qt::SkipEmptyParts)));

    QCOMPARE(data.cardCount(), 46);
    QCOMPARE(data.label(0), QStringLiteral(" "));
    QCOMPARE(data.label(1), QStringLiteral("あ"));
    QCOMPARE(data.label(46), QStringLiteral("銀"));
    for (int k = 47; k <= 49; ++k)
        QCOMPARE(data.label(k), QStringLiteral(" "));
    QCOMPARE(data.label(50), QString());
}

void TestCardFiles::readsExistingFiles()
{
    testing::ProgramFolder program;
    const QString folder = program.cardFolder();
    writeAll(program.file(QStringLiteral("karupath.dat")), folderFile(qint16(folder.size()), folder));
    QStringList labels;
    for (int k = 1; k <= 49; ++k)
        labels << (k <= 30 ? DefaultKana.mid(k - 1, 1) : QStringLiteral("z"));
    labels[4] = QStringLiteral("a"); // a half-width label
    const QByteArray stored = dataFile(30, labels);
    writeAll(folder + QStringLiteral("/karudata.dat"), stored);

    CardState data(program.path());
    data.loadCardFolder();
    QVERIFY(data.takeNotices().isEmpty());
    QCOMPARE(data.cardCount(), 30);
    QCOMPARE(data.label(0), QString()); // empty after loading a file
    QCOMPARE(data.label(5), QStringLiteral("a"));
    QCOMPARE(data.label(30), QStringLiteral("ほ"));
    // Labels past the count are still what the file holds.
    QCOMPARE(data.label(31), QStringLiteral("z"));
    QCOMPARE(data.label(49), QStringLiteral("z"));
    QCOMPARE(readAll(folder + QStringLiteral("/karudata.dat")), stored);
}

void TestCardFiles::shortFolderFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("read");
    QTest::newRow("26 bytes: empty") << 26 << false;
    QTest::newRow("27 bytes: read") << 27 << true;
}

void TestCardFiles::shortFolderFile()
{
    QFETCH(int, size);
    QFETCH(bool, read);
    testing::ProgramFolder program;
    // An existing second folder, short enough to fit in the 25 path bytes kept.
    QTemporaryDir shortDir(QStringLiteral("/tmp/k-XXXXXX"));
    const QString other = shortDir.path();
    QVERIFY(other.size() <= 25);
    QByteArray bytes = folderFile(qint16(other.size()), other).left(size);
    writeAll(program.file(QStringLiteral("karupath.dat")), bytes);

    CardState data(program.path());
    data.loadCardFolder();
    if (read) {
        QCOMPARE(data.cardFolder(), other);
        QCOMPARE(readAll(program.file(QStringLiteral("karupath.dat"))), bytes);
    } else {
        QCOMPARE(data.cardFolder(), program.cardFolder());
        QCOMPARE(readAll(program.file(QStringLiteral("karupath.dat"))).size(), 52);
    }
}

void TestCardFiles::shortDataFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("read");
    QTest::newRow("128 bytes: empty") << 128 << false;
    QTest::newRow("129 bytes: read") << 129 << true;
}

void TestCardFiles::shortDataFile()
{
    QFETCH(int, size);
    QFETCH(bool, read);
    testing::ProgramFolder program;
    QStringList labels(49, QStringLiteral("x"));
    const QByteArray bytes = dataFile(20, labels).left(size);
    writeAll(program.cardFolder() + QStringLiteral("/karudata.dat"), bytes);

    CardState data(program.path());
    data.loadCardFolder();
    if (read) {
        QCOMPARE(data.cardCount(), 20);
        QCOMPARE(data.label(49), QStringLiteral("x")); // byte 100, inside 129
        QCOMPARE(readAll(program.cardFolder() + QStringLiteral("/karudata.dat")), bytes);
    } else {
        QCOMPARE(data.cardCount(), 46);
        QCOMPARE(data.label(1), QStringLiteral("あ"));
        QCOMPARE(readAll(program.cardFolder() + QStringLiteral("/karudata.dat")).size(), 256);
    }
}

void TestCardFiles::storedLengthLimitsPath_data()
{
    QTest::addColumn<int>("extra"); // stored length beyond the folder's own
    QTest::newRow("length of the folder") << 0;
    QTest::newRow("length larger than the text") << 40;
}

void TestCardFiles::storedLengthLimitsPath()
{
    QFETCH(int, extra);
    testing::ProgramFolder program;
    const QString folder = program.file(QStringLiteral("b"));
    QDir().mkpath(folder);
    // The path field holds more than the stored length covers.
    writeAll(program.file(QStringLiteral("karupath.dat")),
             folderFile(qint16(folder.size() + extra), extra ? folder : folder + QStringLiteral("XYZ")));
    CardState data(program.path());
    data.loadCardFolder();
    QCOMPARE(data.cardFolder(), folder);
    QCOMPARE(data.cardDataPath(), folder + QStringLiteral("/karudata.dat"));
}

void TestCardFiles::badStoredFolderFallsBack_data()
{
    QTest::addColumn<qint16>("length");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("named"); // what the message must name
    QTest::newRow("length 0") << qint16(0) << QStringLiteral("/tmp") << QStringLiteral("karupath.dat");
    QTest::newRow("negative length") << qint16(-5) << QStringLiteral("/tmp") << QStringLiteral("-5");
    QTest::newRow("most negative length") << qint16(-32768) << QStringLiteral("/tmp") << QStringLiteral("-32768");
    QTest::newRow("missing folder") << qint16(22) << QStringLiteral("/no/such/card/folder/x") << QStringLiteral("/no/such/card/folder/x");
    QTest::newRow("root") << qint16(1) << QStringLiteral("/") << QStringLiteral("karupath.dat");
    QTest::newRow("in the sets folder, with none known") << qint16(9) << QStringLiteral("<sets>/家族")
                                                         << QStringLiteral("<sets>/家族");
}

void TestCardFiles::badStoredFolderFallsBack()
{
    QFETCH(qint16, length);
    QFETCH(QString, path);
    QFETCH(QString, named);
    testing::ProgramFolder program;
    const QByteArray stored = folderFile(length, path);
    writeAll(program.file(QStringLiteral("karupath.dat")), stored);

    CardState data(program.path());
    data.loadCardFolder();
    const auto notices = data.takeNotices();
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices[0].kind, CardState::Notice::FolderMissing);
    QVERIFY2(notices[0].text.contains(named), qPrintable(notices[0].text));
    QCOMPARE(data.cardFolder(), program.cardFolder());
    QCOMPARE(data.cardCount(), 46);
    QCOMPARE(readAll(program.file(QStringLiteral("karupath.dat"))), stored);
    QVERIFY(!QFile::exists(QStringLiteral("/karudata.dat")));
}

void TestCardFiles::badCountIsClampedNotWritten_data()
{
    QTest::addColumn<qint16>("stored");
    QTest::addColumn<int>("used");
    QTest::newRow("zero") << qint16(0) << 1;
    QTest::newRow("negative") << qint16(-7) << 1;
    QTest::newRow("fifty") << qint16(50) << 49;
    QTest::newRow("huge") << qint16(32767) << 49;
}

void TestCardFiles::badCountIsClampedNotWritten()
{
    QFETCH(qint16, stored);
    QFETCH(int, used);
    testing::ProgramFolder program;
    const QByteArray bytes = dataFile(stored, QStringList(49, QStringLiteral("x")));
    const QString path = program.cardFolder() + QStringLiteral("/karudata.dat");
    writeAll(path, bytes);

    CardState data(program.path());
    data.loadCardFolder();
    const auto notices = data.takeNotices();
    QCOMPARE(kinds(notices), QList{CardState::Notice::CountOutOfRange});
    QVERIFY(notices[0].text.contains(path));
    QVERIFY(notices[0].text.contains(QString::number(stored)));
    QCOMPARE(int(data.cardCount()), used);
    QCOMPARE(readAll(path), bytes);
}

void TestCardFiles::programFolderStoresRelativePath_data()
{
    QTest::addColumn<QString>("programFolder");
    // Deep enough that program folder + "/ondat" takes more than 50 bytes.
    QTest::newRow("too long") << QStringLiteral("かるた練習用の長いフォルダ名/プログラム");
    // A name code page 932 cannot hold, above the program.
    QTest::newRow("unencodable") << QStringLiteral("José/karuta");
}

void TestCardFiles::programFolderStoresRelativePath()
{
    QFETCH(QString, programFolder);
    testing::ProgramFolder outer(false);
    programFolder = outer.file(programFolder);
    testing::copyCards(programFolder + QStringLiteral("/ondat"), 2);
    // The whole path cannot be stored as it is.
    const QString ondat = programFolder + QStringLiteral("/ondat");
    QVERIFY(!cp932::canEncode(ondat) || cp932::byteLength(ondat) > 50);

    CardState data(programFolder);
    data.loadCardFolder();
    QVERIFY(data.takeNotices().isEmpty());
    QCOMPARE(data.cardFolder(), programFolder + QStringLiteral("/ondat"));
    QCOMPARE(readAll(programFolder + QStringLiteral("/karupath.dat")), folderFile(5, QStringLiteral("ondat")));
    QVERIFY(QFile::exists(programFolder + QStringLiteral("/ondat/karudata.dat")));
    // The editor saves a folder inside the program folder the same way.
    QDir().mkpath(programFolder + QStringLiteral("/sets/kana"));
    const CardState::StoredPath inside = data.storablePath(programFolder + QStringLiteral("/sets/kana"));
    QVERIFY2(inside.ok, qPrintable(inside.why));
    QCOMPARE(inside.text, QStringLiteral("sets/kana"));

    // And the next start reads it back from the program folder.
    CardState again(programFolder);
    again.loadCardFolder();
    QVERIFY(again.takeNotices().isEmpty());
    QCOMPARE(again.cardFolder(), programFolder + QStringLiteral("/ondat"));
}

void TestCardFiles::storedPathReadsFromItsFolder_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("folder"); // in the program folder
    QTest::newRow("relative: from the program folder") << QStringLiteral("sets/kana") << QStringLiteral("sets/kana");
    QTest::newRow("marked: from the sets folder") << QStringLiteral("<sets>/家族の札") << QStringLiteral("my sets/家族の札");
}

void TestCardFiles::storedPathReadsFromItsFolder()
{
    QFETCH(QString, stored);
    QFETCH(QString, folder);
    testing::ProgramFolder program;
    QDir().mkpath(program.file(folder));
    writeAll(program.file(QStringLiteral("karupath.dat")), folderFile(qint16(stored.size()), stored));
    CardState data(program.path(), QString(), program.file(QStringLiteral("my sets")));
    data.loadCardFolder();
    QVERIFY(data.takeNotices().isEmpty());
    QCOMPARE(data.cardFolder(), program.file(folder));
}

void TestCardFiles::storablePathForms_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("stored"); // empty: refused
    const QString program = QStringLiteral("/opt/かるた練習用のとても長いフォルダの名前/ginrei-karuta");
    const QString sets = QStringLiteral("/home/利用者/.local/share/ginrei-karuta/sets");
    const QString kanji21 = QStringLiteral("銀鈴かるた家族写真札一二三四五六七八九十百");
    QTest::newRow("fits: as it is") << QStringLiteral("/srv/かるた") << QStringLiteral("/srv/かるた");
    QTest::newRow("long, in the program folder") << program + QStringLiteral("/ondat") << QStringLiteral("ondat");
    QTest::newRow("long, in the sets folder") << sets + QStringLiteral("/家族の札") << QStringLiteral("<sets>/家族の札");
    QTest::newRow("21 kanji in the sets folder") << sets + u'/' + kanji21 << QStringLiteral("<sets>/") + kanji21;
    QTest::newRow("22 kanji in the sets folder: never cut") << sets + u'/' + kanji21 + u'万' << QString();
    QTest::newRow("too long elsewhere: never cut") << QStringLiteral("/srv/") + QString(60, u'x') << QString();
    QTest::newRow("code page 932 lacks a character") << QStringLiteral("/srv/카드") << QString();
    // Read back, it would be taken for a set in the sets folder.
    QTest::newRow("program folder's own <sets>") << program + QStringLiteral("/<sets>/家族") << QString();
}

void TestCardFiles::storablePathForms()
{
    QFETCH(QString, folder);
    QFETCH(QString, stored);
    CardState data(QStringLiteral("/opt/かるた練習用のとても長いフォルダの名前/ginrei-karuta"), QString(),
                   QStringLiteral("/home/利用者/.local/share/ginrei-karuta/sets"));
    const CardState::StoredPath path = data.storablePath(folder);
    QCOMPARE(path.ok, !stored.isEmpty());
    if (!path.ok) {
        QVERIFY2(path.why.contains(folder), qPrintable(path.why));
        return;
    }
    QCOMPARE(path.text, stored);
    QVERIFY(cp932::byteLength(path.text) <= 50);
    // The next start finds the same folder.
    QCOMPARE(data.resolveStoredPath(path.text), folder);
}

void TestCardFiles::unwritableFilesAreReported()
{
    // A program folder below a plain file: nothing can be created there,
    // even by root, for whom a read-only folder is no obstacle.
    testing::ProgramFolder outer(false);
    writeAll(outer.file(QStringLiteral("plain")), "not a folder");
    const QString programFolder = outer.file(QStringLiteral("plain/program"));

    CardState data(programFolder);
    data.loadCardFolder();
    const auto notices = data.takeNotices();
    QCOMPARE(kinds(notices), (QList{CardState::Notice::WriteFailed, CardState::Notice::WriteFailed}));
    QVERIFY(notices[0].text.contains(QStringLiteral("karupath.dat")));
    QVERIFY(notices[1].text.contains(QStringLiteral("karudata.dat")));
    // The run goes on with the defaults in memory.
    QCOMPARE(data.cardFolder(), programFolder + QStringLiteral("/ondat"));
    QCOMPARE(data.cardCount(), 46);
    QCOMPARE(data.label(46), QStringLiteral("銀"));
}

void TestCardFiles::somethingInTheWayIsNotOverwritten()
{
    // Folders where the files should be: unreadable, so left alone.
    testing::ProgramFolder program;
    QDir().mkpath(program.file(QStringLiteral("karupath.dat")));
    QDir().mkpath(program.file(QStringLiteral("ondat/karudata.dat")));
    CardState data(program.path());
    data.loadCardFolder();
    QCOMPARE(kinds(data.takeNotices()), (QList{CardState::Notice::ReadFailed, CardState::Notice::ReadFailed}));
    QVERIFY(QFileInfo(program.file(QStringLiteral("karupath.dat"))).isDir());
    QVERIFY(QFileInfo(program.file(QStringLiteral("ondat/karudata.dat"))).isDir());
    QCOMPARE(data.cardCount(), 46);
}

void TestCardFiles::unreadableDataFileIsNotOverwritten()
{
    if (geteuid() == 0)
        QSKIP("root reads every file");
    testing::ProgramFolder program;
    const QString path = program.cardFolder() + QStringLiteral("/karudata.dat");
    const QByteArray bytes = dataFile(12, QStringList(49, QStringLiteral("q")));
    writeAll(path, bytes);
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    CardState data(program.path());
    data.loadCardFolder();
    QCOMPARE(kinds(data.takeNotices()), QList{CardState::Notice::ReadFailed});
    QCOMPARE(data.cardCount(), 46);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(readAll(path), bytes);
}

void TestCardFiles::writeKeepsBytesPastRecord()
{
    testing::ProgramFolder program(false);
    const QString path = program.file(QStringLiteral("karupath.dat"));
    const QByteArray tail("-- kept --");
    writeAll(path, folderFile(3, QStringLiteral("abc")) + tail);
    QString error;
    const QByteArray record = folderFile(4, QStringLiteral("/srv"));
    QVERIFY(CardState::writeRecord(path, record, &error));
    QCOMPARE(readAll(path), record + tail);
}

void TestCardFiles::recordsRoundTrip()
{
    const QString folder = QStringLiteral("/home/利用者/かるた 札");
    const FolderRecord folderRecord = FolderRecord::fromBytes(FolderRecord::forFolder(folder).bytes());
    QCOMPARE(folderRecord.length(), qint16(folder.size()));
    QCOMPARE(folderRecord.folder(), folder);

    DataRecord record;
    record.setCount(3);
    QVERIFY(record.setLabel(1, QStringLiteral("銀")));
    QVERIFY(record.setLabel(2, QStringLiteral("ab")));
    QVERIFY(!record.setLabel(3, QStringLiteral("あい")));
    const DataRecord back = DataRecord::fromBytes(record.bytes());
    QCOMPARE(back.count(), qint16(3));
    QCOMPARE(back.label(1), QStringLiteral("銀"));
    QCOMPARE(back.label(2), QStringLiteral("ab"));
    QCOMPARE(back.label(3), QStringLiteral("あ"));
    QCOMPARE(back.label(4), QString());
    QCOMPARE(record.bytes().size(), 256);
}

GINREI_TEST_MAIN(TestCardFiles)
#include "tst_cardfiles.moc"
