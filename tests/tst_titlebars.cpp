// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the desktop shows in each window's title bar: exactly the window's
// caption, with nothing the toolkit adds of its own. Runs on the X11
// platform under Xvfb and reads each window's name back from the X server,
// as a window manager or a task bar would.

#include "app/startmenu.h"
#include "app/windowhub.h"
#include "data/cardstate.h"
#include "editor/editorwindow.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"

#include <QApplication>
#include <QProcess>
#include <QTest>

class TestTitleBars : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void titleBarReadsTheCaption_data();
    void titleBarReadsTheCaption();

private:
    std::unique_ptr<testing::ProgramFolder> m_program;
    std::unique_ptr<CardState> m_data;
    std::unique_ptr<WindowHub> m_hub;
};

void TestTitleBars::initTestCase()
{
    if (QGuiApplication::platformName() != u"xcb")
        QSKIP("needs the X11 platform (run under xvfb-run)");
    m_program = std::make_unique<testing::ProgramFolder>();
    m_data = std::make_unique<CardState>(m_program->path());
    m_hub = std::make_unique<WindowHub>(*m_data);
    m_hub->soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::SilentDevice(owner); };
    m_hub->startMenu()->show();
    m_hub->showMatch();
    m_hub->showReading();
    m_hub->showEditor();
    m_hub->editorWindow()->record(1);
    m_hub->showSettings();
    m_hub->showHelp();
    m_hub->showAbout();
}

void TestTitleBars::titleBarReadsTheCaption_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::newRow("start menu") << QStringLiteral("frmMenu") << QStringLiteral("銀鈴かるた");
    QTest::newRow("match") << QStringLiteral("frmKaruto") << QStringLiteral("かるた取り");
    QTest::newRow("automatic reading") << QStringLiteral("frmMain") << QStringLiteral("銀鈴かるた自動よみあげ");
    QTest::newRow("editor") << QStringLiteral("frmEdit") << QStringLiteral("かるた設定");
    QTest::newRow("settings") << QStringLiteral("frmSettei") << QStringLiteral("レベル");
    QTest::newRow("help") << QStringLiteral("frmHelp") << QStringLiteral("銀鈴かるたの使い方");
    QTest::newRow("about") << QStringLiteral("frmAbout") << QStringLiteral("銀鈴かるたのﾊﾞｰｼﾞｮﾝ情報");
    QTest::newRow("recording") << QStringLiteral("frmRokuon") << QStringLiteral("録音");
}

void TestTitleBars::titleBarReadsTheCaption()
{
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QWidget *shown = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == window)
            shown = w;
    QVERIFY(shown);
    QVERIFY(QTest::qWaitForWindowExposed(shown));

    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), QString::number(shown->winId())});
    QVERIFY(xdotool.waitForFinished(10000));
    QCOMPARE(QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed(), caption);
}

GINREI_TEST_MAIN(TestTitleBars)
#include "tst_titlebars.moc"
