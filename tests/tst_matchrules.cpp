// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The rules of the match table apart from any window: the strength table,
// where cards, frames and piles lie, and the match's own orders and cards.

#include "data/cardstate.h"
#include "match/board.h"
#include "match/matchstate.h"
#include "settings/matchsettings.h"
#include "settings/strength.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct FixedSettings : MatchSettings {
    FixedSettings(int l, bool v) : level(l), voice(v) {}
    int strengthLevel() const override { return level; }
    bool voiceOn() const override { return voice; }
    OpponentChoice opponentChoice() const override { return opponent; }
    int level;
    bool voice;
    OpponentChoice opponent;
};
} // namespace

class TestMatchRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void strengthTable_data();
    void strengthTable();
    void setupFromSettings_data();
    void setupFromSettings();
    void piles_data();
    void piles();
    void beginDrawsTwoIndependentPermutations_data();
    void beginDrawsTwoIndependentPermutations();
    void matchKeepsItsOwnOrdersAndCards_data();
    void matchKeepsItsOwnOrdersAndCards();
    void announcementOfTheCardBeingRead_data();
    void announcementOfTheCardBeingRead();
    void drillPlaysOnlyTheGivenCards_data();
    void drillPlaysOnlyTheGivenCards();
};

void TestMatchRules::strengthTable_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("scanDelay");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("caption");
    QTest::newRow("1") << 1 << 50 << 6000 << QStringLiteral("うんとよわい");
    QTest::newRow("2") << 2 << 40 << 5000 << QStringLiteral("よわい");
    QTest::newRow("3") << 3 << 30 << 4000 << QStringLiteral("ふつう");
    QTest::newRow("4") << 4 << 20 << 3000 << QStringLiteral("つよい");
    QTest::newRow("5") << 5 << 10 << 2000 << QStringLiteral("うんとつよい");
}

void TestMatchRules::strengthTable()
{
    QFETCH(int, level);
    QFETCH(int, scanDelay);
    QFETCH(int, interval);
    QFETCH(QString, caption);
    QCOMPARE(Strength::scanDelay(level), scanDelay);
    QCOMPARE(Strength::reactionIntervalMs(level), interval);
    QCOMPARE(QString::fromUtf8(Strength::Captions[level - 1]), caption);

    MatchState match;
    match.begin(46, MatchState::Setup{level, true}, 1, 2);
    QCOMPARE(match.scanDelay(), scanDelay);
    QCOMPARE(match.reactionIntervalMs(), interval);
}

void TestMatchRules::setupFromSettings_data()
{
    QTest::addColumn<int>("chosen");
    QTest::addColumn<bool>("voice");
    QTest::addColumn<int>("level");
    QTest::addColumn<OpponentChoice>("opponent");
    QTest::addColumn<QString>("display"); // the level display
    const OpponentChoice byLevel;
    QTest::newRow("weakest, silent") << 1 << false << 1 << byLevel << "1";
    QTest::newRow("strongest, aloud") << 5 << true << 5 << byLevel << "5";
    QTest::newRow("below range") << 0 << true << 3 << byLevel << "3";
    QTest::newRow("above range") << 6 << false << 3 << byLevel << "3";
    using K = OpponentChoice::Kind;
    using S = HumanModel::Step;
    QTest::newRow("はじめて") << 2 << true << 2 << OpponentChoice{K::HumanLike, S::Beginner} << "初";
    QTest::newRow("ふつう") << 2 << true << 2 << OpponentChoice{K::HumanLike, S::Standard} << "普";
    QTest::newRow("じょうず") << 2 << true << 2 << OpponentChoice{K::HumanLike, S::Skilled} << "上";
    QTest::newRow("めいじん") << 2 << true << 2 << OpponentChoice{K::HumanLike, S::Master} << "名";
    QTest::newRow("あなたに合わせる") << 4 << true << 4 << OpponentChoice{K::Adaptive, S::Master} << "合";
}

void TestMatchRules::setupFromSettings()
{
    QFETCH(int, chosen);
    QFETCH(bool, voice);
    QFETCH(int, level);
    QFETCH(OpponentChoice, opponent);
    QFETCH(QString, display);
    FixedSettings settings(chosen, voice);
    settings.opponent = opponent;
    const MatchState::Setup setup = MatchState::Setup::from(settings);
    QCOMPARE(setup.level, level);
    QCOMPARE(setup.voice, voice);
    QCOMPARE(setup.opponent, opponent);
    QCOMPARE(setup.opponent.displayText(setup.level), display);
}

void TestMatchRules::piles_data()
{
    QTest::addColumn<bool>("player");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::newRow("player's first") << true << 1 << 11160 << 9120;
    QTest::newRow("player's third") << true << 3 << 10560 << 9120;
    QTest::newRow("computer's first") << false << 1 << 11160 << 120;
    QTest::newRow("computer's fifth") << false << 5 << 9960 << 120;
}

void TestMatchRules::piles()
{
    QFETCH(bool, player);
    QFETCH(int, k);
    QFETCH(int, left);
    QFETCH(int, top);
    const Layout::TwipPoint at = Board::pilePosition(player ? Board::Pile::Player : Board::Pile::Computer, k);
    QCOMPARE(at.left, left);
    QCOMPARE(at.top, top);
}

void TestMatchRules::beginDrawsTwoIndependentPermutations_data()
{
    QTest::addColumn<int>("n");
    QTest::newRow("1") << 1;
    QTest::newRow("46") << 46;
    QTest::newRow("49") << 49;
}

void TestMatchRules::beginDrawsTwoIndependentPermutations()
{
    QFETCH(int, n);
    MatchState match;
    match.begin(n, {}, 101, 202);
    QCOMPARE(match.cardCount(), n);
    QCOMPARE(match.position(), 1);
    QSet<int> reading, board;
    for (int p = 1; p <= n; ++p) {
        reading << match.readingOrder()[p];
        board << match.boardOrder()[p];
        QCOMPARE(match.cardInSlot(p), int(match.boardOrder()[p]));
    }
    QCOMPARE(reading.size(), n);
    QCOMPARE(board.size(), n);
    QVERIFY(!reading.contains(0) && !board.contains(0));
    QCOMPARE(match.cardInSlot(n + 1), 0);
    QCOMPARE(match.currentCard(), int(match.readingOrder()[1]));
    if (n > 1)
        QVERIFY(match.readingOrder() != match.boardOrder());
}

void TestMatchRules::matchKeepsItsOwnOrdersAndCards_data()
{
    QTest::addColumn<bool>("saveAnotherSet");
    QTest::newRow("new shared orders drawn") << false;
    QTest::newRow("a set of 3 saved elsewhere") << true;
}

void TestMatchRules::matchKeepsItsOwnOrdersAndCards()
{
    QFETCH(bool, saveAnotherSet);
    QTemporaryDir dir;
    CardState data(dir.path());
    data.loadCardFolder();
    MatchState match;
    match.begin(MatchState::Cards::from(data), MatchState::Setup{3, true}, 7, 8);
    const MatchState::Order reading = match.readingOrder();
    const MatchState::Order board = match.boardOrder();
    const MatchState::Announcement first = match.announcement();
    const QString picture = match.picturePath(first.card);

    // Someone else draws new shared orders, or the editor saves another set
    // into the card state the match was begun from.
    data.readingOrder().fill(1);
    data.boardOrder().fill(1);
    if (saveAnotherSet) {
        CardState::LabelTable other;
        other.fill(QStringLiteral("他"));
        data.adoptSavedSet(dir.filePath(QStringLiteral("other")), other, 3);
    }
    QCOMPARE(match.cardCount(), 46);
    QCOMPARE(match.readingOrder(), reading);
    QCOMPARE(match.boardOrder(), board);
    const MatchState::Announcement now = match.announcement();
    QCOMPARE(now.card, first.card);
    QCOMPARE(now.label, first.label);
    QCOMPARE(now.soundFile, first.soundFile);
    QCOMPARE(match.picturePath(first.card), picture);
}

void TestMatchRules::announcementOfTheCardBeingRead_data()
{
    QTest::addColumn<int>("card");
    QTest::addColumn<bool>("voice");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("sound");
    QTest::newRow("card 1, aloud") << 1 << true << QStringLiteral("あ") << QStringLiteral("karuon01.wav");
    QTest::newRow("card 5, silent") << 5 << false << QStringLiteral("お") << QStringLiteral("karuon05.wav");
    QTest::newRow("card 46, aloud") << 46 << true << QStringLiteral("銀") << QStringLiteral("karuon46.wav");
}

void TestMatchRules::announcementOfTheCardBeingRead()
{
    QFETCH(int, card);
    QFETCH(bool, voice);
    QFETCH(QString, label);
    QFETCH(QString, sound);
    QTemporaryDir dir;
    CardState data(dir.path());
    data.loadCardFolder();
    MatchState none;
    QCOMPARE(none.announcement().card, 0);
    QVERIFY(!none.announcement().readAloud);

    // A reading order that starts with the card.
    MatchState match;
    for (quint64 seed = 1; match.currentCard() != card; ++seed)
        match.begin(MatchState::Cards::from(data), MatchState::Setup{3, voice}, seed, 6);
    const MatchState::Announcement a = match.announcement();
    QCOMPARE(a.card, card);
    QCOMPARE(a.label, label);
    QCOMPARE(a.soundFile, data.cardFolder() + u'/' + sound);
    QCOMPARE(a.readAloud, voice);
}

void TestMatchRules::drillPlaysOnlyTheGivenCards_data()
{
    QTest::addColumn<QList<int>>("given");
    QTest::addColumn<QList<int>>("inPlay");
    QTest::newRow("three of 46") << QList<int>{46, 5, 17} << QList<int>{5, 17, 46};
    QTest::newRow("one card") << QList<int>{30} << QList<int>{30};
    QTest::newRow("repeats and cards outside the set left out")
        << QList<int>{3, 3, 47, 0, -2, 12} << QList<int>{3, 12};
    QList<int> all;
    for (int card = 46; card >= 1; --card)
        all << card;
    QTest::newRow("the whole set, backwards") << all << all;
}

void TestMatchRules::drillPlaysOnlyTheGivenCards()
{
    QFETCH(QList<int>, given);
    QFETCH(QList<int>, inPlay);
    QTemporaryDir dir;
    CardState data(dir.path());
    data.loadCardFolder();
    MatchState::Cards cards = MatchState::Cards::from(data);
    cards.only = given;
    const QSet<int> expected(inPlay.begin(), inPlay.end());

    // Several seeds, so that a rule that only holds for one draw shows.
    for (quint64 seed = 1; seed <= 20; ++seed) {
        MatchState match;
        match.begin(cards, MatchState::Setup{3, true}, seed, seed * 7919);
        QVERIFY(match.isDrill());
        QCOMPARE(match.cardCount(), int(inPlay.size()));
        QSet<int> onBoard;
        for (int s = 1; s <= Board::Boxes; ++s) {
            if (s <= match.cardCount())
                onBoard << match.cardInSlot(s);
            else
                QCOMPARE(match.cardInSlot(s), 0);
        }
        QCOMPARE(onBoard, expected);
        // Played to the end, each card read is one of the drill's, once, and
        // is taken from the slot it lies in, with its label from the set.
        QSet<int> read;
        while (!match.finished()) {
            const int card = match.currentCard();
            QVERIFY2(expected.contains(card) && !read.contains(card), qPrintable(QString::number(card)));
            read << card;
            QCOMPARE(match.announcement().label, data.labels()[card]);
            int slot = 1;
            while (match.cardInSlot(slot) != card)
                QVERIFY(++slot <= match.cardCount());
            QVERIFY(match.take(seed % 2 ? Board::Pile::Player : Board::Pile::Computer, slot) > 0);
        }
        QCOMPARE(read, expected);
        QCOMPARE(match.pileCount(Board::Pile::Player) + match.pileCount(Board::Pile::Computer), int(inPlay.size()));
    }
}

QTEST_GUILESS_MAIN(TestMatchRules)
#include "tst_matchrules.moc"
