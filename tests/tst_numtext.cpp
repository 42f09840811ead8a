// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Numbers read out of the count box and the reading-count box.

#include "data/numtext.h"

#include <QTest>

#include <cmath>

class TestNumText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsLeadingNumber_data();
    void readsLeadingNumber();
    void roundsTiesToEven_data();
    void roundsTiesToEven();
};

void TestNumText::readsLeadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << QStringLiteral("46") << 46.0;
    QTest::newRow("letters after") << QStringLiteral("12abc") << 12.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("not a number") << QStringLiteral("abc") << 0.0;
    QTest::newRow("leading blank") << QStringLiteral(" 7") << 7.0;
    QTest::newRow("blanks inside are ignored") << QStringLiteral("1 2\t3") << 123.0;
    QTest::newRow("fraction") << QStringLiteral("1.5") << 1.5;
    QTest::newRow("bare fraction") << QStringLiteral(".5") << 0.5;
    QTest::newRow("negative") << QStringLiteral("-3") << -3.0;
    QTest::newRow("sign alone") << QStringLiteral("-") << 0.0;
    QTest::newRow("exponent") << QStringLiteral("1e2") << 100.0;
    QTest::newRow("D exponent") << QStringLiteral("2D1") << 20.0;
    QTest::newRow("exponent without digits stops") << QStringLiteral("3e") << 3.0;
    QTest::newRow("second point stops") << QStringLiteral("1.2.3") << 1.2;
    QTest::newRow("hex") << QStringLiteral("&H1F") << 31.0;
    QTest::newRow("octal") << QStringLiteral("&O17") << 15.0;
    QTest::newRow("full-width digits") << QStringLiteral("４６") << 46.0;
    QTest::newRow("full-width point, sign and ideographic space") << QStringLiteral("－１．５\u3000７") << -1.57;
    QTest::newRow("reading method text") << QStringLiteral("2：あいう順") << 2.0;
}

void TestNumText::readsLeadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(leadingNumber(text), value);
}

void TestNumText::roundsTiesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("rounded");
    QTest::newRow("4.5 down") << 4.5 << true << 4;
    QTest::newRow("5.5 up") << 5.5 << true << 6;
    QTest::newRow("4.6 up") << 4.6 << true << 5;
    QTest::newRow("-2.5 to -2") << -2.5 << true << -2;
    QTest::newRow("top of range") << 32767.4 << true << 32767;
    QTest::newRow("rounds past the top") << 32767.5 << false << 0;
    QTest::newRow("bottom tie to even") << -32768.5 << true << -32768;
    QTest::newRow("far too big") << 1e9 << false << 0;
    QTest::newRow("infinite") << double(INFINITY) << false << 0;
}

void TestNumText::roundsTiesToEven()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(int, rounded);
    const std::optional<qint16> result = roundToInt16(value);
    QCOMPARE(result.has_value(), fits);
    if (fits)
        QCOMPARE(int(*result), rounded);
}

QTEST_GUILESS_MAIN(TestNumText)
#include "tst_numtext.moc"
