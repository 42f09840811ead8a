// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The settings window: its layout and defaults, もどる, and the close box
// that discards the choices.

#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/matchwindow.h"
#include "settings/settingswindow.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QTest>

class TestSettingsWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void layoutAndColours_data();
    void layoutAndColours();
    void defaults();
    void eachFrameIsOneGroup();
    void backWritesTheLevel_data();
    void backWritesTheLevel();
    void backWithoutMatchWindowJustHides();
    void hiddenWindowKeepsItsChoices();
    void closeBoxDiscardsTheChoices();

private:
    SettingsWindow *settings();
    std::unique_ptr<testing::ProgramFolder> m_program;
    std::unique_ptr<CardState> m_data;
    std::unique_ptr<WindowHub> m_hub;
};

void TestSettingsWindow::init()
{
    m_program = std::make_unique<testing::ProgramFolder>(false);
    m_data = std::make_unique<CardState>(m_program->path());
    m_hub = std::make_unique<WindowHub>(*m_data);
    m_hub->soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::RecordingSoundDevice(owner); };
}

void TestSettingsWindow::cleanup()
{
    m_hub.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_data.reset();
    m_program.reset();
}

SettingsWindow *TestSettingsWindow::settings()
{
    m_hub->showSettings();
    return m_hub->settingsWindow();
}

void TestSettingsWindow::layoutAndColours_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QColor>("colour");
    const QColor green(0, 255, 0), cyan(0, 255, 255);
    // Twips / 15, rounded; option buttons inside their frame.
    QTest::newRow("Frame2") << QStringLiteral("Frame2") << QStringLiteral("音声よみあげ") << QRect(16, 16, 89, 97) << green;
    QTest::newRow("Option2(0)") << QStringLiteral("Option2_0") << QStringLiteral("しない") << QRect(16, 24, 57, 17) << green;
    QTest::newRow("Option2(1)") << QStringLiteral("Option2_1") << QStringLiteral("する") << QRect(16, 56, 57, 17) << green;
    QTest::newRow("Frame1") << QStringLiteral("Frame1") << QStringLiteral("コンピュータのつよさ") << QRect(120, 16, 129, 185) << cyan;
    QTest::newRow("Option1(0)") << QStringLiteral("Option1_0") << QStringLiteral("うんとよわい") << QRect(24, 24, 97, 17) << cyan;
    QTest::newRow("Option1(1)") << QStringLiteral("Option1_1") << QStringLiteral("よわい") << QRect(24, 56, 97, 17) << cyan;
    QTest::newRow("Option1(2)") << QStringLiteral("Option1_2") << QStringLiteral("ふつう") << QRect(24, 88, 97, 17) << cyan;
    QTest::newRow("Option1(3)") << QStringLiteral("Option1_3") << QStringLiteral("つよい") << QRect(24, 120, 97, 17) << cyan;
    QTest::newRow("Option1(4)") << QStringLiteral("Option1_4") << QStringLiteral("うんとつよい") << QRect(24, 152, 97, 17) << cyan;
    const QColor yellow(255, 255, 0);
    QTest::newRow("Frame3") << QStringLiteral("Frame3") << QStringLiteral("相手") << QRect(16, 209, 233, 161) << yellow;
    QTest::newRow("Option3(0)") << QStringLiteral("Option3_0") << QStringLiteral("レベルどおり") << QRect(16, 24, 121, 17) << yellow;
    QTest::newRow("Option3(1)") << QStringLiteral("Option3_1") << QStringLiteral("人のような相手") << QRect(16, 48, 121, 17) << yellow;
    QTest::newRow("Label3(0)") << QStringLiteral("Label3_0") << QStringLiteral("速さ") << QRect(40, 76, 32, 12) << yellow;
    QTest::newRow("Combo3") << QStringLiteral("Combo3") << QStringLiteral("ふつう") << QRect(80, 72, 97, 20) << yellow;
    QTest::newRow("Option3(2)") << QStringLiteral("Option3_2") << QStringLiteral("あなたに合わせる") << QRect(16, 104, 129, 17) << yellow;
    QTest::newRow("Option3(3)") << QStringLiteral("Option3_3") << QStringLiteral("相手なし（練習）") << QRect(16, 128, 129, 17) << yellow;
}

void TestSettingsWindow::layoutAndColours()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, rect);
    QFETCH(QColor, colour);
    SettingsWindow *w = settings();
    QWidget *control = w->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), rect);
    QCOMPARE(control->palette().color(QPalette::Window), colour);
    if (auto *frame = qobject_cast<QGroupBox *>(control))
        QCOMPARE(frame->title(), text);
    else if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), text);
    else if (auto *chooser = qobject_cast<QComboBox *>(control))
        QCOMPARE(chooser->currentText(), text);
    else
        QCOMPARE(qobject_cast<QRadioButton *>(control)->text(), text);
}

void TestSettingsWindow::defaults()
{
    SettingsWindow *w = settings();
    QCOMPARE(w->objectName(), QStringLiteral("frmSettei"));
    QCOMPARE(w->windowTitle(), QStringLiteral("レベル"));
    QCOMPARE(w->centralWidget()->size(), QSize(260, 381));
    QCOMPARE(w->centralWidget()->palette().color(QPalette::Window), QColor(255, 0, 0));
    QVERIFY(w->isVisible() && !w->isModal() && !w->parentWidget());
    const QList<QAction *> menu = w->menuBar()->actions();
    QCOMPARE(menu.size(), 1);
    QCOMPARE(menu[0]->text(), QStringLiteral("もどる"));

    for (int i = 0; i < 5; ++i)
        QCOMPARE(controls(w).levelButtons()[i]->isChecked(), i == 2);
    QVERIFY(!controls(w).voiceButtons()[0]->isChecked());
    QVERIFY(controls(w).voiceButtons()[1]->isChecked());
    QCOMPARE(w->strengthLevel(), 3);
    QVERIFY(w->voiceOn());

    // The five levels, as always; the speeds wait, at ふつう, until the
    // human-like opponent is chosen, and the chooser is known by its caption.
    for (int i = 0; i < 4; ++i)
        QCOMPARE(controls(w).opponentButtons()[i]->isChecked(), i == 0);
    QVERIFY(w->opponentChoice() == OpponentChoice{});
    QComboBox *steps = controls(w).stepChooser();
    QCOMPARE(steps->count(), 4);
    QCOMPARE(steps->itemText(0), QStringLiteral("はじめて"));
    QCOMPARE(steps->itemText(3), QStringLiteral("めいじん"));
    QVERIFY(!steps->isEnabled());
    QCOMPARE(testing::child<QLabel>(w, "Label3_0")->buddy(), steps);
}

void TestSettingsWindow::eachFrameIsOneGroup()
{
    SettingsWindow *w = settings();
    // A click on an option selects it and clears the rest of its frame only.
    QTest::mouseClick(controls(w).levelButtons()[0], Qt::LeftButton);
    QTest::mouseClick(controls(w).voiceButtons()[0], Qt::LeftButton);
    QCOMPARE(w->strengthLevel(), 1);
    QVERIFY(!w->voiceOn());
    int checked = 0;
    for (QRadioButton *b : controls(w).levelButtons())
        checked += b->isChecked();
    QCOMPARE(checked, 1);
    QVERIFY(!controls(w).voiceButtons()[1]->isChecked());
    QTest::mouseClick(controls(w).levelButtons()[4], Qt::LeftButton);
    QCOMPARE(w->strengthLevel(), 5);
    QVERIFY(!w->voiceOn());

    // The opponent frame is a group of its own; its speeds can be chosen
    // while the human-like opponent is.
    const auto &opponents = controls(w).opponentButtons();
    QTest::mouseClick(opponents[1], Qt::LeftButton);
    QVERIFY(controls(w).stepChooser()->isEnabled());
    QTest::mouseClick(opponents[2], Qt::LeftButton);
    QVERIFY(!opponents[0]->isChecked() && !opponents[1]->isChecked());
    QVERIFY(!controls(w).stepChooser()->isEnabled());
    QCOMPARE(w->strengthLevel(), 5);
    QVERIFY(!w->voiceOn());
    QVERIFY(controls(w).levelButtons()[4]->isChecked());
}

void TestSettingsWindow::backWritesTheLevel_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("opponent"); // the option of the 相手 frame
    QTest::addColumn<int>("step");     // the speed chosen, slowest first
    QTest::addColumn<QString>("shown");
    using K = OpponentChoice::Kind;
    QTest::newRow("うんとよわい") << 0 << int(K::ByLevel) << 1 << QStringLiteral("1");
    QTest::newRow("よわい") << 1 << int(K::ByLevel) << 1 << QStringLiteral("2");
    QTest::newRow("ふつう") << 2 << int(K::ByLevel) << 1 << QStringLiteral("3");
    QTest::newRow("つよい") << 3 << int(K::ByLevel) << 1 << QStringLiteral("4");
    QTest::newRow("うんとつよい") << 4 << int(K::ByLevel) << 1 << QStringLiteral("5");
    // A speed counts only with the human-like opponent.
    QTest::newRow("つよい, a speed left chosen") << 3 << int(K::ByLevel) << 3 << QStringLiteral("4");
    QTest::newRow("はじめて") << 4 << int(K::HumanLike) << 0 << QStringLiteral("初");
    QTest::newRow("ふつう (speed)") << 0 << int(K::HumanLike) << 1 << QStringLiteral("普");
    QTest::newRow("じょうず") << 2 << int(K::HumanLike) << 2 << QStringLiteral("上");
    QTest::newRow("めいじん") << 2 << int(K::HumanLike) << 3 << QStringLiteral("名");
    QTest::newRow("あなたに合わせる") << 1 << int(K::Adaptive) << 3 << QStringLiteral("合");
    QTest::newRow("相手なし（練習）") << 4 << int(K::Practice) << 2 << QStringLiteral("練");
}

void TestSettingsWindow::backWritesTheLevel()
{
    QFETCH(int, option);
    QFETCH(int, opponent);
    QFETCH(int, step);
    QFETCH(QString, shown);
    m_hub->showMatch();
    MatchWindow *match = m_hub->matchWindow();
    controls(match).levelDisplay()->setText(QStringLiteral("x"));
    controls(match).settingsAction()->trigger();
    SettingsWindow *w = m_hub->settingsWindow();
    QVERIFY(w && w->isVisible());
    controls(w).levelButtons()[option]->setChecked(true);
    QTest::mouseClick(controls(w).opponentButtons()[opponent], Qt::LeftButton);
    controls(w).stepChooser()->setCurrentIndex(step);
    // Choosing alone does not touch the match window; もどる does.
    QCOMPARE(controls(match).levelDisplay()->text(), QStringLiteral("x"));
    controls(w).backAction()->trigger();
    QCOMPARE(controls(match).levelDisplay()->text(), shown);
    QVERIFY(!w->isVisible());
    QCOMPARE(m_hub->settingsWindow(), w);

    // The match start reads the same choice and shows the same text.
    controls(match).levelDisplay()->setText(QStringLiteral("x"));
    const MatchState::Setup setup = match->readSettings();
    QCOMPARE(setup.level, option + 1);
    QCOMPARE(int(setup.opponent.kind), opponent);
    if (setup.opponent.kind == OpponentChoice::Kind::HumanLike)
        QCOMPARE(int(setup.opponent.step), step);
    QCOMPARE(controls(match).levelDisplay()->text(), shown);
}

void TestSettingsWindow::backWithoutMatchWindowJustHides()
{
    SettingsWindow *w = settings();
    controls(w).levelButtons()[0]->setChecked(true);
    controls(w).backAction()->trigger();
    QVERIFY(!w->isVisible());
    QVERIFY(!m_hub->matchWindow());
}

void TestSettingsWindow::hiddenWindowKeepsItsChoices()
{
    SettingsWindow *w = settings();
    controls(w).levelButtons()[3]->setChecked(true);
    controls(w).voiceButtons()[0]->setChecked(true);
    controls(w).backAction()->trigger();
    // The match reads them from the hidden window; opening shows them again.
    QCOMPARE(m_hub->matchSettings().strengthLevel(), 4);
    QVERIFY(!m_hub->matchSettings().voiceOn());
    m_hub->showSettings();
    QCOMPARE(m_hub->settingsWindow(), w);
    QVERIFY(controls(w).levelButtons()[3]->isChecked());
    QVERIFY(controls(w).voiceButtons()[0]->isChecked());
}

void TestSettingsWindow::closeBoxDiscardsTheChoices()
{
    m_hub->showMatch();
    MatchWindow *match = m_hub->matchWindow();
    SettingsWindow *w = settings();
    controls(w).levelButtons()[0]->setChecked(true);
    controls(w).voiceButtons()[0]->setChecked(true);
    controls(w).opponentButtons()[1]->setChecked(true);
    controls(w).stepChooser()->setCurrentIndex(3);
    controls(match).levelDisplay()->setText(QStringLiteral("x"));
    QPointer<SettingsWindow> closed = w;
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closed);
    QVERIFY(!m_hub->settingsWindow());
    // The discarded level is not shown; the next match start finds the
    // defaults, level 3 read aloud, and shows that level.
    QCOMPARE(controls(match).levelDisplay()->text(), QStringLiteral("x"));
    const MatchState::Setup setup = match->readSettings();
    QCOMPARE(setup.level, 3);
    QVERIFY(setup.voice);
    QVERIFY(setup.opponent == OpponentChoice{});
    QCOMPARE(controls(match).levelDisplay()->text(), QStringLiteral("3"));
    SettingsWindow *fresh = m_hub->settingsWindow();
    QVERIFY(fresh && !fresh->isVisible());
    QVERIFY(controls(fresh).levelButtons()[2]->isChecked() && controls(fresh).voiceButtons()[1]->isChecked());
    QVERIFY(controls(fresh).opponentButtons()[0]->isChecked());
    QCOMPARE(controls(fresh).stepChooser()->currentIndex(), 1);
}

GINREI_TEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
