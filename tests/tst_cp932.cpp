// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Code page 932 fields: the bytes the card files hold.

#include "data/cp932.h"

#include <QTest>

class TestCp932 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encodesKnownCharacters_data();
    void encodesKnownCharacters();
    void fitsTextToField_data();
    void fitsTextToField();
    void decodesField_data();
    void decodesField();
    void detectsUnmappableText_data();
    void detectsUnmappableText();
};

void TestCp932::encodesKnownCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("a") << QStringLiteral("あ") << QByteArray("\x82\xA0");
    QTest::newRow("gin") << QStringLiteral("銀") << QByteArray("\x8B\xE2");
    QTest::newRow("long vowel") << QStringLiteral("ー") << QByteArray("\x81\x5B");
    QTest::newRow("wave dash") << QStringLiteral("～") << QByteArray("\x81\x60");
    QTest::newRow("circled one") << QStringLiteral("①") << QByteArray("\x87\x40");
    QTest::newRow("half-width ba") << QStringLiteral("ﾊﾞ") << QByteArray("\xCA\xDE");
    QTest::newRow("ideographic space") << QStringLiteral("\u3000") << QByteArray("\x81\x40");
}

void TestCp932::encodesKnownCharacters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    bool ok = false;
    QCOMPARE(cp932::encode(text, &ok), bytes);
    QVERIFY(ok);
    QCOMPARE(cp932::byteLength(text), bytes.size());
    QCOMPARE(cp932::decode(bytes), text);
}

void TestCp932::fitsTextToField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<bool>("cut");
    QTest::newRow("kana fills a label") << QStringLiteral("あ") << 2 << QByteArray("\x82\xA0") << false;
    QTest::newRow("one letter and a space") << QStringLiteral("a") << 2 << QByteArray("a ") << false;
    QTest::newRow("two letters") << QStringLiteral("ab") << 2 << QByteArray("ab") << false;
    QTest::newRow("two kana keep the first") << QStringLiteral("あい") << 2 << QByteArray("\x82\xA0") << true;
    QTest::newRow("double-byte never split") << QStringLiteral("aあ") << 2 << QByteArray("a ") << true;
    QTest::newRow("empty") << QString() << 2 << QByteArray("  ") << false;
    QTest::newRow("half-width kana are single bytes") << QStringLiteral("ﾊﾞｶ") << 2 << QByteArray("\xCA\xDE") << true;
    QTest::newRow("path filled to 50")
        << QStringLiteral("/かるた") << 10 << QByteArray("/\x82\xA9\x82\xE9\x82\xBD   ") << false;
}

void TestCp932::fitsTextToField()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QByteArray, field);
    QFETCH(bool, cut);
    bool wasCut = !cut;
    QCOMPARE(cp932::encodeField(text, width, &wasCut), field);
    QCOMPARE(wasCut, cut);
}

void TestCp932::decodesField_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("clean");
    QTest::newRow("kana") << QByteArray("\x82\xA0") << QStringLiteral("あ") << true;
    QTest::newRow("letter and fill") << QByteArray("a ") << QStringLiteral("a") << true;
    QTest::newRow("all fill") << QByteArray("  ") << QString() << true;
    QTest::newRow("leading space kept") << QByteArray(" a") << QStringLiteral(" a") << true;
    QTest::newRow("ideographic space is not fill") << QByteArray("\x81\x40") << QStringLiteral("\u3000") << true;
    QTest::newRow("cut-off lead byte is dropped") << QByteArray("a\x82") << QStringLiteral("a") << false;
    QTest::newRow("lead byte before fill") << QByteArray("\x82 ") << QString() << false;
}

void TestCp932::decodesField()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, text);
    QFETCH(bool, clean);
    QCOMPARE(cp932::decodeField(field), text);
    // Nothing is held back for a next call, and damaged bytes are reported.
    bool ok = !clean;
    cp932::decode(field, &ok);
    QCOMPARE(ok, clean);
}

void TestCp932::detectsUnmappableText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("encodable");
    QTest::newRow("kana and kanji") << QStringLiteral("銀鈴かるた") << true;
    QTest::newRow("ascii path") << QStringLiteral("/home/user/cards") << true;
    QTest::newRow("emoji") << QStringLiteral("札😀") << false;
    QTest::newRow("hangul") << QStringLiteral("한") << false;
    QTest::newRow("replacement character") << QStringLiteral("\uFFFD") << false;
    QTest::newRow("one-way mapping") << QStringLiteral("o\uF86F") << false;
}

void TestCp932::detectsUnmappableText()
{
    QFETCH(QString, text);
    QFETCH(bool, encodable);
    QCOMPARE(cp932::canEncode(text), encodable);
}

QTEST_GUILESS_MAIN(TestCp932)
#include "tst_cp932.moc"
