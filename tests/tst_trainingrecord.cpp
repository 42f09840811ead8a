// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The training record on disk: what a match hands over is what the
// statistics read back, over each period; a file that cannot be kept is
// left alone with one message; a killed program, a full disk and a second
// copy lose nothing already written; the CSV reads back with another
// program's reader.

#include "record/reactionclock.h"
#include "record/recordreader.h"
#include "record/recordschema.h"
#include "record/trainingrecord.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <algorithm>

using record::Period;
using record::Taker;

Q_DECLARE_METATYPE(Period)
Q_DECLARE_METATYPE(RecordState)

namespace {
constexpr qint64 Day = 24 * 60 * 60 * 1000;
constexpr qint64 Now = 20000 * Day;

// Waits until everything handed over so far has been written or dropped.
bool settle(TrainingRecord &record)
{
    bool done = false;
    record.whenWritten(nullptr, [&done] { done = true; });
    return QTest::qWaitFor([&done] { return done; }, 30000);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file as SQLite itself sees it, with no code of the record in between.
QVariantList column(const QString &path, const QString &sql)
{
    QVariantList values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (db.open() && query.exec(sql)) {
            while (query.next())
                values.append(query.value(0));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return values;
}

// Whether the takes in the file are those labelled 1..n for some n >= 1:
// the ones handed over first, with none missing in between.
bool takesAreAPrefix(const QString &path, int *n)
{
    const QVariantList labels = column(path, QStringLiteral("SELECT CAST(label AS INTEGER) FROM takes ORDER BY id"));
    for (qsizetype i = 0; i < labels.size(); ++i) {
        if (labels.at(i).toInt() != i + 1)
            return false;
    }
    *n = int(labels.size());
    return *n > 0;
}

// Read-only folders and a small disk need a file system of their own,
// which only root can mount; a folder without write permission stands in
// for the read-only one otherwise.
bool mountTmpfs(const QString &dir, const QString &options)
{
    return ::geteuid() == 0 && QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                     QStringLiteral("-o"), options, QStringLiteral("tmpfs"), dir}) == 0;
}

void unmount(const QString &dir)
{
    QProcess::execute(QStringLiteral("umount"), {dir});
}

bool makeReadOnly(const QString &dir)
{
    if (::geteuid() == 0)
        return QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), dir}) == 0;
    return QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
}

record::Take take(int card, const QString &label, Taker taker, std::optional<int> ms)
{
    return {card, label, card + 10, taker, ms};
}

// A match of n player's takes labelled 1..n, handed over and written.
bool recordMatch(const QString &path, const QString &folder, int n, const QString &labelTail = QString())
{
    TrainingRecord record(path);
    const auto key = record.startMatch({folder, 46, 3, true});
    for (int i = 1; i <= n; ++i)
        record.recordTake(key, take((i - 1) % 46 + 1, QString::number(i) + labelTail, Taker::Player, 300 + i));
    record.endMatch(key, {qint64(n) * 5, 0, record::Result::Won});
    return settle(record) && record.state() == RecordState::Recording;
}
} // namespace

class TestTrainingRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void statistics_data();
    void statistics();
    void trendIsOfTheLatestTimes();
    void reactionTimes_data();
    void reactionTimes();
    void faults_data();
    void faults();
    void diskFullStopsOnceKeepingWhatWasWritten();
    void secondCopyRecordsAlongside();
    void killedProgramKeepsItsTakes();
    void stepsRunInOneTransaction();
    void csvReadsBack();
    void resetDeletesOneSetOnly();

private:
    QTemporaryDir m_dir;
    QString m_shared; // the record of initTestCase's matches
    QString m_folder;
};

void TestTrainingRecord::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("ginrei-karuta")); // as the program names itself
    QVERIFY(TrainingRecord::defaultPath().endsWith(QStringLiteral("/ginrei-karuta/training-record.sqlite")));
    m_shared = m_dir.filePath(QStringLiteral("shared.sqlite"));
    m_folder = m_dir.filePath(QStringLiteral("sets/kana"));

    // Reaction times on a monotonic clock the test moves by hand, and the
    // wall clock set to days in the past.
    qint64 monotonic = 5000;
    ReactionClock clock([&monotonic] { return monotonic; });
    auto react = [&](int ms) {
        clock.announced();
        monotonic += ms;
        return clock.sinceAnnouncement();
    };
    qint64 wall = Now - 10 * Day;
    TrainingRecord record(m_shared);
    record.setWallClock([&wall] { return wall; });

    // Ten days ago: card 1 under its old label, taken by the player.
    const auto old = record.startMatch({m_folder, 3, 2, false});
    record.recordTake(old, take(1, QStringLiteral("古"), Taker::Player, react(900)));
    record.endMatch(old, {5, 0, record::Result::Won});

    // An hour ago, a drill, the folder written another way.
    wall = Now - Day / 24;
    record::MatchStart drill{m_folder + QStringLiteral("/../kana/"), 3, 4, true, true};
    const auto recent = record.startMatch(drill);
    record.recordTake(recent, take(2, QStringLiteral("い"), Taker::Player, react(432)));
    react(5000);
    record.recordTake(recent, take(1, QStringLiteral("あ"), Taker::Computer, std::nullopt));
    record.recordWrongTake(recent, {3, 2, 13, 700});
    record.recordTake(recent, take(3, QStringLiteral("う"), Taker::Player, react(1200)));
    record.endMatch(recent, {7, 5, record::Result::Abandoned});

    // Another card set, kept apart.
    const auto other = record.startMatch({m_dir.filePath(QStringLiteral("sets/other")), 3, 3, true});
    record.recordTake(other, take(2, QStringLiteral("x"), Taker::Player, react(100)));
    // A set played at a level, then in practice.
    const QString practised = m_dir.filePath(QStringLiteral("sets/practised"));
    const auto atLevel = record.startMatch({practised, 3, 3, false});
    record.recordTake(atLevel, take(1, QStringLiteral("あ"), Taker::Player, react(250)));
    const auto practice = record.startMatch({practised, 3, 3, false, false, QString::fromLatin1(record::PracticeOpponent)});
    record.recordTake(practice, take(2, QStringLiteral("い"), Taker::Player, react(2500)));
    QVERIFY(settle(record));
    QCOMPARE(record.state(), RecordState::Recording);
}

void TestTrainingRecord::statistics_data()
{
    QTest::addColumn<Period>("period");
    QTest::addColumn<int>("card1Takes");
    QTest::addColumn<double>("card1Median"); // -1: none
    QTest::addColumn<QList<double>>("matchMedians");
    // The record as a version that kept no counts left it, brought up to date.
    QTest::addColumn<bool>("upgraded");
    QTest::newRow("all") << Period::All << 2 << 900.0 << QList<double>{900, 816} << false;
    QTest::newRow("30 days") << Period::Last30Days << 2 << 900.0 << QList<double>{900, 816} << false;
    QTest::newRow("7 days") << Period::Last7Days << 1 << -1.0 << QList<double>{816} << false;
    QTest::newRow("all, counts made by the upgrade") << Period::All << 2 << 900.0 << QList<double>{900, 816} << true;
}

void TestTrainingRecord::statistics()
{
    QFETCH(Period, period);
    QFETCH(int, card1Takes);
    QFETCH(double, card1Median);
    QFETCH(QList<double>, matchMedians);
    QFETCH(bool, upgraded);

    QString path = m_shared;
    if (upgraded) {
        path = m_dir.filePath(QStringLiteral("upgraded.sqlite"));
        QFile::remove(path);
        QVERIFY(QFile::copy(m_shared, path));
        for (const char *sql : {"DROP TABLE take_counts", "DROP TRIGGER takes_counted", "DROP TRIGGER match_ended",
                                "DROP INDEX takes_by_card", "ALTER TABLE matches DROP COLUMN player_median_ms",
                                "PRAGMA user_version = 1"})
            column(path, QString::fromLatin1(sql));
        TrainingRecord record(path);
        QVERIFY(settle(record));
        QCOMPARE(record.state(), RecordState::Recording);
    }
    RecordReader reader(path);
    const auto stats = reader.statistics(m_folder, {QStringLiteral("あ"), QStringLiteral("い"), QStringLiteral("う")},
                                         period, Now);
    QCOMPARE(reader.state(), RecordState::Recording);
    QCOMPARE(stats.cards.size(), 3);
    const record::CardRow &a = stats.cards.at(0);
    QCOMPARE(a.label, QStringLiteral("あ")); // today's label, whatever it was called then
    QCOMPARE(a.takes, card1Takes);
    QCOMPARE(a.computerFirst, 1);
    QCOMPARE(a.medianMs.value_or(-1), card1Median);
    QCOMPARE(stats.cards.at(1).medianMs.value_or(-1), 432.0); // the other set's 100 ms is not here
    QCOMPARE(stats.cards.at(1).takes, 1);
    QCOMPARE(stats.cards.at(2).bestMs.value_or(-1), 1200);
    QCOMPARE(stats.cards.at(2).wrongTakes, 1);
    QCOMPARE(stats.cards.at(1).wrongWhileRead, 1);
    QCOMPARE(stats.confusions.size(), 1);
    const record::Confusion &mixed = stats.confusions.first();
    QCOMPARE((QList<qint64>{mixed.readCard, mixed.clickedCard, mixed.count, mixed.lastAt}),
             (QList<qint64>{2, 3, 1, Now - Day / 24}));

    QList<double> medians;
    for (const record::MatchPoint &point : stats.perMatch)
        medians.append(point.medianMs.value_or(-1));
    QCOMPARE(medians, matchMedians);
    const record::MatchRow &last = stats.history.constLast();
    QCOMPARE(last.startedAt, Now - Day / 24);
    QCOMPARE(last.endedAt.value_or(0), Now - Day / 24);
    QCOMPARE(last.level, 4);
    QVERIFY(last.voice);
    QVERIFY(last.drill);
    QCOMPARE(last.cardCount, 3);
    QCOMPARE(last.playerScore, 7);
    QCOMPARE(last.computerScore, 5);
    QCOMPARE(last.result, record::Result::Abandoned);
    QCOMPARE(last.opponent, QStringLiteral("level"));
    QCOMPARE(stats.perMatch.constLast().level, 4);
}

void TestTrainingRecord::trendIsOfTheLatestTimes()
{
    // Card 1 of a set of its own, 20 to 19 days ago: 5 slow times, then 10
    // of 900 ms and 10 of 600 ms, with the computer's takes in between (a
    // time the computer's take should not have, and it is not the player's).
    const QString path = m_dir.filePath(QStringLiteral("trend.sqlite"));
    const QString folder = m_dir.filePath(QStringLiteral("sets/trend"));
    {
        TrainingRecord record(path);
        qint64 wall = Now - 20 * Day;
        record.setWallClock([&wall] { return wall; });
        const auto key = record.startMatch({folder, 1, 3, true});
        for (int i = 0; i < 25; ++i) {
            wall += 1000;
            record.recordTake(key, take(1, QStringLiteral("あ"), Taker::Player, i < 5 ? 5000 : i < 15 ? 900 : 600));
            record.recordTake(key, take(1, QStringLiteral("あ"), Taker::Computer, 100));
        }
        record.endMatch(key, {0, 0, record::Result::Abandoned});
        QVERIFY(settle(record));
    }
    RecordReader reader(path);
    for (const Period period : {Period::All, Period::Last30Days})
        QCOMPARE(reader.statistics(folder, {QStringLiteral("あ")}, period, Now).cards.at(0).trendMs.value_or(0), -300.0);
    QVERIFY(!reader.statistics(folder, {QStringLiteral("あ")}, Period::Last7Days, Now).cards.at(0).trendMs);
}

void TestTrainingRecord::reactionTimes_data()
{
    QTest::addColumn<QString>("set"); // under the test's folder
    QTest::addColumn<Period>("period");
    QTest::addColumn<QString>("times"); // card:ms, by card
    // The computer's take of card 1 has no time and is not among them.
    QTest::newRow("all") << "sets/kana" << Period::All << "1:900 2:432 3:1200";
    QTest::newRow("30 days") << "sets/kana" << Period::Last30Days << "1:900 2:432 3:1200";
    QTest::newRow("7 days") << "sets/kana" << Period::Last7Days << "2:432 3:1200";
    QTest::newRow("other set") << "sets/other" << Period::Last30Days << "2:100";
    QTest::newRow("set never played") << "sets/none" << Period::All << "";
    QTest::newRow("practice matches left out") << "sets/practised" << Period::All << "1:250";
}

void TestTrainingRecord::reactionTimes()
{
    QFETCH(QString, set);
    QFETCH(Period, period);
    QFETCH(QString, times);
    RecordReader reader(m_shared);
    const QHash<int, QList<int>> byCard = reader.reactionTimes(m_dir.filePath(set), period, Now);
    QList<int> cards = byCard.keys();
    std::sort(cards.begin(), cards.end());
    QStringList shown;
    for (int card : cards) {
        for (int ms : byCard.value(card))
            shown << QStringLiteral("%1:%2").arg(card).arg(ms);
    }
    QCOMPARE(shown.join(u' '), times);
    QCOMPARE(reader.state(), RecordState::Recording);
}

void TestTrainingRecord::faults_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<RecordState>("state");
    QTest::addColumn<bool>("namesFolder");
    // Whether the statistics window sees it too: it does not scan the whole
    // file for damage, as the writer does once at start.
    QTest::addColumn<bool>("readerRefuses");
    QTest::newRow("folder cannot be made") << "under a file" << RecordState::FolderUnwritable << true << false;
    QTest::newRow("read-only folder") << "read-only, empty" << RecordState::FolderUnwritable << true << false;
    QTest::newRow("record in a read-only folder") << "read-only, record" << RecordState::FolderUnwritable << true << false;
    QTest::newRow("random bytes") << "random" << RecordState::Damaged << false << true;
    QTest::newRow("truncated record") << "truncated" << RecordState::Damaged << false << false;
    // Damage that new takes would never touch, found only by a check of the
    // whole file before anything is written.
    QTest::newRow("an old page damaged") << "old page" << RecordState::Damaged << false << false;
    QTest::newRow("another program's database") << "foreign" << RecordState::Damaged << false << true;
    QTest::newRow("newer version") << "newer" << RecordState::NewerVersion << false << true;
}

void TestTrainingRecord::faults()
{
    QFETCH(QString, kind);
    QFETCH(RecordState, state);
    QFETCH(bool, namesFolder);
    QFETCH(bool, readerRefuses);

    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(folder));
    bool mounted = false;
    const auto cleanUp = qScopeGuard([&] {
        if (mounted)
            unmount(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    });
    if (kind == QLatin1String("under a file")) {
        QFile file(folder + QStringLiteral("/plain"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        folder = file.fileName() + QStringLiteral("/data");
    } else if (kind.startsWith(QLatin1String("read-only"))) {
        mounted = mountTmpfs(folder, QStringLiteral("size=1m"));
        if (kind.endsWith(QLatin1String("record")))
            QVERIFY(recordMatch(folder + QStringLiteral("/training-record.sqlite"), m_folder, 3));
        if (!makeReadOnly(folder) || (::geteuid() == 0 && !mounted))
            QSKIP("cannot make a read-only folder here");
    }
    const QString path = folder + QStringLiteral("/training-record.sqlite");
    if (kind == QLatin1String("random")) {
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        QRandomGenerator(15).fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    } else if (kind == QLatin1String("truncated")) {
        QVERIFY(recordMatch(path, m_folder, 400, QString(100, u'x')));
        QFile file(path);
        QVERIFY(file.size() > 16 * 4096);
        QVERIFY(file.resize(file.size() / 2));
    } else if (kind == QLatin1String("old page")) {
        QVERIFY(recordMatch(path, m_folder, 400, QString(100, u'x')));
        QFile file(path);
        QVERIFY(file.size() > 20 * 4096);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(12 * 4096)); // among the first takes
        file.write(QByteArray(4096, '\x5a'));
    } else if (kind == QLatin1String("foreign")) {
        QVERIFY(column(path, QStringLiteral("CREATE TABLE notes (text TEXT)")).isEmpty());
    } else if (kind == QLatin1String("newer")) {
        QVERIFY(recordMatch(path, m_folder, 3));
        column(path, QStringLiteral("PRAGMA user_version = %1").arg(recordschema::currentVersion() + 1));
    }
    const QByteArray before = readAll(path);

    TrainingRecord record(path);
    QSignalSpy problems(&record, &TrainingRecord::problem);
    for (int match = 0; match < 2; ++match) {
        const auto key = record.startMatch({m_folder, 46, 3, true});
        record.recordTake(key, take(1, QStringLiteral("あ"), Taker::Player, 500));
        record.endMatch(key, {5, 0, record::Result::Won});
        QVERIFY(settle(record));
    }
    QCOMPARE(record.state(), state);
    QCOMPARE(problems.size(), 1);
    const QString named = QDir::toNativeSeparators(namesFolder ? folder : path);
    QVERIFY2(problems.at(0).at(0).toString().endsWith(named), qPrintable(problems.at(0).at(0).toString()));
    QCOMPARE(readAll(path), before);

    // The statistics window refuses the same files, with the same message.
    if (readerRefuses) {
        RecordReader reader(path);
        QVERIFY(reader.statistics(m_folder, {QStringLiteral("あ")}, Period::All).history.isEmpty());
        QVERIFY(reader.reactionTimes(m_folder, Period::All).isEmpty());
        QCOMPARE(reader.state(), state);
        QCOMPARE(reader.problemText(), record.problemText());
        QCOMPARE(readAll(path), before);
    }
}

void TestTrainingRecord::diskFullStopsOnceKeepingWhatWasWritten()
{
    const QString disk = m_dir.filePath(QStringLiteral("small-disk"));
    QVERIFY(QDir().mkpath(disk));
    if (!mountTmpfs(disk, QStringLiteral("size=256k")))
        QSKIP("a small file system needs root and mount");
    const auto unmountDisk = qScopeGuard([&] { unmount(disk); });
    const QString path = disk + QStringLiteral("/training-record.sqlite");
    {
        TrainingRecord record(path);
        QSignalSpy problems(&record, &TrainingRecord::problem);
        const auto key = record.startMatch({m_folder, 46, 3, true});
        int handed = 0;
        while (record.state() != RecordState::DiskFull && handed < 5000) {
            for (int i = 0; i < 10; ++i) {
                ++handed;
                record.recordTake(key, take(1, QString::number(handed), Taker::Player, 400));
            }
            QVERIFY(settle(record));
        }
        QCOMPARE(record.state(), RecordState::DiskFull);
        // The match goes on being handed over; no second message.
        record.recordTake(key, take(2, QStringLiteral("after"), Taker::Player, 400));
        record.endMatch(key, {5, 0, record::Result::Won});
        QVERIFY(settle(record));
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems.at(0).at(0).toString().endsWith(path));
    }
    int written = 0;
    QVERIFY(takesAreAPrefix(path, &written));
    QCOMPARE(column(path, QStringLiteral("PRAGMA integrity_check")), QVariantList{QStringLiteral("ok")});
}

void TestTrainingRecord::secondCopyRecordsAlongside()
{
    const QString path = m_dir.filePath(QStringLiteral("two-copies.sqlite"));
    constexpr int Takes = 300;
    // Both copies write a take every 2 ms or so for about a second, so that
    // they often want the file at the same moment.
    QProcess other;
    other.start(QStringLiteral(GINREI_RECORDTAKES),
                {path, m_dir.filePath(QStringLiteral("sets/other")), QString::number(Takes), QStringLiteral("2"),
                 QStringLiteral("end")});
    QVERIFY(other.waitForStarted());
    QVERIFY(other.waitForReadyRead(30000));
    {
        TrainingRecord record(path);
        const auto key = record.startMatch({m_folder, 46, 3, true});
        for (int i = 1; i <= Takes; ++i) {
            record.recordTake(key, take(1, QString::number(i), Taker::Player, i));
            QTest::qWait(2);
        }
        record.endMatch(key, {5, 0, record::Result::Won});
        QVERIFY(settle(record));
        QCOMPARE(record.state(), RecordState::Recording);
    }
    QVERIFY(other.state() == QProcess::NotRunning || other.waitForFinished(60000));
    QVERIFY2(other.exitCode() == 0, other.readAllStandardError().constData());
    QCOMPARE(column(path, QStringLiteral("SELECT count(*) FROM takes GROUP BY match_id ORDER BY match_id")),
             (QVariantList{Takes, Takes}));
    QCOMPARE(column(path, QStringLiteral("SELECT count(*) FROM matches WHERE result = 'won'")), QVariantList{2});
}

void TestTrainingRecord::killedProgramKeepsItsTakes()
{
    const QString path = m_dir.filePath(QStringLiteral("killed.sqlite"));
    constexpr int Takes = 30;
    QProcess program;
    program.start(QStringLiteral(GINREI_RECORDTAKES),
                  {path, m_folder, QString::number(Takes), QStringLiteral("20"), QStringLiteral("hang")});
    QVERIFY(program.waitForStarted());
    QByteArray out;
    QVERIFY(QTest::qWaitFor([&] {
        out += program.readAllStandardOutput();
        return out.contains(QByteArray("handed ") + QByteArray::number(Takes) + '\n') || program.state() != QProcess::Running;
    }, 30000));
    program.kill(); // SIGKILL: no handler, no destructor runs
    QVERIFY(program.waitForFinished());
    QVERIFY2(program.exitStatus() == QProcess::CrashExit, program.readAllStandardError().constData());

    // At most the take being handed over when the kill came is lost.
    int survived = 0;
    QVERIFY(takesAreAPrefix(path, &survived));
    QVERIFY2(survived >= Takes - 1, qPrintable(QString::number(survived)));
    RecordReader reader(path);
    const auto stats = reader.statistics(m_folder, QStringList(46, QString()), Period::All);
    QCOMPARE(stats.history.size(), 1);
    QCOMPARE(stats.history.at(0).result, record::Result::Unfinished);
}

void TestTrainingRecord::stepsRunInOneTransaction()
{
    const QString path = m_dir.filePath(QStringLiteral("steps.sqlite"));
    const recordschema::Step first = {QStringLiteral("CREATE TABLE a (x)"), QStringLiteral("INSERT INTO a VALUES (1)")};
    const recordschema::Step second = {QStringLiteral("ALTER TABLE a ADD COLUMN y"), QStringLiteral("CREATE TABLE b (x)")};
    const recordschema::Step broken = {QStringLiteral("CREATE TABLE c (x)"), QStringLiteral("NOT SQL")};
    auto prepare = [&path](const QList<recordschema::Step> &steps) {
        recordschema::Outcome outcome;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("steps"));
            db.setDatabaseName(path);
            if (db.open())
                outcome = recordschema::prepareForWriting(db, steps);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("steps"));
        return outcome.state;
    };
    auto tables = [&path] { return column(path, QStringLiteral("SELECT name FROM sqlite_schema ORDER BY name")); };

    // Two steps at once, the second failing: the first is undone too.
    QCOMPARE(prepare({first, broken}), RecordState::WriteFailed);
    QCOMPARE(column(path, QStringLiteral("PRAGMA user_version")), QVariantList{0});
    QVERIFY(tables().isEmpty());
    // From nothing to 1, then from 1 to 2 with only the new step run.
    QCOMPARE(prepare({first}), RecordState::Recording);
    QCOMPARE(prepare({first, second}), RecordState::Recording);
    QCOMPARE(column(path, QStringLiteral("PRAGMA user_version")), QVariantList{2});
    QCOMPARE(column(path, QStringLiteral("SELECT count(*) FROM a")), QVariantList{1});
    QCOMPARE(column(path, QStringLiteral("PRAGMA journal_mode")), QVariantList{QStringLiteral("wal")});
    // A failing step after the file was at 2 leaves it at 2.
    QCOMPARE(prepare({first, second, broken}), RecordState::WriteFailed);
    QCOMPARE(tables(), (QVariantList{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(column(path, QStringLiteral("PRAGMA user_version")), QVariantList{2});
}

void TestTrainingRecord::csvReadsBack()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    QVERIFY2(!python.isEmpty(), "python3 is needed to read the CSV back");
    const QString path = m_dir.filePath(QStringLiteral("csv.sqlite"));
    const QString folder = m_dir.filePath(QStringLiteral("sets/a, \"quoted\" set"));
    const QStringList labels = {QStringLiteral("あ,い"), QStringLiteral("\"う\""), QStringLiteral("え\nお"),
                                QStringLiteral(" 銀 ")};
    {
        TrainingRecord record(path);
        const auto key = record.startMatch({folder, 4, 5, false});
        for (int i = 0; i < labels.size(); ++i)
            record.recordTake(key, take(i + 1, labels.at(i), i % 2 ? Taker::Computer : Taker::Player,
                                        i % 2 ? std::nullopt : std::optional<int>(250 * (i + 1))));
        record.recordWrongTake(key, {2, 4, 7, 333});
        record.endMatch(key, {-3, 10, record::Result::Lost});
        QVERIFY(settle(record));
    }
    RecordReader reader(path);
    QString error;
    const QString takesFile = m_dir.filePath(QStringLiteral("takes.csv"));
    const QString matchesFile = m_dir.filePath(QStringLiteral("matches.csv"));
    QVERIFY2(reader.exportTakes(takesFile, folder, &error), qPrintable(error));
    QVERIFY2(reader.exportMatches(matchesFile, QString(), &error), qPrintable(error));

    auto readBack = [&python](const QString &file) {
        QProcess reading;
        reading.start(python, {QStringLiteral("-c"),
                               QStringLiteral("import csv, json, sys\n"
                                              "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                              "    print(json.dumps(list(csv.reader(f, strict=True))))"),
                               file});
        reading.waitForFinished();
        return QJsonDocument::fromJson(reading.readAllStandardOutput()).array();
    };
    const QJsonArray takes = readBack(takesFile);
    QCOMPARE(takes.size(), 1 + 4 + 1);
    QCOMPARE(takes.at(0).toArray().at(9).toString(), QStringLiteral("反応時間(ms)"));
    for (int i = 0; i < labels.size(); ++i) {
        const QJsonArray row = takes.at(i + 1).toArray();
        QCOMPARE(row.size(), 10);
        QCOMPARE(row.at(1).toString(), QDir::cleanPath(folder));
        QCOMPARE(row.at(5).toString(), labels.at(i));
        QCOMPARE(row.at(8).toString(), i % 2 ? QStringLiteral("コンピュータ") : QStringLiteral("あなた"));
        QCOMPARE(row.at(9).toString(), i % 2 ? QString() : QString::number(250 * (i + 1)));
    }
    const QJsonArray wrong = takes.at(5).toArray();
    QCOMPARE(wrong.at(3).toString(), QStringLiteral("お手つき"));
    QCOMPARE(wrong.at(4).toString() + wrong.at(6).toString() + wrong.at(7).toString() + wrong.at(9).toString(),
             QStringLiteral("247333"));

    const QJsonArray matches = readBack(matchesFile);
    QCOMPARE(matches.size(), 2);
    const QJsonArray match = matches.at(1).toArray();
    QCOMPARE(match.at(4).toString() + match.at(5).toString() + match.at(9).toString() + match.at(10).toString()
                 + match.at(11).toString(),
             QStringLiteral("5しない-310負け"));

    // Stopped after two of the five rows: the earlier file as it was, and
    // no file where there was none.
    const QByteArray before = readAll(takesFile);
    for (const QString &file : {takesFile, m_dir.filePath(QStringLiteral("stopped.csv"))}) {
        QList<qint64> told;
        QVERIFY(!reader.exportTakes(file, folder, &error, [&told](qint64 written, qint64 total) {
            told << written << total;
            return written < 2;
        }));
        QCOMPARE(told, (QList<qint64>{0, 5, 1, 5, 2, 5}));
        QVERIFY(error.isEmpty());
    }
    QCOMPARE(readAll(takesFile), before);
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("stopped.csv"))));
}

void TestTrainingRecord::resetDeletesOneSetOnly()
{
    const QString path = m_dir.filePath(QStringLiteral("reset.sqlite"));
    const QString other = m_dir.filePath(QStringLiteral("sets/other"));
    QVERIFY(recordMatch(path, m_folder, 5));
    QVERIFY(recordMatch(path, other, 7));
    // Another copy of the program is playing a match of the set meanwhile.
    TrainingRecord playing(path);
    const auto cut = playing.startMatch({m_folder, 46, 3, true});
    playing.recordTake(cut, take(1, QStringLiteral("before"), Taker::Player, 400));
    QVERIFY(settle(playing));
    {
        TrainingRecord record(path);
        QSignalSpy reset(&record, &TrainingRecord::cardSetReset);
        record.keepValue(QStringLiteral("opponent speed"), QStringLiteral("0.85"));
        record.resetCardSet(m_folder);
        QVERIFY(settle(record));
        QCOMPARE(reset.size(), 1);
    }
    // Its match is gone with the set; its next match is recorded.
    playing.recordTake(cut, take(2, QStringLiteral("after"), Taker::Player, 400));
    playing.endMatch(cut, {10, 0, record::Result::Won});
    const auto next = playing.startMatch({other, 46, 3, true});
    playing.recordTake(next, take(3, QStringLiteral("next"), Taker::Player, 400));
    QVERIFY(settle(playing));
    QCOMPARE(playing.state(), RecordState::Recording);
    RecordReader reader(path);
    const QStringList labels(46, QString());
    QVERIFY(reader.statistics(m_folder, labels, Period::All).history.isEmpty());
    QCOMPARE(reader.statistics(other, labels, Period::All).history.size(), 2);
    QCOMPARE(column(path, QStringLiteral("SELECT count(*) FROM takes")), QVariantList{8});
    QCOMPARE(reader.keptValue(QStringLiteral("opponent speed")).value_or(QString()), QStringLiteral("0.85"));
}

QTEST_GUILESS_MAIN(TestTrainingRecord)
#include "tst_trainingrecord.moc"
