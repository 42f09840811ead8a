// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Saving an edited card set: what is checked before anything is written,
// the bytes of both files, the order they are written in, and that a failed
// write leaves files and card state as they were.

#include "data/cardstate.h"
#include "data/cp932.h"
#include "editor/cardsets.h"
#include "editor/cardsetsave.h"
#include "tests/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QtEndian>

#include <unistd.h>

using testing::readAll;
using testing::writeAll;

namespace {
// Everything a failed or refused save must leave alone.
struct Snapshot {
    QByteArray folderFile, dataFile;
    bool folderFileExists;
    QString folder;
    qint16 count;
    CardState::LabelTable labels;

    explicit Snapshot(const CardState &data)
        : folderFile(readAll(data.folderFilePath())), dataFile(readAll(data.cardDataPath())),
          folderFileExists(QFileInfo::exists(data.folderFilePath())), folder(data.cardFolder()),
          count(data.cardCount()), labels(data.labels())
    {
    }
    bool operator==(const Snapshot &) const = default;
};

SaveRequest requestFor(const CardState &data, const QString &folder)
{
    SaveRequest request;
    request.folder = folder;
    for (int k = 1; k <= CardState::MaxCards; ++k)
        request.labels[k - 1] = data.label(k);
    request.countText = QString::number(data.cardCount());
    return request;
}

qint16 storedCount(const QByteArray &record)
{
    return qFromLittleEndian<qint16>(record.constData());
}
} // namespace

class TestCardSetSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void savesTheCount_data();
    void savesTheCount();
    void refusesABadCount_data();
    void refusesABadCount();
    void fitsLabelsToTheirField_data();
    void fitsLabelsToTheirField();
    void refusesUnstorableLabels();
    void refusesBadFolders_data();
    void refusesBadFolders();
    void longFolderInsideProgramIsStoredRelative();
    void folderFileIsWrittenBeforeDataFile();
    void failedDataWriteLeavesEverything_data();
    void failedDataWriteLeavesEverything();
    void unwritableFolderFileWritesNothing();
    void restartKeepsTheSavedSet();
    void killedSaveLeavesWholeFiles_data();
    void killedSaveLeavesWholeFiles();
    void savesWaitingMedia_data();
    void savesWaitingMedia();
    void namesOfNewSets_data();
    void namesOfNewSets();
    void duplicateCopiesTheSet_data();
    void duplicateCopiesTheSet();

private:
    std::unique_ptr<testing::ProgramFolder> m_program;
    std::unique_ptr<CardState> m_data;
    QString m_other; // a second card folder with 12 pictures
};

void TestCardSetSave::init()
{
    m_program = std::make_unique<testing::ProgramFolder>();
    m_data = std::make_unique<CardState>(m_program->path());
    m_data->loadCardFolder();
    QVERIFY(m_data->takeNotices().isEmpty());
    m_other = m_program->file(QStringLiteral("sets/twelve"));
    testing::copyCards(m_other, 12);
}

void TestCardSetSave::cleanup()
{
    m_data.reset();
    m_program.reset();
}

void TestCardSetSave::savesTheCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint16>("count");
    QTest::newRow("40") << QStringLiteral("40") << qint16(40);
    QTest::newRow("letters after the number") << QStringLiteral("12abc") << qint16(12);
    QTest::newRow("leading blank") << QStringLiteral(" 7") << qint16(7);
    QTest::newRow("blanks inside") << QStringLiteral("1 2") << qint16(12);
    QTest::newRow("4.5 to even") << QStringLiteral("4.5") << qint16(4);
    QTest::newRow("5.5 to even") << QStringLiteral("5.5") << qint16(6);
    QTest::newRow("1") << QStringLiteral("1") << qint16(1);
    QTest::newRow("49") << QStringLiteral("49") << qint16(49);
    QTest::newRow("full-width, as Japanese input types it") << QStringLiteral("４６") << qint16(46);
}

void TestCardSetSave::savesTheCount()
{
    QFETCH(QString, text);
    QFETCH(qint16, count);
    SaveRequest request = requestFor(*m_data, m_other);
    request.countText = text;
    request.labels[48] = QStringLiteral("z"); // past any count: still written
    CardSetSaver saver(*m_data);
    const CardSetSaver::Result result = saver.save(request);
    QCOMPARE(result.outcome, CardSetSaver::Saved);
    QVERIFY(result.message.isEmpty());

    const QByteArray record = readAll(m_other + QStringLiteral("/karudata.dat"));
    QCOMPARE(record.size(), 256);
    QCOMPARE(storedCount(record), count);
    QCOMPARE(record.mid(2, 2), QByteArray("\x82\xA0")); // あ
    QCOMPARE(record.mid(2 + 2 * 45, 2), QByteArray("\x8B\xE2")); // 銀
    QCOMPARE(record.mid(2 + 2 * 46, 4), QByteArray(4, ' '));     // 47, 48 empty
    QCOMPARE(record.mid(2 + 2 * 48, 2), QByteArray("z "));
    QCOMPARE(record.mid(100), QByteArray(156, ' ')); // field 50 and filler

    QCOMPARE(m_data->cardCount(), count);
    QCOMPARE(m_data->cardFolder(), m_other);
    QCOMPARE(m_data->cardDataPath(), m_other + QStringLiteral("/karudata.dat"));
    QCOMPARE(m_data->cardPicturePath(3), m_other + QStringLiteral("/karue03.jpg"));
    QCOMPARE(m_data->label(0), QString(QChar(0x3000)));
    QCOMPARE(m_data->label(49), QStringLiteral("z"));
    QCOMPARE(m_data->label(50), QString());
}

void TestCardSetSave::refusesABadCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks") << QStringLiteral("  ");
    QTest::newRow("not a number") << QStringLiteral("abc");
    QTest::newRow("0") << QStringLiteral("0");
    QTest::newRow("0.4 rounds to 0") << QStringLiteral("0.4");
    QTest::newRow("50") << QStringLiteral("50");
    QTest::newRow("49.5 rounds to 50") << QStringLiteral("49.5");
    QTest::newRow("negative") << QStringLiteral("-3");
    QTest::newRow("beyond 16 bits") << QStringLiteral("40000");
    QTest::newRow("far beyond") << QStringLiteral("1e400");
}

void TestCardSetSave::refusesABadCount()
{
    QFETCH(QString, text);
    const Snapshot before(*m_data);
    SaveRequest request = requestFor(*m_data, m_other);
    request.countText = text;
    const CardSetSaver::Result result = CardSetSaver(*m_data).save(request);
    QCOMPARE(result.outcome, CardSetSaver::Refused);
    QVERIFY2(result.message.contains(QStringLiteral("枚数")), qPrintable(result.message));
    QVERIFY(result.message.contains(QStringLiteral("1 から 49")));
    QVERIFY(Snapshot(*m_data) == before);
    QVERIFY(!QFileInfo::exists(m_other + QStringLiteral("/karudata.dat")));
}

void TestCardSetSave::fitsLabelsToTheirField_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("stored");
    QTest::newRow("two letters") << QStringLiteral("ab") << QByteArray("ab") << int(LabelFit::Fits) << QStringLiteral("ab");
    QTest::newRow("one letter") << QStringLiteral("a") << QByteArray("a ") << int(LabelFit::Fits) << QStringLiteral("a");
    QTest::newRow("kanji") << QStringLiteral("銀") << QByteArray("\x8B\xE2") << int(LabelFit::Fits) << QStringLiteral("銀");
    QTest::newRow("half-width kana") << QStringLiteral("ﾊﾞ") << QByteArray("\xCA\xDE") << int(LabelFit::Fits) << QStringLiteral("ﾊﾞ");
    QTest::newRow("empty") << QString() << QByteArray("  ") << int(LabelFit::Fits) << QString();
    QTest::newRow("two kana keep the first") << QStringLiteral("あい") << QByteArray("\x82\xA0") << int(LabelFit::Cut) << QStringLiteral("あ");
    QTest::newRow("letter then kana") << QStringLiteral("aあ") << QByteArray("a ") << int(LabelFit::Cut) << QStringLiteral("a");
    QTest::newRow("three letters") << QStringLiteral("abc") << QByteArray("ab") << int(LabelFit::Cut) << QStringLiteral("ab");
    QTest::newRow("circled one") << QStringLiteral("①") << QByteArray("\x87\x40") << int(LabelFit::Fits) << QStringLiteral("①");
}

void TestCardSetSave::fitsLabelsToTheirField()
{
    QFETCH(QString, label);
    QFETCH(QByteArray, field);
    QFETCH(int, state);
    QFETCH(QString, stored);
    const LabelFit fit = fitLabel(label);
    QCOMPARE(int(fit.state), state);
    QCOMPARE(fit.stored, stored);

    SaveRequest request = requestFor(*m_data, m_other);
    request.labels[9] = label;
    QCOMPARE(CardSetSaver(*m_data).save(request).outcome, CardSetSaver::Saved);
    QCOMPARE(readAll(m_other + QStringLiteral("/karudata.dat")).mid(2 + 2 * 9, 2), field);
    // The table keeps the text as typed until the next start.
    QCOMPARE(m_data->label(10), label);
    QCOMPARE(m_data->label(11), QStringLiteral("さ"));
}

void TestCardSetSave::refusesUnstorableLabels()
{
    const Snapshot before(*m_data);
    SaveRequest request = requestFor(*m_data, m_other);
    request.labels[4] = QStringLiteral("카");
    request.labels[6] = QStringLiteral("銀😀"); // even past the part that would be kept
    QCOMPARE(fitLabel(request.labels[4]).state, LabelFit::Unstorable);
    const CardSetSaver::Result result = CardSetSaver(*m_data).save(request);
    QCOMPARE(result.outcome, CardSetSaver::Refused);
    QVERIFY(result.message.contains(QStringLiteral("5 番")));
    QVERIFY(result.message.contains(QStringLiteral("7 番")));
    QVERIFY(!result.message.contains(QStringLiteral("6 番")));
    QVERIFY(Snapshot(*m_data) == before);
    QVERIFY(!QFileInfo::exists(m_other + QStringLiteral("/karudata.dat")));
}

void TestCardSetSave::refusesBadFolders_data()
{
    QTest::addColumn<QString>("folder"); // relative ones lie in the program folder
    QTest::addColumn<QString>("why");
    QTest::newRow("missing") << QStringLiteral("sets/gone") << QStringLiteral("見つかりません");
    QTest::newRow("below a plain file") << QStringLiteral("plain/below") << QStringLiteral("見つかりません");
    QTest::newRow("a plain file") << QStringLiteral("plain") << QStringLiteral("見つかりません");
    QTest::newRow("empty") << QString() << QStringLiteral("決まっていません");
    QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("ルート");
    QTest::newRow("too long outside") << QStringLiteral("OUTSIDE") << QStringLiteral("長すぎて");
    QTest::newRow("read-only") << QStringLiteral("sets/twelve") << QStringLiteral("書き込めません");
}

void TestCardSetSave::refusesBadFolders()
{
    QFETCH(QString, folder);
    QFETCH(QString, why);
    writeAll(m_program->file(QStringLiteral("plain")), "not a folder");
    QTemporaryDir outside;
    if (folder == u"OUTSIDE") {
        folder = outside.path() + QStringLiteral("/かるたの札を入れておくとても長い名前のフォルダ");
        QVERIFY(QDir().mkpath(folder));
    } else if (!folder.isEmpty() && !folder.startsWith(u'/')) {
        folder = m_program->file(folder);
    }
    if (why == u"書き込めません") // as the installed default set is, even for root
        m_data->setWritableProbe([folder](const QString &f) { return f != folder; });
    const Snapshot before(*m_data);
    SaveRequest request = requestFor(*m_data, folder);
    const CardSetSaver::Result result = CardSetSaver(*m_data).save(request);
    QCOMPARE(result.outcome, CardSetSaver::Refused);
    QVERIFY2(result.message.contains(why), qPrintable(result.message));
    QVERIFY(result.message.contains(QStringLiteral("フォルダ変更")));
    QVERIFY(Snapshot(*m_data) == before);
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/karudata.dat")));
}

void TestCardSetSave::longFolderInsideProgramIsStoredRelative()
{
    const QString relative = QStringLiteral("sets/とても長い名前のかるたフォルダ");
    const QString folder = m_program->file(relative);
    QVERIFY(cp932::byteLength(folder) > 50);
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(CardSetSaver(*m_data).save(requestFor(*m_data, folder)).outcome, CardSetSaver::Saved);
    const QByteArray record = readAll(m_data->folderFilePath());
    QCOMPARE(storedCount(record), qint16(relative.size()));
    QCOMPARE(record.mid(2), cp932::encodeField(relative, 50));
    QCOMPARE(m_data->cardFolder(), folder);
}

void TestCardSetSave::folderFileIsWrittenBeforeDataFile()
{
    // What a save does not set stays as the file had it.
    const QString dataPath = m_other + QStringLiteral("/karudata.dat");
    QByteArray old = QByteArray(2, '\0') + QByteArray(98, 'q') + QByteArray("zz") + QByteArray(154, 'x');
    writeAll(dataPath, old);

    QStringList order;
    QByteArray folderFileAtDataWrite;
    CardSetSaver saver(*m_data);
    saver.setWriter([&](const QString &path, const QByteArray &record, QString *error) {
        order << QFileInfo(path).fileName();
        if (path == dataPath) {
            // By now the folder file is complete on disk.
            folderFileAtDataWrite = readAll(m_data->folderFilePath());
        }
        return CardState::writeRecord(path, record, error);
    });
    QCOMPARE(saver.save(requestFor(*m_data, m_other)).outcome, CardSetSaver::Saved);
    QCOMPARE(order, (QStringList{QStringLiteral("karupath.dat"), QStringLiteral("karudata.dat")}));
    QCOMPARE(storedCount(folderFileAtDataWrite), qint16(m_other.size()));
    QCOMPARE(folderFileAtDataWrite.mid(2), cp932::encodeField(m_other, 50));
    const QByteArray saved = readAll(dataPath);
    QCOMPARE(storedCount(saved), qint16(46));
    QCOMPARE(saved.mid(100), QByteArray("zz") + QByteArray(154, 'x'));
}

void TestCardSetSave::failedDataWriteLeavesEverything_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<bool>("folderFileExisted");
    QTest::newRow("a folder named karudata.dat") << QStringLiteral("folder") << true;
    QTest::newRow("same, no karupath.dat before") << QStringLiteral("folder") << false;
    QTest::newRow("read-only folder") << QStringLiteral("read-only") << true;
}

void TestCardSetSave::failedDataWriteLeavesEverything()
{
    QFETCH(QString, obstacle);
    QFETCH(bool, folderFileExisted);
    if (obstacle == u"read-only") {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QVERIFY(QFile::setPermissions(m_other, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else {
        QVERIFY(QDir().mkpath(m_other + QStringLiteral("/karudata.dat")));
    }
    if (!folderFileExisted)
        QVERIFY(QFile::remove(m_data->folderFilePath()));

    const Snapshot before(*m_data);
    const CardSetSaver::Result result = CardSetSaver(*m_data).save(requestFor(*m_data, m_other));
    QFile::setPermissions(m_other, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(result.outcome, CardSetSaver::Failed);
    QVERIFY2(result.message.contains(QStringLiteral("このフォルダには保存できません")), qPrintable(result.message));
    QVERIFY(result.message.contains(QStringLiteral("フォルダ変更")));
    QVERIFY(!result.message.contains(QStringLiteral("保存しました")));
    QVERIFY(Snapshot(*m_data) == before);
    QCOMPARE(QFileInfo::exists(m_data->folderFilePath()), folderFileExisted);
}

void TestCardSetSave::unwritableFolderFileWritesNothing()
{
    // A program folder below a plain file: karupath.dat cannot be written,
    // even by root.
    testing::ProgramFolder outer(false);
    writeAll(outer.file(QStringLiteral("plain")), "not a folder");
    CardState data(outer.file(QStringLiteral("plain/program")));
    data.loadCardFolder();
    data.takeNotices();

    const Snapshot before(data);
    const CardSetSaver::Result result = CardSetSaver(data).save(requestFor(data, m_other));
    QCOMPARE(result.outcome, CardSetSaver::Failed);
    QVERIFY(result.message.contains(QStringLiteral("karupath.dat")));
    QVERIFY(Snapshot(data) == before);
    QVERIFY(!QFileInfo::exists(m_other + QStringLiteral("/karudata.dat")));
}

void TestCardSetSave::restartKeepsTheSavedSet()
{
    SaveRequest request = requestFor(*m_data, m_other);
    request.countText = QStringLiteral("12");
    request.labels[0] = QStringLiteral("月");
    request.labels[1] = QStringLiteral("あい");
    QCOMPARE(CardSetSaver(*m_data).save(request).outcome, CardSetSaver::Saved);

    CardState restarted(m_program->path());
    restarted.loadCardFolder();
    QVERIFY(restarted.takeNotices().isEmpty());
    QCOMPARE(restarted.cardFolder(), m_other);
    QCOMPARE(restarted.cardCount(), 12);
    QCOMPARE(restarted.label(1), QStringLiteral("月"));
    QCOMPARE(restarted.label(2), QStringLiteral("あ")); // what the field could hold
    QCOMPARE(restarted.label(3), QStringLiteral("う"));
}

void TestCardSetSave::killedSaveLeavesWholeFiles_data()
{
    QTest::addColumn<bool>("sameFolder");  // saved into the card folder, or into another
    QTest::addColumn<QString>("dieAt");    // the file being put in place when the kill comes
    QTest::addColumn<bool>("nextInOther"); // the next start reads the other folder
    QTest::newRow("karupath.dat, another folder") << false << QStringLiteral("karupath.dat") << false;
    QTest::newRow("karudata.dat, same folder") << true << QStringLiteral("karudata.dat") << false;
    // karupath.dat is already in place: the next start reads the other
    // folder's data file, whole, as it was before.
    QTest::newRow("karudata.dat, another folder") << false << QStringLiteral("karudata.dat") << true;
}

void TestCardSetSave::killedSaveLeavesWholeFiles()
{
    QFETCH(bool, sameFolder);
    QFETCH(QString, dieAt);
    QFETCH(bool, nextInOther);
    // The other folder holds a set of its own.
    DataRecord otherSet;
    otherSet.setCount(12);
    for (int k = 1; k <= CardState::MaxCards; ++k)
        otherSet.setLabel(k, QStringLiteral("旧"));
    QString error;
    QVERIFY(CardState::writeRecord(m_other + QStringLiteral("/karudata.dat"), otherSet.bytes(), &error));
    const QString folder = sameFolder ? m_data->cardFolder() : m_other;
    const QString dying = (dieAt == u"karupath.dat" ? m_program->path() : folder) + u'/' + dieAt;
    const QByteArray before = readAll(dying);
    QVERIFY(!before.isEmpty());

    QProcess save;
    save.start(QStringLiteral(GINREI_SAVEKILLED), {m_program->path(), folder, dieAt});
    QVERIFY(save.waitForFinished(30000));
    QVERIFY2(save.exitStatus() == QProcess::CrashExit, save.readAllStandardError().constData());

    QCOMPARE(readAll(dying), before);
    CardState next(m_program->path());
    next.loadCardFolder();
    QVERIFY(next.takeNotices().isEmpty());
    QCOMPARE(next.cardFolder(), nextInOther ? m_other : m_program->cardFolder());
    QCOMPARE(next.cardCount(), nextInOther ? 12 : 46);
    QCOMPARE(next.label(1), nextInOther ? QStringLiteral("旧") : QStringLiteral("あ"));
}

void TestCardSetSave::savesWaitingMedia_data()
{
    QTest::addColumn<QString>("obstacle"); // a folder where a file must go
    QTest::addColumn<bool>("saved");
    QTest::newRow("all written") << QString() << true;
    QTest::newRow("a picture cannot be written: every one put back") << QStringLiteral("karue05.jpg") << false;
    QTest::newRow("karudata.dat cannot be written: the media put back") << QStringLiteral("karudata.dat") << false;
}

void TestCardSetSave::savesWaitingMedia()
{
    QFETCH(QString, obstacle);
    QFETCH(bool, saved);
    writeAll(m_other + QStringLiteral("/karuon04.wav"), "old reading");
    QFile::remove(m_other + QStringLiteral("/karue05.jpg"));
    if (!obstacle.isEmpty())
        QVERIFY(QDir().mkpath(m_other + u'/' + obstacle));
    SaveRequest request = requestFor(*m_data, m_other);
    request.media.setPicture(1, "new one");
    request.media.removePicture(2);
    request.media.setReading(3, "new three");
    request.media.removeReading(4);
    request.media.setPicture(5, "new five");
    const QStringList names{QStringLiteral("karue01.jpg"), QStringLiteral("karue02.jpg"), QStringLiteral("karuon03.wav"),
                            QStringLiteral("karuon04.wav")};
    QByteArrayList before;
    for (const QString &name : names)
        before << readAll(m_other + u'/' + name);
    const Snapshot state(*m_data);

    const CardSetSaver::Result result = CardSetSaver(*m_data).save(request);
    QCOMPARE(result.outcome == CardSetSaver::Saved, saved);
    QByteArrayList after;
    for (const QString &name : names)
        after << readAll(m_other + u'/' + name);
    if (saved) {
        QCOMPARE(after, (QByteArrayList{"new one", {}, "new three", {}}));
        QVERIFY(!QFileInfo::exists(m_other + QStringLiteral("/karue02.jpg")));
        QCOMPARE(readAll(m_other + QStringLiteral("/karue05.jpg")), QByteArray("new five"));
        return;
    }
    QVERIFY2(result.message.contains(QStringLiteral("元に戻しました")), qPrintable(result.message));
    QCOMPARE(after, before);
    QVERIFY(Snapshot(*m_data) == state);
}

void TestCardSetSave::namesOfNewSets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why"); // empty: made
    QTest::newRow("kanji") << QStringLiteral("家族") << QString();
    QTest::newRow("empty") << QString() << QStringLiteral("名前を入れて");
    QTest::newRow("a slash") << QStringLiteral("a/b") << QStringLiteral("「/」は使えません");
    QTest::newRow("two dots") << QStringLiteral("..") << QStringLiteral("「.」で始まる");
    QTest::newRow("blank at the end") << QStringLiteral("家族 ") << QStringLiteral("空白");
    QTest::newRow("not in code page 932") << QStringLiteral("카") << QStringLiteral("記録できない文字");
    QTest::newRow("too long for karupath.dat") << QStringLiteral("いろはにほへとちりぬるをわかよたれそつねならむうゐのおくやま")
                                               << QStringLiteral("半角 45 文字（全角 22 文字）まで"); // "sets/" + name
    QTest::newRow("taken") << QStringLiteral("twelve") << QStringLiteral("もうあります");
}

void TestCardSetSave::namesOfNewSets()
{
    QFETCH(QString, name);
    QFETCH(QString, why);
    const QString root = m_program->file(QStringLiteral("sets"));
    const QString problem = cardsets::nameProblem(*m_data, root, name);
    QVERIFY2(why.isEmpty() ? problem.isEmpty() : problem.contains(why), qPrintable(problem));
    if (!why.isEmpty())
        return;
    const cardsets::Outcome made = cardsets::create(root, name, 5);
    QVERIFY2(made.ok(), qPrintable(made.error));
    QCOMPARE(made.folder, root + u'/' + name);
    QCOMPARE(readAll(made.folder + QStringLiteral("/karudata.dat")), QByteArray("\x05\x00", 2) + QByteArray(254, ' '));
    QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("twelve"), name}));
    QVERIFY(!cardsets::create(root, name, 5).ok()); // never over a set
}

void TestCardSetSave::duplicateCopiesTheSet_data()
{
    QTest::addColumn<bool>("hasData");
    QTest::newRow("the default set, with its karudata.dat") << true;
    QTest::newRow("pictures only: the labels as shown") << false;
}

void TestCardSetSave::duplicateCopiesTheSet()
{
    QFETCH(bool, hasData);
    const QString from = hasData ? m_data->cardFolder() : m_other;
    writeAll(from + QStringLiteral("/notes.txt"), "not a card file");
    DataRecord shown;
    shown.setCount(3);
    const QString root = m_program->file(QStringLiteral("mine"));
    const cardsets::Outcome made = cardsets::duplicate(root, QStringLiteral("写し"), from, shown.bytes());
    QVERIFY2(made.ok(), qPrintable(made.error));
    QStringList cardFiles = QDir(from).entryList({QStringLiteral("karu*")}, QDir::Files);
    if (!hasData)
        cardFiles << QStringLiteral("karudata.dat");
    cardFiles.sort();
    QCOMPARE(QDir(made.folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), cardFiles);
    for (const QString &name : cardFiles)
        QCOMPARE(readAll(made.folder + u'/' + name), name == u"karudata.dat" && !hasData ? shown.bytes()
                                                                                          : readAll(from + u'/' + name));
    QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("写し")});
}

GINREI_TEST_MAIN(TestCardSetSave)
#include "tst_cardsetsave.moc"
