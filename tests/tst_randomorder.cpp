// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Drawing random orders: every card once, nothing outside 1..N touched, and
// the rounding of u * N never yields N + 1.

#include "data/randomorder.h"

#include <QTest>

#include <algorithm>
#include <cmath>

using randomorder::Order;
using randomorder::Precision;

Q_DECLARE_METATYPE(randomorder::Precision)

class TestRandomOrder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isPermutationOfOneToN_data();
    void isPermutationOfOneToN();
    void drawIndexStaysInRange_data();
    void drawIndexStaysInRange();
    void sameSeedSameOrder();
    void clockSeedsGiveDifferentOrders_data();
    void clockSeedsGiveDifferentOrders();
    void everyCardComesFirstAsOften();
};

void TestRandomOrder::isPermutationOfOneToN_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<Precision>("precision");
    for (int n : {1, 2, 3, 10, 46, 49, 50}) {
        QTest::addRow("N=%d double", n) << n << Precision::Double;
        QTest::addRow("N=%d single", n) << n << Precision::Single;
    }
}

void TestRandomOrder::isPermutationOfOneToN()
{
    QFETCH(int, n);
    QFETCH(Precision, precision);
    for (quint64 seed : {0ULL, 1ULL, 0xdeadbeefULL, ~0ULL}) {
        Order order;
        order.fill(-7);
        randomorder::drawRandomOrder(order, n, seed, precision);
        QList<int> drawn;
        for (int p = 1; p <= n; ++p)
            drawn << order[p];
        std::sort(drawn.begin(), drawn.end());
        QList<int> expected;
        for (int c = 1; c <= n; ++c)
            expected << c;
        QCOMPARE(drawn, expected);
        // Position 0 and everything past N are not written.
        QCOMPARE(order[0], qint16(-7));
        for (int p = n + 1; p < int(order.size()); ++p)
            QCOMPARE(order[p], qint16(-7));
    }
}

void TestRandomOrder::drawIndexStaysInRange_data()
{
    QTest::addColumn<double>("u");
    QTest::addColumn<Precision>("precision");
    QTest::addColumn<bool>("last"); // true: the draw must give N, else 1
    const double belowOne = std::nextafter(1.0, 0.0);
    const double belowOneFloat = double(std::nextafter(1.0f, 0.0f));
    QTest::newRow("0 double") << 0.0 << Precision::Double << false;
    QTest::newRow("0 single") << 0.0 << Precision::Single << false;
    QTest::newRow("largest double below 1") << belowOne << Precision::Double << true;
    // float(u) is 1.0 here: the draw must still not pass N.
    QTest::newRow("largest double below 1, single") << belowOne << Precision::Single << true;
    // The largest u a float holds below 1: u * N must stay below N.
    QTest::newRow("largest float below 1, single") << belowOneFloat << Precision::Single << true;
    QTest::newRow("largest float below 1, double") << belowOneFloat << Precision::Double << true;
}

void TestRandomOrder::drawIndexStaysInRange()
{
    QFETCH(double, u);
    QFETCH(Precision, precision);
    QFETCH(bool, last);
    for (int n = 1; n <= 50; ++n)
        QCOMPARE(randomorder::drawIndex(u, n, precision), last ? n : 1);
}

void TestRandomOrder::sameSeedSameOrder()
{
    Order a{}, b{}, c{};
    randomorder::drawRandomOrder(a, 46, 12345);
    randomorder::drawRandomOrder(b, 46, 12345);
    randomorder::drawRandomOrder(c, 46, 12346);
    QCOMPARE(a, b);
    QVERIFY(a != c);
}

void TestRandomOrder::clockSeedsGiveDifferentOrders_data()
{
    QTest::addColumn<Precision>("precision");
    QTest::newRow("double") << Precision::Double;
    QTest::newRow("single") << Precision::Single;
}

void TestRandomOrder::clockSeedsGiveDifferentOrders()
{
    QFETCH(Precision, precision);
    // Two orders drawn back to back, as a match draws its reading and board
    // orders, from two clock seeds taken in the same instant. For 46 cards
    // two equal orders by chance are out of the question (1 in 46!).
    for (int round = 0; round < 20; ++round) {
        const quint64 s1 = randomorder::clockSeed();
        const quint64 s2 = randomorder::clockSeed();
        QVERIFY(s1 != s2);
        Order first{}, second{};
        randomorder::drawRandomOrder(first, 46, s1, precision);
        randomorder::drawRandomOrder(second, 46, s2, precision);
        QVERIFY(first != second);
    }
}

void TestRandomOrder::everyCardComesFirstAsOften()
{
    // A fixed run of seeds, so the count is the same on every run: each of
    // six cards must lead about a sixth of 6000 orders. A biased draw (an
    // off-by-one, a card that can never come first) is far outside this.
    constexpr int n = 6, runs = 6000;
    std::array<int, n + 1> first{};
    for (int run = 0; run < runs; ++run) {
        Order order{};
        randomorder::drawRandomOrder(order, n, quint64(run) * 7919 + 17, run % 2 ? Precision::Single : Precision::Double);
        ++first[order[1]];
    }
    QCOMPARE(first[0], 0);
    for (int c = 1; c <= n; ++c)
        QVERIFY2(first[c] > runs / n * 85 / 100 && first[c] < runs / n * 115 / 100,
                 qPrintable(QStringLiteral("card %1 first %2 times").arg(c).arg(first[c])));
}

QTEST_GUILESS_MAIN(TestRandomOrder)
#include "tst_randomorder.moc"
