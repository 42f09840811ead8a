// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The start menu, help and About: layout, the once-only window rule and
// ending the program.

#include "app/frmmenu.h"
#include "app/uikit.h"
#include "app/windowhub.h"
#include "data/module1.h"
#include "editor/frmedit.h"
#include "help/frmabout.h"
#include "help/frmhelp.h"
#include "match/frmkaruto.h"
#include "reading/frmmain.h"
#include "settings/frmsettei.h"
#include "sound/sinksounddevice.h"
#include "tests/testsupport.h"
#include "version.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextBrowser>

#include <unistd.h>

class TestMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void buttonsMatchTheDesign_data();
    void buttonsMatchTheDesign();
    void windowIsPlacedAndSized();
    void menuBarHasHelpAndEnd();
    void picturesAreNamedForAssistiveTools();
    void helpExistsOnce();
    void helpFillsTheScreen();
    void helpPagePathWithSpacesAndKana();
    void helpWithoutPageStillWorks();
    void aboutShowsVersionAndIsRebuilt();
    void endLeavesNoWindow();
    void closingMenuEndsProgram();
    void loadProblemsAreShownOnce();
    void readOnlyProgramFolder_data();
    void readOnlyProgramFolder();
    void endWithEveryWindowOpen();
    void standardButtonsAreJapanese();

private:
    std::unique_ptr<testing::ProgramFolder> m_program;
    std::unique_ptr<Module1> m_data;
    std::unique_ptr<WindowHub> m_hub;
};

void TestMenu::init()
{
    m_program = std::make_unique<testing::ProgramFolder>();
    m_data = std::make_unique<Module1>(m_program->path());
    m_hub = std::make_unique<WindowHub>(*m_data);
}

void TestMenu::cleanup()
{
    m_hub.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_data.reset();
    m_program.reset();
}

void TestMenu::buttonsMatchTheDesign_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<qreal>("points");
    // Twips / 15, rounded.
    QTest::newRow("Command1") << QStringLiteral("Command1") << QStringLiteral("かるた取り") << QRect(16, 64, 145, 41) << QColor(255, 0, 0) << 14.25;
    QTest::newRow("Command2") << QStringLiteral("Command2") << QStringLiteral("自動よみあげ") << QRect(128, 128, 145, 41) << QColor(0, 255, 0) << 14.25;
    QTest::newRow("Command3") << QStringLiteral("Command3") << QStringLiteral("かるた設定") << QRect(16, 192, 145, 41) << QColor(0, 255, 255) << 12.0;
}

void TestMenu::buttonsMatchTheDesign()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, rect);
    QFETCH(QColor, colour);
    QFETCH(qreal, points);
    FrmMenu *menu = m_hub->menu();
    auto *button = menu->findChild<QPushButton *>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), text);
    QCOMPARE(button->geometry(), rect);
    QCOMPARE(button->palette().color(QPalette::Button), colour);
    QCOMPARE(button->font().pointSizeF(), points);
    QVERIFY(button->font().bold());
    QCOMPARE(button->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
}

void TestMenu::windowIsPlacedAndSized()
{
    FrmMenu *menu = m_hub->menu();
    menu->show();
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QCOMPARE(menu->windowTitle(), QStringLiteral("銀鈴かるた"));
    QCOMPARE(menu->centralWidget()->size(), QSize(294, 281));
    QCOMPARE(menu->centralWidget()->palette().color(QPalette::Window), QColor(128, 128, 255));
    QCOMPARE(menu->Image1->geometry(), QRect(32, 24, 225, 233));
    QVERIFY(menu->Image1->hasPicture());

    const QRect screen = menu->screen()->geometry();
    QCOMPARE(menu->frameGeometry().top(), screen.top() + 133); // 2000 twips
    QVERIFY(qAbs(menu->frameGeometry().center().x() - screen.center().x()) <= 1);

    // Tab order: the zigzag from top left to bottom left.
    QCOMPARE(menu->Command1->nextInFocusChain(), menu->Command2);
    QCOMPARE(menu->Command2->nextInFocusChain(), menu->Command3);
}

void TestMenu::menuBarHasHelpAndEnd()
{
    FrmMenu *menu = m_hub->menu();
    const QList<QAction *> top = menu->menuBar()->actions();
    QCOMPARE(top.size(), 2);
    QCOMPARE(top[0]->text(), QStringLiteral("ヘルプ"));
    QCOMPARE(top[1]->text(), QStringLiteral("終了"));
    QVERIFY(!top[1]->menu()); // acts at once
    const QList<QAction *> help = top[0]->menu()->actions();
    QCOMPARE(help.size(), 3);
    QCOMPARE(help[0]->text(), QStringLiteral("使い方"));
    QVERIFY(help[1]->isSeparator());
    QCOMPARE(help[2]->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ"));
}

void TestMenu::picturesAreNamedForAssistiveTools()
{
    FrmMenu *menu = m_hub->menu();
    QVERIFY(!menu->Image1->accessibleName().isEmpty());
    // Buttons keep their caption as their name.
    QAccessibleInterface *button = QAccessible::queryAccessibleInterface(menu->Command1);
    QVERIFY(button);
    QCOMPARE(button->text(QAccessible::Name), QStringLiteral("かるた取り"));
    m_hub->showAbout();
    QVERIFY(!m_hub->about()->picIcon->accessibleName().isEmpty());
}

void TestMenu::helpExistsOnce()
{
    m_hub->menu()->mnuTukai->trigger();
    FrmHelp *first = m_hub->help();
    QVERIFY(first && first->isVisible());
    QVERIFY(!first->isModal() && !first->parentWidget());
    // A mark in the page as shown: loading the page again would lose it.
    const QString mark = QStringLiteral("★");
    QTextCursor(first->WebBrowser1->document()).insertText(mark);

    // Showing again: the same window, not reloaded.
    m_hub->menu()->mnuTukai->trigger();
    QCOMPARE(m_hub->help(), first);
    QVERIFY(first->WebBrowser1->toPlainText().startsWith(mark));

    // もどる hides; the next opening shows the same window as it was left.
    first->mnuEnd->trigger();
    QVERIFY(!first->isVisible());
    m_hub->menu()->mnuTukai->trigger();
    QCOMPARE(m_hub->help(), first);
    QVERIFY(first->isVisible());
    QVERIFY(first->WebBrowser1->toPlainText().startsWith(mark));

    // The close box destroys it; the next opening builds a new one.
    QPointer<FrmHelp> closed = first;
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closed);
    m_hub->menu()->mnuTukai->trigger();
    QVERIFY(m_hub->help());
}

void TestMenu::helpFillsTheScreen()
{
    m_hub->showHelp();
    FrmHelp *help = m_hub->help();
    const QRect screen = help->screen()->geometry();
    QCOMPARE(help->pos(), screen.topLeft());
    QCOMPARE(help->width(), screen.width());
    QCOMPARE(help->height(), screen.height() - 33);           // 500 twips
    QCOMPARE(help->WebBrowser1->width(), help->width() - 7);   // 100 twips
    QCOMPARE(help->WebBrowser1->height(), help->height() - 27); // 400 twips
    QCOMPARE(help->windowTitle(), QStringLiteral("銀鈴かるたの使い方"));
    QVERIFY(help->WebBrowser1->toPlainText().contains(QStringLiteral("かるた取り")));
}

void TestMenu::helpPagePathWithSpacesAndKana()
{
    testing::ProgramFolder outer(false);
    const QString folder = outer.file(QStringLiteral("銀鈴 かるた"));
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(GINREI_BIN_DIR "/index.htm"), folder + QStringLiteral("/index.htm"));
    Module1 data(folder);
    data.LoadCardFolder();
    data.takeNotices();
    FrmHelp help(data);
    QCOMPARE(FrmHelp::pagePath(data), folder + QStringLiteral("/index.htm"));
    QCOMPARE(help.WebBrowser1->source().toLocalFile(), folder + QStringLiteral("/index.htm"));
    QVERIFY(help.WebBrowser1->toPlainText().contains(QStringLiteral("かるた取り")));
}

void TestMenu::helpWithoutPageStillWorks()
{
    QVERIFY(QFile::remove(m_program->file(QStringLiteral("index.htm"))));
    m_hub->showHelp();
    FrmHelp *help = m_hub->help();
    QVERIFY(help->isVisible());
    QVERIFY(help->WebBrowser1->toPlainText().contains(QStringLiteral("index.htm")));
    help->mnuEnd->trigger();
    QVERIFY(!help->isVisible());
}

void TestMenu::aboutShowsVersionAndIsRebuilt()
{
    m_hub->menu()->mnuVerj->trigger();
    QPointer<FrmAbout> about = m_hub->about();
    QVERIFY(about && about->isVisible());
    QVERIFY(!about->isModal() && !about->parentWidget());
    QCOMPARE(about->windowTitle(), QStringLiteral("銀鈴かるたのﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(about->lblVersion->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ " GINREI_VERSION_STRING));
    QCOMPARE(about->lblVersion->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 3.0.0"));
    QCOMPARE(about->lblTitle->text(), QStringLiteral("銀鈴かるた"));
    QVERIFY(about->lblDescription->text().startsWith(
        QStringLiteral("このｱﾌﾟﾘｹｰｼｮﾝは銀鈴かるた大会において好成績をおさめるための訓練ソフトです。")));
    QCOMPARE(about->cmdOK->geometry(), QRect(288, 192, 87, 23));

    // Opening it again while it is open shows the same box.
    m_hub->showAbout();
    QCOMPARE(m_hub->about(), about.data());

    // OK discards it.
    QTest::mouseClick(about->cmdOK, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!about);
    m_hub->showAbout();
    QVERIFY(m_hub->about());
}

void TestMenu::endLeavesNoWindow()
{
    FrmMenu *menu = m_hub->menu();
    menu->show();
    m_hub->showHelp();
    m_hub->showAbout();
    QPointer<FrmMenu> menuGuard = menu;
    QPointer<FrmHelp> help = m_hub->help();
    QPointer<FrmAbout> about = m_hub->about();

    menu->mnuEnd->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!help);
    QVERIFY(!about);
    QVERIFY(!menuGuard);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

void TestMenu::closingMenuEndsProgram()
{
    FrmMenu *menu = m_hub->menu();
    menu->show();
    m_hub->showHelp();
    QPointer<FrmHelp> help = m_hub->help();
    menu->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!help);
    QVERIFY(!m_hub->help());
}

void TestMenu::loadProblemsAreShownOnce()
{
    // A stored folder that does not exist: one message naming it.
    QByteArray record(52, ' ');
    record[0] = 8;
    record[1] = 0;
    record.replace(2, 8, "/nowhere");
    testing::writeAll(m_program->file(QStringLiteral("karupath.dat")), record);

    testing::MessageBoxAnswerer answerer;
    FrmMenu *menu = m_hub->menu();
    menu->show();
    QTRY_COMPARE(answerer.texts.size(), 1);
    QVERIFY(answerer.texts[0].contains(QStringLiteral("/nowhere")));
    QCOMPARE(answerer.titles[0], QStringLiteral("銀鈴かるた"));
    menu->hide();
    menu->show();
    QTest::qWait(50);
    QCOMPARE(answerer.texts.size(), 1);
}

void TestMenu::readOnlyProgramFolder_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("named"); // what the one box at start-up must name; empty: no box
    QTest::addColumn<QString>("refusal"); // why a save into the card folder is refused
    // The first two hold for root, who writes into read-only folders.
    QTest::newRow("installed copy") << QStringLiteral("probe") << QStringList() << QStringLiteral("書き込めません");
    // With nowhere to keep karupath.dat either: both files fail.
    QTest::newRow("below a plain file") << QStringLiteral("plain") << QStringList{QStringLiteral("karupath.dat"), QStringLiteral("karudata.dat")}
                                        << QStringLiteral("見つかりません");
    QTest::newRow("read-only folder") << QStringLiteral("chmod") << QStringList{QStringLiteral("karudata.dat")}
                                      << QStringLiteral("書き込めません");
}

void TestMenu::readOnlyProgramFolder()
{
    QFETCH(QString, how);
    QFETCH(QStringList, named);
    QFETCH(QString, refusal);
    if (how == u"chmod" && geteuid() == 0)
        QSKIP("root writes into read-only folders");
    QTemporaryDir configDir;
    QString config = configDir.path();
    QString programFolder = m_program->path();
    const QString cardFolder = m_program->cardFolder();
    if (how == u"probe") {
        // An installed copy comes with its data file.
        Module1 maker(programFolder);
        maker.LoadCardFolder();
        QVERIFY(QFile::remove(maker.folderFilePath()));
    }
    if (how == u"plain") {
        testing::writeAll(m_program->file(QStringLiteral("plain")), "not a folder");
        programFolder = m_program->file(QStringLiteral("plain/program"));
        config = m_program->file(QStringLiteral("plain/config"));
    }
    const QByteArray shippedData = testing::readAll(cardFolder + QStringLiteral("/karudata.dat"));

    Module1 data(programFolder, config);
    if (how == u"probe")
        data.setWritableProbe([programFolder](const QString &f) {
            return f != programFolder && !f.startsWith(programFolder + u'/');
        });
    const auto writable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(programFolder, writable);
        QFile::setPermissions(cardFolder, writable);
    });
    if (how == u"chmod") {
        QVERIFY(QFile::setPermissions(cardFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QVERIFY(QFile::setPermissions(programFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    WindowHub hub(data);
    testing::MessageBoxAnswerer answerer;
    hub.menu()->show();
    QVERIFY(QTest::qWaitForWindowExposed(hub.menu()));
    QTest::qWait(100);

    // One box for all of it, or none when nothing is lost.
    QCOMPARE(answerer.texts.size(), named.isEmpty() ? 0 : 1);
    for (const QString &name : named)
        QVERIFY2(answerer.texts[0].contains(name), qPrintable(answerer.texts[0]));
    // The choice of card folder is kept where it can be written.
    QVERIFY(!QFileInfo::exists(programFolder + QStringLiteral("/karupath.dat")));
    QCOMPARE(data.folderFilePath(), config + QStringLiteral("/karupath.dat"));
    QCOMPARE(QFileInfo::exists(data.folderFilePath()), how != u"plain");
    QCOMPARE(data.cardCount(), 46);

    // The program goes on: the windows open, and a save into the card
    // folder is refused before anything is written.
    QTest::mouseClick(hub.menu()->Command2, Qt::LeftButton);
    QVERIFY(hub.reading() && hub.reading()->isVisible());
    QTest::mouseClick(hub.menu()->Command3, Qt::LeftButton);
    FrmEdit *edit = hub.edit();
    QVERIFY(edit && edit->isVisible());
    const QByteArray folderFile = testing::readAll(data.folderFilePath());
    answerer.texts.clear();
    edit->mnuWrite->trigger();
    QCOMPARE(answerer.texts.size(), 1);
    QVERIFY2(answerer.texts[0].contains(refusal), qPrintable(answerer.texts[0]));
    QCOMPARE(testing::readAll(data.folderFilePath()), folderFile);
    QCOMPARE(testing::readAll(cardFolder + QStringLiteral("/karudata.dat")), shippedData);
}

void TestMenu::endWithEveryWindowOpen()
{
    testing::MessageBoxAnswerer answerer;
    FrmMenu *menu = m_hub->menu();
    menu->show();
    m_hub->showHelp();
    m_hub->showAbout();
    QTest::mouseClick(menu->Command3, Qt::LeftButton);
    m_hub->edit()->mnuForuda->trigger(); // with the folder lists open
    QTest::mouseClick(menu->Command1, Qt::LeftButton);
    m_hub->showSettei();
    // The automatic reading in the middle of a reading, on the real device.
    QTest::mouseClick(menu->Command2, Qt::LeftButton);
    FrmMain *reading = m_hub->reading();
    QVERIFY(reading);
    reading->Combo2->setCurrentText(QStringLiteral("2：あいう順"));
    QTest::mouseClick(reading->Command1, Qt::LeftButton);
    reading->Timer1_Timer();
    auto *device = qobject_cast<SinkSoundDevice *>(reading->MMControl1);
    QVERIFY(device);
    QTRY_VERIFY(device->isPlaying());

    QList<QPointer<QWidget>> windows{menu, m_hub->help(), m_hub->about(), m_hub->edit(), m_hub->karuto(), m_hub->settei(), reading};
    for (const QPointer<QWidget> &w : windows)
        QVERIFY(w && w->isVisible());
    menu->mnuEnd->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QPointer<QWidget> &w : windows)
        QVERIFY(!w);
    // Longer than the reading: nothing that was under way comes back.
    QTest::qWait(1500);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    QVERIFY2(answerer.texts.isEmpty(), qPrintable(answerer.texts.join(u'\n')));
}

void TestMenu::standardButtonsAreJapanese()
{
    testing::MessageBoxAnswerer answerer(QMessageBox::No);
    QVERIFY(!ui::askYesNo(nullptr, QStringLiteral("試合終了"), QStringLiteral("もう一度やりますか？")));
    QCOMPARE(answerer.buttonTexts.size(), 2);
    QVERIFY(answerer.buttonTexts.contains(QStringLiteral("はい(&Y)")) || answerer.buttonTexts.contains(QStringLiteral("はい(Y)")));
    QVERIFY(answerer.buttonTexts.contains(QStringLiteral("いいえ(&N)")) || answerer.buttonTexts.contains(QStringLiteral("いいえ(N)")));
}

GINREI_TEST_MAIN(TestMenu)
#include "tst_menu.moc"
