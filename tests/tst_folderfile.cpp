// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where karupath.dat lives: beside a program whose folder can be written (a
// portable copy), in the user's config folder when it cannot (an installed
// copy). The writability probe is forced here, so the read-only cases hold
// when the tests run as root too.

#include "data/cp932.h"
#include "data/module1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <unistd.h>

namespace {
QByteArray folderFile(const QString &path)
{
    QByteArray b(2, '\0');
    qToLittleEndian<qint16>(qint16(path.size()), b.data());
    return b + cp932::encodeField(path, 50);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

// A program folder with an empty default card folder, and a config folder
// path beside it that does not exist yet (as on a first start).
struct Places {
    QTemporaryDir dir;
    QString program;
    QString config;
    explicit Places(const QString &programName = QStringLiteral("program"))
    {
        program = dir.path() + u'/' + programName;
        config = dir.path() + QStringLiteral("/home/.config/ginrei-karuta");
        QDir().mkpath(program + QStringLiteral("/ondat"));
    }
    QString besideProgram() const { return program + QStringLiteral("/karupath.dat"); }
    QString inConfig() const { return config + QStringLiteral("/karupath.dat"); }
};

Module1::FolderProbe forced(bool writable, QStringList *asked = nullptr)
{
    return [writable, asked](const QString &folder) {
        if (asked)
            *asked << folder;
        return writable;
    };
}
} // namespace

class TestFolderFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartWritesOneFolderFile_data();
    void firstStartWritesOneFolderFile();
    void readsOnlyItsOwnFolderFile_data();
    void readsOnlyItsOwnFolderFile();
    void longInstalledPathIsStoredRelative();
    void unusableConfigFolderIsReported();
    void fileSystemProbe_data();
    void fileSystemProbe();
};

void TestFolderFile::firstStartWritesOneFolderFile_data()
{
    QTest::addColumn<bool>("programWritable");
    QTest::addColumn<bool>("withConfigFolder");
    QTest::addColumn<bool>("expectInConfig");
    QTest::newRow("portable copy: beside the program") << true << true << false;
    QTest::newRow("installed copy: in the config folder") << false << true << true;
    QTest::newRow("no config folder known: beside the program") << false << false << false;
}

void TestFolderFile::firstStartWritesOneFolderFile()
{
    QFETCH(bool, programWritable);
    QFETCH(bool, withConfigFolder);
    QFETCH(bool, expectInConfig);
    Places places;
    Module1 data(places.program, withConfigFolder ? places.config : QString());
    QStringList asked;
    data.setWritableProbe(forced(programWritable, &asked));
    data.LoadCardFolder();
    QVERIFY(data.takeNotices().isEmpty());
    if (withConfigFolder)
        QCOMPARE(asked.value(0), places.program);

    const QString written = expectInConfig ? places.inConfig() : places.besideProgram();
    const QString untouched = expectInConfig ? places.besideProgram() : places.inConfig();
    QCOMPARE(data.folderFilePath(), written);
    // The same 52-byte record wherever it lies, naming the default card folder.
    QCOMPARE(readAll(written), folderFile(places.program + QStringLiteral("/ondat")));
    QVERIFY(!QFile::exists(untouched));
    // The config folder is only made when it is used.
    QCOMPARE(QFileInfo(places.config).isDir(), expectInConfig);
    QCOMPARE(data.cardFolder(), places.program + QStringLiteral("/ondat"));
    QCOMPARE(data.cardCount(), 46);
}

void TestFolderFile::readsOnlyItsOwnFolderFile_data()
{
    QTest::addColumn<bool>("programWritable");
    QTest::addColumn<bool>("configHasOne");
    QTest::addColumn<QString>("expectedSet"); // which of the two sets is used
    QTest::newRow("portable copy reads beside the program") << true << true << QStringLiteral("beside");
    QTest::newRow("installed copy reads the config folder") << false << true << QStringLiteral("config");
    QTest::newRow("read-only copy with its own file, never saved by the user")
        << false << false << QStringLiteral("beside");
}

void TestFolderFile::readsOnlyItsOwnFolderFile()
{
    QFETCH(bool, programWritable);
    QFETCH(bool, configHasOne);
    QFETCH(QString, expectedSet);
    Places places;
    // Each file names a card set of its own.
    const QString besideSet = places.dir.path() + QStringLiteral("/beside");
    const QString configSet = places.dir.path() + QStringLiteral("/config");
    QDir().mkpath(besideSet);
    QDir().mkpath(configSet);
    const QByteArray besideBytes = folderFile(besideSet);
    const QByteArray configBytes = folderFile(configSet);
    writeAll(places.besideProgram(), besideBytes);
    if (configHasOne)
        writeAll(places.inConfig(), configBytes);

    Module1 data(places.program, places.config);
    data.setWritableProbe(forced(programWritable));
    data.LoadCardFolder();
    QVERIFY(data.takeNotices().isEmpty());
    QCOMPARE(data.cardFolder(), places.dir.path() + u'/' + expectedSet);
    QCOMPARE(data.cardDataPath(), places.dir.path() + u'/' + expectedSet + QStringLiteral("/karudata.dat"));
    // Reading rewrites neither file, and makes none.
    QCOMPARE(readAll(places.besideProgram()), besideBytes);
    QCOMPARE(readAll(places.inConfig()), configHasOne ? configBytes : QByteArray());
    // A save always goes where this user may write.
    QCOMPARE(data.folderFilePath(), programWritable ? places.besideProgram() : places.inConfig());
}

void TestFolderFile::longInstalledPathIsStoredRelative()
{
    // Installed under a prefix so deep that the card folder takes more than
    // the 50 bytes of the record: stored relative to the program folder.
    Places places(QStringLiteral("opt/かるた練習用のとても長いフォルダ/lib/ginrei-karuta"));
    QVERIFY(cp932::byteLength(places.program + QStringLiteral("/ondat")) > 50);

    Module1 first(places.program, places.config);
    first.setWritableProbe(forced(false));
    first.LoadCardFolder();
    QVERIFY(first.takeNotices().isEmpty());
    QCOMPARE(readAll(places.inConfig()), folderFile(QStringLiteral("ondat")));

    // The next start finds the folder again from the program folder, not
    // from the config folder the file lies in.
    Module1 again(places.program, places.config);
    again.setWritableProbe(forced(false));
    again.LoadCardFolder();
    QVERIFY(again.takeNotices().isEmpty());
    QCOMPARE(again.cardFolder(), places.program + QStringLiteral("/ondat"));
}

void TestFolderFile::unusableConfigFolderIsReported()
{
    // A plain file where the config folder's parent should be: nothing can
    // be made there, by root either.
    Places places;
    writeAll(places.dir.path() + QStringLiteral("/home/.config"), "not a folder");

    Module1 data(places.program, places.config);
    data.setWritableProbe(forced(false));
    data.LoadCardFolder();
    const QList<Module1::Notice> notices = data.takeNotices();
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices[0].kind, Module1::Notice::WriteFailed);
    QVERIFY2(notices[0].text.contains(places.inConfig()), qPrintable(notices[0].text));
    // Never written beside the program instead, and the run goes on.
    QVERIFY(!QFile::exists(places.besideProgram()));
    QCOMPARE(data.cardFolder(), places.program + QStringLiteral("/ondat"));
    QCOMPARE(data.cardCount(), 46);
}

void TestFolderFile::fileSystemProbe_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("writable");
    QTest::newRow("folder of our own") << QStringLiteral("folder") << true;
    QTest::newRow("missing folder") << QStringLiteral("missing") << false;
    QTest::newRow("plain file") << QStringLiteral("file") << false;
    // Root may write into it all the same, and so writes beside the program.
    QTest::newRow("folder without write permission") << QStringLiteral("read-only") << (geteuid() == 0);
}

void TestFolderFile::fileSystemProbe()
{
    QFETCH(QString, what);
    QFETCH(bool, writable);
    QTemporaryDir dir;
    const QString path = dir.path() + u'/' + what;
    if (what == u"folder" || what == u"read-only")
        QDir().mkpath(path);
    if (what == u"file")
        writeAll(path, "x");
    if (what == u"read-only")
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    QCOMPARE(Module1::fileSystemAllowsWriting(path), writable);
    // Without a probe of its own the program asks the same.
    Module1 data(dir.path(), dir.path() + QStringLiteral("/config"));
    QCOMPARE(data.folderIsWritable(path), writable);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QTEST_GUILESS_MAIN(TestFolderFile)
#include "tst_folderfile.moc"
