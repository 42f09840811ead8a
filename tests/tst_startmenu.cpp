// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The start menu, help and About: layout, the once-only window rule and
// ending the program.

#include "app/startmenu.h"
#include "app/windowhub.h"
#include "data/cardstate.h"
#include "editor/editorwindow.h"
#include "help/aboutbox.h"
#include "help/helpwindow.h"
#include "match/matchwindow.h"
#include "reading/readingwindow.h"
#include "settings/settingswindow.h"
#include "sound/sinksounddevice.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"
#include "ui/uikit.h"
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

class TestStartMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void buttonsMatchTheDesign_data();
    void buttonsMatchTheDesign();
    void windowIsPlacedAndSized();
    void menuBarHasHelpStatisticsAndEnd();
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
    std::unique_ptr<CardState> m_data;
    std::unique_ptr<WindowHub> m_hub;
};

void TestStartMenu::init()
{
    m_program = std::make_unique<testing::ProgramFolder>();
    m_data = std::make_unique<CardState>(m_program->path());
    m_hub = std::make_unique<WindowHub>(*m_data);
}

void TestStartMenu::cleanup()
{
    m_hub.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_data.reset();
    m_program.reset();
}

void TestStartMenu::buttonsMatchTheDesign_data()
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

void TestStartMenu::buttonsMatchTheDesign()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, rect);
    QFETCH(QColor, colour);
    QFETCH(qreal, points);
    StartMenu *menu = m_hub->startMenu();
    auto *button = menu->findChild<QPushButton *>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), text);
    QCOMPARE(button->geometry(), rect);
    QCOMPARE(button->palette().color(QPalette::Button), colour);
    QCOMPARE(button->font().pointSizeF(), points);
    QVERIFY(button->font().bold());
    QCOMPARE(button->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
}

void TestStartMenu::windowIsPlacedAndSized()
{
    StartMenu *menu = m_hub->startMenu();
    menu->show();
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QCOMPARE(menu->windowTitle(), QStringLiteral("銀鈴かるた"));
    QCOMPARE(menu->centralWidget()->size(), QSize(294, 281));
    QCOMPARE(menu->centralWidget()->palette().color(QPalette::Window), QColor(128, 128, 255));
    QCOMPARE(controls(menu).titlePicture()->geometry(), QRect(32, 24, 225, 233));
    QVERIFY(controls(menu).titlePicture()->hasPicture());

    const QRect screen = menu->screen()->geometry();
    QCOMPARE(menu->frameGeometry().top(), screen.top() + 133); // 2000 twips
    QVERIFY(qAbs(menu->frameGeometry().center().x() - screen.center().x()) <= 1);

    // Tab order: the zigzag from top left to bottom left.
    QCOMPARE(controls(menu).matchButton()->nextInFocusChain(), controls(menu).readingButton());
    QCOMPARE(controls(menu).readingButton()->nextInFocusChain(), controls(menu).editorButton());
}

void TestStartMenu::menuBarHasHelpStatisticsAndEnd()
{
    StartMenu *menu = m_hub->startMenu();
    const QList<QAction *> top = menu->menuBar()->actions();
    QCOMPARE(top.size(), 3);
    QCOMPARE(top[0]->text(), QStringLiteral("ヘルプ"));
    QCOMPARE(top[1]->text(), QStringLiteral("成績"));
    QCOMPARE(top[2]->text(), QStringLiteral("終了"));
    QVERIFY(!top[1]->menu()); // both act at once
    QVERIFY(!top[2]->menu());
    const QList<QAction *> help = top[0]->menu()->actions();
    QCOMPARE(help.size(), 3);
    QCOMPARE(help[0]->text(), QStringLiteral("使い方"));
    QVERIFY(help[1]->isSeparator());
    QCOMPARE(help[2]->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ"));
}

void TestStartMenu::picturesAreNamedForAssistiveTools()
{
    StartMenu *menu = m_hub->startMenu();
    QVERIFY(!controls(menu).titlePicture()->accessibleName().isEmpty());
    // Buttons keep their caption as their name.
    QAccessibleInterface *button = QAccessible::queryAccessibleInterface(controls(menu).matchButton());
    QVERIFY(button);
    QCOMPARE(button->text(QAccessible::Name), QStringLiteral("かるた取り"));
    m_hub->showAbout();
    QVERIFY(!controls(m_hub->aboutBox()).icon()->accessibleName().isEmpty());
}

void TestStartMenu::helpExistsOnce()
{
    controls(m_hub->startMenu()).guideAction()->trigger();
    HelpWindow *first = m_hub->helpWindow();
    QVERIFY(first && first->isVisible());
    QVERIFY(!first->isModal() && !first->parentWidget());
    // A mark in the page as shown: loading the page again would lose it.
    const QString mark = QStringLiteral("★");
    QTextCursor(controls(first).browser()->document()).insertText(mark);

    // Showing again: the same window, not reloaded.
    controls(m_hub->startMenu()).guideAction()->trigger();
    QCOMPARE(m_hub->helpWindow(), first);
    QVERIFY(controls(first).browser()->toPlainText().startsWith(mark));

    // もどる hides; the next opening shows the same window as it was left.
    controls(first).backAction()->trigger();
    QVERIFY(!first->isVisible());
    controls(m_hub->startMenu()).guideAction()->trigger();
    QCOMPARE(m_hub->helpWindow(), first);
    QVERIFY(first->isVisible());
    QVERIFY(controls(first).browser()->toPlainText().startsWith(mark));

    // The close box destroys it; the next opening builds a new one.
    QPointer<HelpWindow> closed = first;
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closed);
    controls(m_hub->startMenu()).guideAction()->trigger();
    QVERIFY(m_hub->helpWindow());
}

void TestStartMenu::helpFillsTheScreen()
{
    m_hub->showHelp();
    HelpWindow *help = m_hub->helpWindow();
    const QRect screen = help->screen()->geometry();
    QCOMPARE(help->pos(), screen.topLeft());
    QCOMPARE(help->width(), screen.width());
    QCOMPARE(help->height(), screen.height() - 33);           // 500 twips
    QCOMPARE(controls(help).browser()->width(), help->width() - 7);   // 100 twips
    QCOMPARE(controls(help).browser()->height(), help->height() - 27); // 400 twips
    QCOMPARE(help->windowTitle(), QStringLiteral("銀鈴かるたの使い方"));
    QVERIFY(controls(help).browser()->toPlainText().contains(QStringLiteral("かるた取り")));
}

void TestStartMenu::helpPagePathWithSpacesAndKana()
{
    testing::ProgramFolder outer(false);
    const QString folder = outer.file(QStringLiteral("銀鈴 かるた"));
    QDir().mkpath(folder);
    QFile::copy(QStringLiteral(GINREI_BIN_DIR "/index.htm"), folder + QStringLiteral("/index.htm"));
    CardState data(folder);
    data.loadCardFolder();
    data.takeNotices();
    HelpWindow help(data);
    QCOMPARE(HelpWindow::pagePath(data), folder + QStringLiteral("/index.htm"));
    QCOMPARE(controls(&help).browser()->source().toLocalFile(), folder + QStringLiteral("/index.htm"));
    QVERIFY(controls(&help).browser()->toPlainText().contains(QStringLiteral("かるた取り")));
}

void TestStartMenu::helpWithoutPageStillWorks()
{
    QVERIFY(QFile::remove(m_program->file(QStringLiteral("index.htm"))));
    m_hub->showHelp();
    HelpWindow *help = m_hub->helpWindow();
    QVERIFY(help->isVisible());
    QVERIFY(controls(help).browser()->toPlainText().contains(QStringLiteral("index.htm")));
    controls(help).backAction()->trigger();
    QVERIFY(!help->isVisible());
}

void TestStartMenu::aboutShowsVersionAndIsRebuilt()
{
    controls(m_hub->startMenu()).versionAction()->trigger();
    QPointer<AboutBox> about = m_hub->aboutBox();
    QVERIFY(about && about->isVisible());
    QVERIFY(!about->isModal() && !about->parentWidget());
    QCOMPARE(about->windowTitle(), QStringLiteral("銀鈴かるたのﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(controls(about).version()->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ " GINREI_VERSION_STRING));
    QCOMPARE(controls(about).version()->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 3.0.0"));
    QCOMPARE(controls(about).title()->text(), QStringLiteral("銀鈴かるた"));
    QVERIFY(controls(about).description()->text().startsWith(
        QStringLiteral("このｱﾌﾟﾘｹｰｼｮﾝは銀鈴かるた大会において好成績をおさめるための訓練ソフトです。")));
    QCOMPARE(controls(about).okButton()->geometry(), QRect(288, 192, 87, 23));

    // Opening it again while it is open shows the same box.
    m_hub->showAbout();
    QCOMPARE(m_hub->aboutBox(), about.data());

    // OK discards it.
    QTest::mouseClick(controls(about).okButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!about);
    m_hub->showAbout();
    QVERIFY(m_hub->aboutBox());
}

void TestStartMenu::endLeavesNoWindow()
{
    StartMenu *menu = m_hub->startMenu();
    menu->show();
    m_hub->showHelp();
    m_hub->showAbout();
    QPointer<StartMenu> menuGuard = menu;
    QPointer<HelpWindow> help = m_hub->helpWindow();
    QPointer<AboutBox> about = m_hub->aboutBox();

    controls(menu).quitAction()->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!help);
    QVERIFY(!about);
    QVERIFY(!menuGuard);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

void TestStartMenu::closingMenuEndsProgram()
{
    StartMenu *menu = m_hub->startMenu();
    menu->show();
    m_hub->showHelp();
    QPointer<HelpWindow> help = m_hub->helpWindow();
    menu->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!help);
    QVERIFY(!m_hub->helpWindow());
}

void TestStartMenu::loadProblemsAreShownOnce()
{
    // A stored folder that does not exist: one message naming it.
    QByteArray record(52, ' ');
    record[0] = 8;
    record[1] = 0;
    record.replace(2, 8, "/nowhere");
    testing::writeAll(m_program->file(QStringLiteral("karupath.dat")), record);

    testing::MessageBoxAnswerer answerer;
    StartMenu *menu = m_hub->startMenu();
    menu->show();
    QTRY_COMPARE(answerer.texts.size(), 1);
    QVERIFY(answerer.texts[0].contains(QStringLiteral("/nowhere")));
    QCOMPARE(answerer.titles[0], QStringLiteral("銀鈴かるた"));
    menu->hide();
    menu->show();
    QTest::qWait(50);
    QCOMPARE(answerer.texts.size(), 1);
}

void TestStartMenu::readOnlyProgramFolder_data()
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

void TestStartMenu::readOnlyProgramFolder()
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
        CardState maker(programFolder);
        maker.loadCardFolder();
        QVERIFY(QFile::remove(maker.folderFilePath()));
    }
    if (how == u"plain") {
        testing::writeAll(m_program->file(QStringLiteral("plain")), "not a folder");
        programFolder = m_program->file(QStringLiteral("plain/program"));
        config = m_program->file(QStringLiteral("plain/config"));
    }
    const QByteArray shippedData = testing::readAll(cardFolder + QStringLiteral("/karudata.dat"));

    CardState data(programFolder, config);
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
    hub.startMenu()->show();
    QVERIFY(QTest::qWaitForWindowExposed(hub.startMenu()));
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
    QTest::mouseClick(controls(hub.startMenu()).readingButton(), Qt::LeftButton);
    QVERIFY(hub.readingWindow() && hub.readingWindow()->isVisible());
    QTest::mouseClick(controls(hub.startMenu()).editorButton(), Qt::LeftButton);
    EditorWindow *edit = hub.editorWindow();
    QVERIFY(edit && edit->isVisible());
    const QByteArray folderFile = testing::readAll(data.folderFilePath());
    answerer.texts.clear();
    controls(edit).saveAction()->trigger();
    QCOMPARE(answerer.texts.size(), 1);
    QVERIFY2(answerer.texts[0].contains(refusal), qPrintable(answerer.texts[0]));
    QCOMPARE(testing::readAll(data.folderFilePath()), folderFile);
    QCOMPARE(testing::readAll(cardFolder + QStringLiteral("/karudata.dat")), shippedData);
}

void TestStartMenu::endWithEveryWindowOpen()
{
    testing::MessageBoxAnswerer answerer;
    StartMenu *menu = m_hub->startMenu();
    menu->show();
    m_hub->showHelp();
    m_hub->showAbout();
    QTest::mouseClick(controls(menu).editorButton(), Qt::LeftButton);
    controls(m_hub->editorWindow()).folderAction()->trigger(); // with the folder lists open
    QTest::mouseClick(controls(menu).matchButton(), Qt::LeftButton);
    m_hub->showSettings();
    // The automatic reading in the middle of a reading, on the real device.
    QTest::mouseClick(controls(menu).readingButton(), Qt::LeftButton);
    ReadingWindow *reading = m_hub->readingWindow();
    QVERIFY(reading);
    controls(reading).orderChooser()->setCurrentText(QStringLiteral("2：あいう順"));
    QTest::mouseClick(controls(reading).startButton(), Qt::LeftButton);
    reading->aiuOrderTimeUp();
    auto *device = qobject_cast<SinkSoundDevice *>(controls(reading).sound());
    QVERIFY(device);
    QTRY_VERIFY(device->isPlaying());

    QList<QPointer<QWidget>> windows{menu, m_hub->helpWindow(), m_hub->aboutBox(), m_hub->editorWindow(), m_hub->matchWindow(), m_hub->settingsWindow(), reading};
    for (const QPointer<QWidget> &w : windows)
        QVERIFY(w && w->isVisible());
    controls(menu).quitAction()->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QPointer<QWidget> &w : windows)
        QVERIFY(!w);
    // Longer than the reading: nothing that was under way comes back.
    QTest::qWait(1500);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    QVERIFY2(answerer.texts.isEmpty(), qPrintable(answerer.texts.join(u'\n')));
}

void TestStartMenu::standardButtonsAreJapanese()
{
    testing::MessageBoxAnswerer answerer(QMessageBox::No);
    QVERIFY(!ui::askYesNo(nullptr, QStringLiteral("試合終了"), QStringLiteral("もう一度やりますか？")));
    QCOMPARE(answerer.buttonTexts.size(), 2);
    QVERIFY(answerer.buttonTexts.contains(QStringLiteral("はい(&Y)")) || answerer.buttonTexts.contains(QStringLiteral("はい(Y)")));
    QVERIFY(answerer.buttonTexts.contains(QStringLiteral("いいえ(&N)")) || answerer.buttonTexts.contains(QStringLiteral("いいえ(N)")));
}

GINREI_TEST_MAIN(TestStartMenu)
#include "tst_startmenu.moc"
