// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The installed program: `cmake --install` into a temporary prefix lays out
// every file in its place and nothing else, and the program started from
// there keeps karupath.dat in the user's config folder when it cannot write
// its own folder, while a portable copy keeps it beside itself. The desktop
// entry, the AppStream data, the manual page and the changelog agree with
// the program they describe.
//
// The read-only program folder is real here: as a normal user its write
// permissions are taken away; as root, who ignores them, the program is run
// as the unprivileged user "nobody" (setpriv), to whom the root-owned
// install tree is read-only.

#include "data/cp932.h"
#include "data/module1.h"
#include "version.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <climits>
#include <unistd.h>

namespace {
constexpr uid_t Nobody = 65534;
const QString ProgramDir = QStringLiteral("lib/ginrei-karuta");
const QString Launcher = QStringLiteral("games/ginrei-karuta");
const QString ManualPage = QStringLiteral("share/man/man6/ginrei-karuta.6.gz");
const QString Changelog = QStringLiteral("share/doc/ginrei-karuta/changelog.gz");
const QList<int> IconSizes{16, 32, 48, 64, 128, 256};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The uncompressed contents of a gzip file, or nothing.
QByteArray gunzip(const QString &path)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    if (!gzip.waitForFinished(30000) || gzip.exitStatus() != QProcess::NormalExit || gzip.exitCode() != 0)
        return QByteArray();
    return gzip.readAllStandardOutput();
}

QByteArray folderFile(const QString &path)
{
    QByteArray b(2, '\0');
    qToLittleEndian<qint16>(qint16(path.size()), b.data());
    return b + cp932::encodeField(path, 50);
}

// Every path the install must lay out, relative to the prefix, with what it is.
QList<std::pair<QString, QString>> expectedFiles()
{
    QList<std::pair<QString, QString>> files{
        {Launcher, QStringLiteral("launcher")},
        {ProgramDir + QStringLiteral("/ginrei-karuta"), QStringLiteral("program")},
        {ProgramDir + QStringLiteral("/hand.ico"), QString()},
        {ProgramDir + QStringLiteral("/index.htm"), QString()},
        {ProgramDir + QStringLiteral("/ondat/karudata.dat"), QString()},
        {QStringLiteral("share/applications/ginrei-karuta.desktop"), QString()},
        {QStringLiteral("share/metainfo/ginrei-karuta.metainfo.xml"), QString()},
        {ManualPage, QStringLiteral("gzip")},
        {QStringLiteral("share/doc/ginrei-karuta/copyright"), QString()},
        {Changelog, QStringLiteral("gzip")},
        {QStringLiteral("share/lintian/overrides/ginrei-karuta"), QString()},
    };
    for (int n = 1; n <= Module1::DefaultCount; ++n) {
        files.append({ProgramDir + QStringLiteral("/ondat/karue%1.jpg").arg(Module1::cardNumberText(n)), QString()});
        files.append({ProgramDir + QStringLiteral("/ondat/karuon%1.wav").arg(Module1::cardNumberText(n)), QString()});
    }
    for (int size : IconSizes)
        files.append({QStringLiteral("share/icons/hicolor/%1x%1/apps/ginrei-karuta.png").arg(size),
                      QStringLiteral("png %1").arg(size)});
    return files;
}

// The value of key in the [Desktop Entry] group.
QString desktopValue(const QByteArray &entry, const QString &key)
{
    for (const QString &line : QString::fromUtf8(entry).split(u'\n')) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return QString();
}

// Whether the process sleeps waiting for events (the main thread blocked in
// poll), i.e. has got through its start-up into the event loop.
bool waitingForEvents(qint64 pid)
{
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size() || stat.at(close + 2) != 'S')
        return false;
    const QByteArray wchan = readAll(QStringLiteral("/proc/%1/wchan").arg(pid)).trimmed();
    // Some kernels hide the wait channel; then sleeping has to do.
    return wchan.isEmpty() || wchan == "0" || wchan.contains("poll");
}

void setTreeWritable(const QString &root, bool writable)
{
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    QStringList paths{root};
    while (it.hasNext())
        paths << it.next();
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isSymLink())
            continue;
        QFileDevice::Permissions p = info.permissions();
        const QFileDevice::Permissions write = QFileDevice::WriteOwner | QFileDevice::WriteUser
            | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        p = writable ? (p | QFileDevice::WriteOwner | QFileDevice::WriteUser) : (p & ~write);
        QFile::setPermissions(path, p);
    }
}

bool copyTree(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (it.fileInfo().isDir() ? !QDir().mkpath(target) : !QFile::copy(source, target))
            return false;
    }
    return true;
}
} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void installsEveryFile_data();
    void installsEveryFile();
    void installsNothingElse();
    void shipsTheCardDataAFirstStartWrites();
    void desktopEntryNamesInstalledFiles();
    void versionComesFromOneSource();
    void manualPageListsEveryOption();
    void startsFromInstalledTree_data();
    void startsFromInstalledTree();

private:
    QString prefix() const { return m_root.path() + QStringLiteral("/usr"); }
    QString programFolder() const { return prefix() + u'/' + ProgramDir; }

    // Kept short: the card folder the program stores must fit in 50 bytes.
    QTemporaryDir m_root{QStringLiteral("/tmp/gk-XXXXXX")};
};

void TestInstall::initTestCase()
{
    QVERIFY(m_root.isValid());
    // Reachable by "nobody" when the program is run as that user.
    QFile::setPermissions(m_root.path(), QFileDevice::Permissions(0x7755));
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(GINREI_CMAKE_COMMAND),
                  {QStringLiteral("--install"), QStringLiteral(GINREI_BUILD_DIR), QStringLiteral("--prefix"), prefix()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0, install.readAll().constData());
}

void TestInstall::cleanupTestCase()
{
    // Whatever a test left read-only must go with the temporary folder.
    setTreeWritable(m_root.path(), true);
}

void TestInstall::installsEveryFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("kind");
    for (const auto &[path, kind] : expectedFiles())
        QTest::newRow(qPrintable(path)) << path << kind;
}

void TestInstall::installsEveryFile()
{
    QFETCH(QString, path);
    QFETCH(QString, kind);
    const QString file = prefix() + u'/' + path;
    const QFileInfo info(file);
    QVERIFY2(info.exists(), qPrintable(file));
    const QByteArray bytes = readAll(file);

    if (kind == u"launcher") {
        // A relative link, so the installed tree can be moved as a whole.
        QVERIFY(info.isSymLink());
        char target[PATH_MAX] = {};
        QVERIFY(::readlink(QFile::encodeName(file).constData(), target, sizeof target - 1) > 0);
        QVERIFY2(QDir::isRelativePath(QFile::decodeName(target)), target);
        QCOMPARE(info.canonicalFilePath(), QFileInfo(programFolder() + QStringLiteral("/ginrei-karuta")).canonicalFilePath());
    } else if (kind == u"program") {
        QVERIFY(info.isExecutable());
        QVERIFY(bytes.startsWith("\x7f" "ELF"));
    } else if (kind.startsWith(u"png ")) {
        // Width and height from the IHDR chunk, as the icon theme's folder says.
        const quint32 size = kind.mid(4).toUInt();
        QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
        QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 16), size);
        QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 20), size);
    } else if (kind == u"gzip") {
        // As Debian wants it: no file name (flag 0x08) and no time stamp,
        // which would make two builds differ, and the best compression
        // (extra flags 2).
        QVERIFY(bytes.size() > 10);
        QVERIFY(bytes.startsWith("\x1f\x8b\x08"));
        QCOMPARE(bytes.at(3) & 0x08, 0);
        QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 4), 0u);
        QCOMPARE(int(bytes.at(8)), 2);
        QVERIFY(!gunzip(file).isEmpty());
    } else {
        QVERIFY(!bytes.isEmpty());
    }
    // Every user reads the installed files.
    if (!info.isSymLink())
        QVERIFY2(info.permissions().testFlag(QFileDevice::ReadOther), qPrintable(file));
}

void TestInstall::installsNothingElse()
{
    QStringList expected;
    for (const auto &entry : expectedFiles())
        expected << entry.first;
    QStringList found;
    QDirIterator it(prefix(), QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(prefix().size() + 1);
    QStringList extra;
    for (const QString &f : found)
        if (!expected.contains(f))
            extra << f;
    QVERIFY2(extra.isEmpty(), qPrintable(extra.join(u' ')));
    QCOMPARE(found.size(), expected.size());
}

void TestInstall::shipsTheCardDataAFirstStartWrites()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/ondat"));
    Module1 data(dir.path());
    data.LoadCardFolder();
    QVERIFY(data.takeNotices().isEmpty());
    const QByteArray written = readAll(dir.path() + QStringLiteral("/ondat/karudata.dat"));
    QCOMPARE(written.size(), 256);
    QCOMPARE(readAll(programFolder() + QStringLiteral("/ondat/karudata.dat")), written);
}

void TestInstall::desktopEntryNamesInstalledFiles()
{
    const QByteArray entry = readAll(prefix() + QStringLiteral("/share/applications/ginrei-karuta.desktop"));
    QCOMPARE(desktopValue(entry, QStringLiteral("Name[ja]")), QStringLiteral("銀鈴かるた"));
    QVERIFY(!desktopValue(entry, QStringLiteral("Name")).isEmpty());
    // The command it runs is the installed one, by its full path: a desktop
    // session's PATH may lack the games folder ...
    const QString command = desktopValue(entry, QStringLiteral("Exec")).section(u' ', 0, 0);
    QCOMPARE(command, prefix() + u'/' + Launcher);
    QVERIFY(QFileInfo(command).isExecutable());
    // ... its icon is in the theme ...
    const QString icon = desktopValue(entry, QStringLiteral("Icon"));
    for (int size : IconSizes)
        QVERIFY(QFile::exists(prefix() + QStringLiteral("/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(icon)));
    // ... and the AppStream data points at this entry and this command.
    const QString metainfo = QString::fromUtf8(readAll(prefix() + QStringLiteral("/share/metainfo/ginrei-karuta.metainfo.xml")));
    QVERIFY(metainfo.contains(QStringLiteral("<launchable type=\"desktop-id\">ginrei-karuta.desktop</launchable>")));
    QVERIFY(metainfo.contains(QStringLiteral("<binary>%1</binary>").arg(QFileInfo(command).fileName())));
    QVERIFY(metainfo.contains(QStringLiteral("<name xml:lang=\"ja\">銀鈴かるた</name>")));
}

void TestInstall::versionComesFromOneSource()
{
    const QString version = QStringLiteral(GINREI_VERSION_STRING);
    QCOMPARE(version, QStringLiteral("%1.%2.%3").arg(GINREI_VERSION_MAJOR).arg(GINREI_VERSION_MINOR).arg(GINREI_VERSION_PATCH));

    QProcess program;
    program.start(prefix() + u'/' + Launcher, {QStringLiteral("--version")});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).trimmed(), QStringLiteral("ginrei-karuta ") + version);

    const QString metainfo = QString::fromUtf8(readAll(prefix() + QStringLiteral("/share/metainfo/ginrei-karuta.metainfo.xml")));
    const QRegularExpression release(QStringLiteral("<release version=\"([^\"]*)\""));
    QCOMPARE(release.match(metainfo).captured(1), version);

    const QString cpack = QString::fromUtf8(readAll(QStringLiteral(GINREI_BUILD_DIR "/CPackConfig.cmake")));
    const QRegularExpression packageVersion(QStringLiteral("set\\(CPACK_PACKAGE_VERSION \"([^\"]*)\"\\)"));
    QCOMPARE(packageVersion.match(cpack).captured(1), version);

    // The changelog's entry is this version, released the day the AppStream
    // data says: both come from the build, not from a date kept by hand.
    const QString changelog = QString::fromUtf8(gunzip(prefix() + u'/' + Changelog));
    const QRegularExpression entry(QStringLiteral("^ginrei-karuta \\(([^)]*)\\) .*\n\n(?:  \\* .*\n)+\n -- .+ <.+>  (.+)\n"));
    const QRegularExpressionMatch entryMatch = entry.match(changelog);
    QVERIFY2(entryMatch.hasMatch(), qPrintable(changelog));
    QCOMPARE(entryMatch.captured(1), version);
    const QDateTime released = QDateTime::fromString(entryMatch.captured(2), Qt::RFC2822Date);
    QVERIFY2(released.isValid(), qPrintable(entryMatch.captured(2)));
    const QRegularExpression releaseDate(QStringLiteral("<release version=\"[^\"]*\" date=\"([^\"]*)\""));
    QCOMPARE(releaseDate.match(metainfo).captured(1), released.toUTC().date().toString(Qt::ISODate));
}

// The options that `--help` lists and those the manual page describes under
// OPTIONS are the same.
void TestInstall::manualPageListsEveryOption()
{
    QProcess program;
    program.start(prefix() + u'/' + Launcher, {QStringLiteral("--help")});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitCode(), 0);
    const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[a-z][a-z-]*"));
    QStringList listed;
    for (const QString &line : QString::fromUtf8(program.readAllStandardOutput()).split(u'\n')) {
        // "  -h, --help     Displays help ...": the names before the text.
        if (!line.startsWith(QStringLiteral("  -")))
            continue;
        for (const auto &m : option.globalMatch(line.trimmed().section(QStringLiteral("  "), 0, 0)))
            listed << m.captured();
    }
    QVERIFY(listed.contains(QStringLiteral("--version")));

    // In the page, the tag line of each .TP paragraph under .SH OPTIONS.
    const QStringList page = QString::fromUtf8(gunzip(prefix() + u'/' + ManualPage)).split(u'\n');
    QStringList documented;
    bool inOptions = false;
    for (qsizetype i = 0; i < page.size(); ++i) {
        if (page.at(i).startsWith(QStringLiteral(".SH")))
            inOptions = page.at(i) == QStringLiteral(".SH OPTIONS");
        else if (inOptions && page.at(i) == QStringLiteral(".TP") && i + 1 < page.size())
            for (const auto &m : option.globalMatch(QString(page.at(i + 1)).replace(QStringLiteral("\\-"), QStringLiteral("-"))))
                documented << m.captured();
    }
    listed.sort();
    documented.sort();
    QCOMPARE(documented, listed);
}

void TestInstall::startsFromInstalledTree_data()
{
    QTest::addColumn<bool>("portable");
    QTest::newRow("installed: read-only program folder, empty config folder") << false;
    QTest::newRow("portable copy: writable program folder") << true;
}

void TestInstall::startsFromInstalledTree()
{
    QFETCH(bool, portable);
    const bool root = geteuid() == 0;
    const QString run = m_root.path() + (portable ? QStringLiteral("/run-portable") : QStringLiteral("/run-installed"));
    const QString home = run + QStringLiteral("/home");
    const QString config = run + QStringLiteral("/config");
    const QString runtime = run + QStringLiteral("/runtime");
    for (const QString &dir : {home, config, runtime})
        QVERIFY(QDir().mkpath(dir));
    QFile::setPermissions(run, QFileDevice::Permissions(0x7755));
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QString folder = programFolder();
    // Installed, it starts as the desktop menu starts it.
    QString executable = desktopValue(readAll(prefix() + QStringLiteral("/share/applications/ginrei-karuta.desktop")),
                                      QStringLiteral("Exec")).section(u' ', 0, 0);
    const QString shipped = folder + QStringLiteral("/ondat/karudata.dat");
    const QByteArray shippedBytes = readAll(shipped);
    QString runAs;
    if (portable) {
        folder = run + QStringLiteral("/ginrei-karuta");
        QVERIFY(copyTree(programFolder(), folder));
        QFile::setPermissions(folder + QStringLiteral("/ginrei-karuta"), QFileInfo(programFolder() + QStringLiteral("/ginrei-karuta")).permissions());
        executable = folder + QStringLiteral("/ginrei-karuta");
    } else {
        setTreeWritable(folder, false);
        if (root) {
            runAs = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (runAs.isEmpty())
                QSKIP("running as root and setpriv is missing: cannot run the program as another user");
            for (const QString &dir : {home, config, runtime})
                QVERIFY(::chown(QFile::encodeName(dir).constData(), Nobody, Nobody) == 0);
        }
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(run);
    if (runAs.isEmpty())
        program.start(executable, {});
    else
        program.start(runAs, {QStringLiteral("--reuid=%1").arg(Nobody), QStringLiteral("--regid=%1").arg(Nobody),
                              QStringLiteral("--clear-groups"), executable});
    QVERIFY(program.waitForStarted());

    const QString besideProgram = folder + QStringLiteral("/karupath.dat");
    const QString inConfig = config + QStringLiteral("/ginrei-karuta/karupath.dat");
    const QString expected = portable ? besideProgram : inConfig;
    const QString unexpected = portable ? inConfig : besideProgram;
    auto started = [&] {
        return program.state() != QProcess::Running || (QFile::exists(expected) && waitingForEvents(program.processId()));
    };
    const auto stop = qScopeGuard([&program] {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(10000);
        }
    });
    QVERIFY2(QTest::qWaitFor(started, 30000), "neither karupath.dat where expected nor waiting for events after 30 s");
    // Still there a moment later: not a passing wait during start-up.
    QTest::qWait(300);
    const bool running = program.state() == QProcess::Running && waitingForEvents(program.processId());
    program.terminate();
    program.waitForFinished(10000);
    if (!portable)
        setTreeWritable(folder, true);
    QVERIFY2(running, program.readAllStandardError().constData());

    QCOMPARE(readAll(expected), folderFile(folder + QStringLiteral("/ondat")));
    QVERIFY(!QFile::exists(unexpected));
    // The shipped default set was read, not written over.
    QCOMPARE(readAll(folder + QStringLiteral("/ondat/karudata.dat")), shippedBytes);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
