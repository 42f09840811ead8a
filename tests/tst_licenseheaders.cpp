// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// scripts/add-license-headers.sh on a scratch repository, one file of each
// kind: where the header goes and in which comment syntax, that the file
// keeps its mode, that a second run changes nothing, which files it leaves
// alone, and that --check names exactly the files that lack the header.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QByteArray Copyright = "SPDX-FileCopyrightText: 2026 Ginrei Karuta developers";
const QByteArray Gpl = "SPDX-License-Identifier: GPL-3.0-or-later";

struct Run
{
    int exitCode = -1;
    QByteArray output;
};

Run run(const QString &folder, const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.output = process.readAll();
    return result;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}
} // namespace

class TestLicenseHeaders : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void headerByKindOfFile_data();
    void headerByKindOfFile();
};

void TestLicenseHeaders::headerByKindOfFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("tracked");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("known");

    const QByteArray hash = "# " + Copyright + "\n# " + Gpl + "\n";
    QTest::newRow("C++ source: on top")
        << "src/a.cpp" << true << QByteArray("#include <a>\n") << "// " + Copyright + "\n// " + Gpl + "\n\n#include <a>\n" << true;
    QTest::newRow("header template: like a header")
        << "app/version.h.in" << true << QByteArray("#pragma once\n") << "// " + Copyright + "\n// " + Gpl + "\n\n#pragma once\n" << true;
    QTest::newRow("CMake file")
        << "CMakeLists.txt" << true << QByteArray("add_subdirectory(a)\n") << hash + "\nadd_subdirectory(a)\n" << true;
    QTest::newRow("script: after its shebang, still executable")
        << "scripts/a.sh" << true << QByteArray("#!/bin/sh\necho a\n") << "#!/bin/sh\n" + hash + "\necho a\n" << true;
    QTest::newRow("script without an extension: known by its shebang")
        << ".ci/run" << true << QByteArray("#!/bin/sh\nmake\n") << "#!/bin/sh\n" + hash + "\nmake\n" << true;
    QTest::newRow("AppStream template: after the XML declaration, under CC0")
        << "packaging/ginrei-karuta.metainfo.xml.in" << true << QByteArray("<?xml version=\"1.0\"?>\n<component/>\n")
        << "<?xml version=\"1.0\"?>\n<!-- " + Copyright + " -->\n<!-- SPDX-License-Identifier: CC0-1.0 -->\n\n<component/>\n" << true;
    QTest::newRow("HTML: after the document type")
        << "assets/help/index.htm" << true << QByteArray("<!DOCTYPE html>\n<html>\n")
        << "<!DOCTYPE html>\n<!-- " + Copyright + " -->\n<!-- " + Gpl + " -->\n\n<html>\n" << true;
    QTest::newRow("manual page: roff comments, no blank line")
        << "packaging/a.6" << true << QByteArray(".TH A 6\n") << ".\\\" " + Copyright + "\n.\\\" " + Gpl + "\n.TH A 6\n" << true;
    const QByteArray otherHolder = "// SPDX-FileCopyrightText: 2027 Someone Else\n// " + Gpl + "\n\nint a;\n";
    QTest::newRow("a header of another holder is left as it is")
        << "src/b.cpp" << true << otherHolder << otherHolder << true;
    QTest::newRow("picture: exempt")
        << "docs/a.png" << true << QByteArray("\x89PNG\r\n\x1a\n", 8) << QByteArray("\x89PNG\r\n\x1a\n", 8) << true;
    QTest::newRow("fuzz seed: exempt")
        << "tests/fuzz/corpus/numtext/a.txt" << true << QByteArray("12\n") << QByteArray("12\n") << true;
    QTest::newRow("untracked file: left alone")
        << "src/c.cpp" << false << QByteArray("int c;\n") << QByteArray("int c;\n") << true;
    QTest::newRow("unknown kind: named, left alone")
        << "data/a.xyz" << true << QByteArray("a\n") << QByteArray("a\n") << false;
}

void TestLicenseHeaders::headerByKindOfFile()
{
    QFETCH(QString, path);
    QFETCH(bool, tracked);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(bool, known);
    const QString script = QStringLiteral(GINREI_SOURCE_DIR "/scripts/add-license-headers.sh");

    QTemporaryDir repo;
    QVERIFY(repo.isValid());
    QCOMPARE(run(repo.path(), QStringLiteral("git"), {QStringLiteral("init"), QStringLiteral("-q")}).exitCode, 0);
    const QString file = repo.filePath(path);
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(before);
    }
    QVERIFY(QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::ExeOwner | QFileDevice::ExeGroup));
    const QFileDevice::Permissions mode = QFile::permissions(file);
    if (tracked)
        QCOMPARE(run(repo.path(), QStringLiteral("git"), {QStringLiteral("add"), path}).exitCode, 0);

    // --check fails, naming the file, exactly when there is work to do, and
    // touches nothing.
    const bool complete = known && before == after;
    const Run check = run(repo.path(), script, {QStringLiteral("--check")});
    QVERIFY2(check.exitCode == (complete ? 0 : 1), check.output.constData());
    QCOMPARE(check.output.contains(path.toUtf8()), !complete);
    QCOMPARE(readAll(file), before);

    const Run add = run(repo.path(), script, {});
    QVERIFY2(add.exitCode == (known ? 0 : 1), add.output.constData());
    QCOMPARE(readAll(file), after);
    QCOMPARE(QFile::permissions(file), mode);
    if (!known)
        QVERIFY2(add.output.contains(path.toUtf8()), add.output.constData());

    // Done: the next run changes nothing and the check passes.
    const Run again = run(repo.path(), script, {});
    QCOMPARE(again.exitCode, known ? 0 : 1);
    QCOMPARE(readAll(file), after);
    QCOMPARE(run(repo.path(), script, {QStringLiteral("--check")}).exitCode, known ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestLicenseHeaders)
#include "tst_licenseheaders.moc"
