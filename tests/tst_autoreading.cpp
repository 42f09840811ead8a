// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The automatic reading's rules, without a window: what the choices mean,
// which card each tick reads, and which notices move a run on.

#include "data/module1.h"
#include "reading/autoreading.h"

#include <QTemporaryDir>
#include <QTest>

namespace {
// A card state with the default 46 cards, loaded from a scratch folder.
struct Cards {
    Cards(int count = 46)
    {
        QDir(dir.path()).mkdir(QStringLiteral("ondat"));
        data.LoadCardFolder();
        if (count != 46) {
            Module1::LabelTable labels = data.labels();
            data.adoptSavedSet(data.cardFolder(), labels, qint16(count));
        }
    }
    QTemporaryDir dir;
    Module1 data{dir.path()};
};

// Runs a whole run, every notice successful; returns the cards read.
QList<int> readAll(AutoReading &reading)
{
    QList<int> cards;
    for (int guard = 0; guard < 200; ++guard) {
        const AutoReading::Reading r = reading.tick();
        cards << r.card;
        const AutoReading::Next next = reading.done(r.run, 1);
        if (next == AutoReading::Next::End)
            return cards;
        if (next != AutoReading::Next::Schedule)
            break;
    }
    return {};
}
} // namespace

class TestAutoReading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readingCountFromText_data();
    void readingCountFromText();
    void readingMethodFromText_data();
    void readingMethodFromText();
    void aiuOrderReadsEveryCardAscending();
    void randomOrderReadsEachCardOnce_data();
    void randomOrderReadsEachCardOnce();
    void twiceReadsEachCardTwiceInARow();
    void runsWithoutActivationRepeatTheOrder();
    void failedReadingStopsTheRun();
    void noticesOfEndedRunsAreIgnored_data();
    void noticesOfEndedRunsAreIgnored();
    void sharedOrderWrittenButNotReadBack();
};

void TestAutoReading::readingCountFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("twice");
    QTest::newRow("1") << QStringLiteral("1") << false;
    QTest::newRow("2") << QStringLiteral("2") << true;
    QTest::newRow("3 counts as 2") << QStringLiteral("3") << true;
    QTest::newRow("0") << QStringLiteral("0") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("not a number") << QStringLiteral("abc") << false;
    QTest::newRow("1.5 is twice") << QStringLiteral("1.5") << true;
    QTest::newRow("negative") << QStringLiteral("-4") << false;
}

void TestAutoReading::readingCountFromText()
{
    QFETCH(QString, text);
    QFETCH(bool, twice);
    QVERIFY(AutoReading::readingCount(text) <= 2);
    Cards cards(2);
    AutoReading reading(cards.data);
    reading.activate(1);
    reading.start(text, QStringLiteral("2：あいう順"));
    QCOMPARE(readAll(reading).size(), twice ? 4 : 2);
}

void TestAutoReading::readingMethodFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("method");
    QTest::newRow("random") << QStringLiteral("1：ランダム") << 1;
    QTest::newRow("aiu") << QStringLiteral("2：あいう順") << 2;
    QTest::newRow("just 2") << QStringLiteral("2") << 2;
    QTest::newRow("3 falls back to random") << QStringLiteral("3：なにか") << 1;
    QTest::newRow("letters fall back to random") << QStringLiteral("あいう順") << 1;
    QTest::newRow("empty falls back to random") << QString() << 1;
}

void TestAutoReading::readingMethodFromText()
{
    QFETCH(QString, text);
    QFETCH(int, method);
    QCOMPARE(int(AutoReading::readingMethod(text)), method);
    Cards cards;
    AutoReading reading(cards.data);
    reading.activate(7);
    const AutoReading::Timer timer = reading.start(QStringLiteral("1"), text);
    QCOMPARE(timer, method == 2 ? AutoReading::Timer::Timer1 : AutoReading::Timer::Timer2);
}

void TestAutoReading::aiuOrderReadsEveryCardAscending()
{
    Cards cards;
    AutoReading reading(cards.data);
    reading.activate(3);
    QCOMPARE(cards.data.readingPosition(), 0);
    reading.start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    QCOMPARE(cards.data.readingPosition(), 1);
    QList<int> expected;
    for (int i = 1; i <= 46; ++i)
        expected << i;
    QCOMPARE(readAll(reading), expected);
    QCOMPARE(reading.state(), AutoReading::State::Finished);
}

void TestAutoReading::randomOrderReadsEachCardOnce_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<quint64>("seed");
    QTest::newRow("one card") << 1 << quint64(5);
    QTest::newRow("default set") << 46 << quint64(11);
    QTest::newRow("full grid") << 49 << quint64(12345);
}

void TestAutoReading::randomOrderReadsEachCardOnce()
{
    QFETCH(int, count);
    QFETCH(quint64, seed);
    Cards cards(count);
    AutoReading reading(cards.data);
    reading.activate(seed);
    reading.start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    QList<int> read = readAll(reading);
    QCOMPARE(read.size(), count);
    std::sort(read.begin(), read.end());
    for (int i = 0; i < count; ++i)
        QCOMPARE(read[i], i + 1);
}

void TestAutoReading::twiceReadsEachCardTwiceInARow()
{
    Cards cards(10);
    AutoReading reading(cards.data);
    reading.activate(99);
    reading.start(QStringLiteral("2"), QStringLiteral("1：ランダム"));
    QCOMPARE(reading.repeatPending(), true);
    QList<int> read;
    for (int i = 0; i < 20; ++i) {
        const AutoReading::Reading r = reading.tick();
        read << r.card;
        const qint16 position = cards.data.readingPosition();
        const AutoReading::Next next = reading.done(r.run, 1);
        // The position moves only after the second reading.
        QCOMPARE(int(cards.data.readingPosition()), i % 2 ? position + 1 : position);
        QCOMPARE(next, i == 19 ? AutoReading::Next::End : AutoReading::Next::Schedule);
    }
    for (int i = 0; i < 20; i += 2)
        QCOMPARE(read[i], read[i + 1]);
    QList<int> distinct = read;
    std::sort(distinct.begin(), distinct.end());
    QCOMPARE(std::unique(distinct.begin(), distinct.end()) - distinct.begin(), 10);
}

void TestAutoReading::runsWithoutActivationRepeatTheOrder()
{
    Cards cards;
    AutoReading reading(cards.data);
    reading.activate(2024);
    reading.start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    const QList<int> first = readAll(reading);
    reading.finished();
    reading.start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    QCOMPARE(readAll(reading), first);
    reading.finished();
    reading.activate(2025);
    reading.start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    QVERIFY(readAll(reading) != first);
}

void TestAutoReading::failedReadingStopsTheRun()
{
    Cards cards;
    AutoReading reading(cards.data);
    reading.activate(1);
    reading.start(QStringLiteral("2"), QStringLiteral("2：あいう順"));
    const AutoReading::Reading r = reading.tick();
    QCOMPARE(reading.done(r.run, 8), AutoReading::Next::Stop);
    QCOMPARE(reading.state(), AutoReading::State::Stopped);
    QCOMPARE(cards.data.readingPosition(), 1);
    // A late notice for it changes nothing.
    QCOMPARE(reading.done(r.run, 1), AutoReading::Next::Ignore);
    // And a new run starts from the first card.
    reading.stopped();
    reading.start(QStringLiteral("1"), QStringLiteral("2：あいう順"));
    QCOMPARE(reading.tick().card, 1);
}

void TestAutoReading::noticesOfEndedRunsAreIgnored_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("activation") << QStringLiteral("activate");
    QTest::newRow("leaving") << QStringLiteral("leave");
    QTest::newRow("new run") << QStringLiteral("start");
}

void TestAutoReading::noticesOfEndedRunsAreIgnored()
{
    QFETCH(QString, ending);
    Cards cards;
    AutoReading reading(cards.data);
    reading.activate(1);
    reading.start(QStringLiteral("2"), QStringLiteral("2：あいう順"));
    const AutoReading::Reading playing = reading.tick();
    QVERIFY(reading.isCurrent(playing.run));

    if (ending == u"activate")
        reading.activate(2);
    else if (ending == u"leave")
        reading.leave();
    else
        reading.start(QStringLiteral("1"), QStringLiteral("2：あいう順"));

    QVERIFY(!reading.isCurrent(playing.run));
    const qint16 position = cards.data.readingPosition();
    QCOMPARE(reading.done(playing.run, 1), AutoReading::Next::Ignore);
    QCOMPARE(cards.data.readingPosition(), position);
    if (ending == u"start")
        QCOMPARE(reading.state(), AutoReading::State::Waiting);
}

void TestAutoReading::sharedOrderWrittenButNotReadBack()
{
    Cards cards;
    AutoReading reading(cards.data);
    reading.activate(77);
    const Module1::Order drawn = cards.data.readingOrder();
    // Another window overwrites the shared order during the run.
    reading.start(QStringLiteral("1"), QStringLiteral("1：ランダム"));
    cards.data.readingOrder().fill(1);
    const QList<int> read = readAll(reading);
    for (int i = 0; i < 46; ++i)
        QCOMPARE(read[i], int(drawn[i + 1]));
}

QTEST_GUILESS_MAIN(TestAutoReading)
#include "tst_autoreading.moc"
