// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The settings window: its layout and defaults, もどる, and the close box
// that discards the choices.

#include "app/windowhub.h"
#include "data/module1.h"
#include "match/frmkaruto.h"
#include "settings/frmsettei.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QTest>

class TestSettei : public QObject
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
    FrmSettei *settings();
    std::unique_ptr<testing::ProgramFolder> m_program;
    std::unique_ptr<Module1> m_data;
    std::unique_ptr<WindowHub> m_hub;
};

void TestSettei::init()
{
    m_program = std::make_unique<testing::ProgramFolder>(false);
    m_data = std::make_unique<Module1>(m_program->path());
    m_hub = std::make_unique<WindowHub>(*m_data);
    m_hub->soundFactory = [](QObject *owner) -> SoundDevice * { return new testing::RecordingSoundDevice(owner); };
}

void TestSettei::cleanup()
{
    m_hub.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_data.reset();
    m_program.reset();
}

FrmSettei *TestSettei::settings()
{
    m_hub->showSettei();
    return m_hub->settei();
}

void TestSettei::layoutAndColours_data()
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
}

void TestSettei::layoutAndColours()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, rect);
    QFETCH(QColor, colour);
    FrmSettei *w = settings();
    QWidget *control = w->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), rect);
    QCOMPARE(control->palette().color(QPalette::Window), colour);
    if (auto *frame = qobject_cast<QGroupBox *>(control))
        QCOMPARE(frame->title(), text);
    else
        QCOMPARE(qobject_cast<QRadioButton *>(control)->text(), text);
}

void TestSettei::defaults()
{
    FrmSettei *w = settings();
    QCOMPARE(w->objectName(), QStringLiteral("frmSettei"));
    QCOMPARE(w->windowTitle(), QStringLiteral("レベル"));
    QCOMPARE(w->centralWidget()->size(), QSize(260, 212));
    QCOMPARE(w->centralWidget()->palette().color(QPalette::Window), QColor(255, 0, 0));
    QVERIFY(w->isVisible() && !w->isModal() && !w->parentWidget());
    const QList<QAction *> menu = w->menuBar()->actions();
    QCOMPARE(menu.size(), 1);
    QCOMPARE(menu[0]->text(), QStringLiteral("もどる"));

    for (int i = 0; i < 5; ++i)
        QCOMPARE(w->Option1[i]->isChecked(), i == 2);
    QVERIFY(!w->Option2[0]->isChecked());
    QVERIFY(w->Option2[1]->isChecked());
    QCOMPARE(w->strengthLevel(), 3);
    QVERIFY(w->voiceOn());
}

void TestSettei::eachFrameIsOneGroup()
{
    FrmSettei *w = settings();
    // A click on an option selects it and clears the rest of its frame only.
    QTest::mouseClick(w->Option1[0], Qt::LeftButton);
    QTest::mouseClick(w->Option2[0], Qt::LeftButton);
    QCOMPARE(w->strengthLevel(), 1);
    QVERIFY(!w->voiceOn());
    int checked = 0;
    for (QRadioButton *b : w->Option1)
        checked += b->isChecked();
    QCOMPARE(checked, 1);
    QVERIFY(!w->Option2[1]->isChecked());
    QTest::mouseClick(w->Option1[4], Qt::LeftButton);
    QCOMPARE(w->strengthLevel(), 5);
    QVERIFY(!w->voiceOn());
}

void TestSettei::backWritesTheLevel_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<QString>("shown");
    QTest::newRow("うんとよわい") << 0 << QStringLiteral("1");
    QTest::newRow("よわい") << 1 << QStringLiteral("2");
    QTest::newRow("ふつう") << 2 << QStringLiteral("3");
    QTest::newRow("つよい") << 3 << QStringLiteral("4");
    QTest::newRow("うんとつよい") << 4 << QStringLiteral("5");
}

void TestSettei::backWritesTheLevel()
{
    QFETCH(int, option);
    QFETCH(QString, shown);
    m_hub->showKaruto();
    FrmKaruto *match = m_hub->karuto();
    match->Label1[3]->setText(QStringLiteral("x"));
    match->mnuSetei->trigger();
    FrmSettei *w = m_hub->settei();
    QVERIFY(w && w->isVisible());
    w->Option1[option]->setChecked(true);
    // Choosing alone does not touch the match window; もどる does.
    QCOMPARE(match->Label1[3]->text(), QStringLiteral("x"));
    w->mnuEnd->trigger();
    QCOMPARE(match->Label1[3]->text(), shown);
    QVERIFY(!w->isVisible());
    QCOMPARE(m_hub->settei(), w);
}

void TestSettei::backWithoutMatchWindowJustHides()
{
    FrmSettei *w = settings();
    w->Option1[0]->setChecked(true);
    w->mnuEnd->trigger();
    QVERIFY(!w->isVisible());
    QVERIFY(!m_hub->karuto());
}

void TestSettei::hiddenWindowKeepsItsChoices()
{
    FrmSettei *w = settings();
    w->Option1[3]->setChecked(true);
    w->Option2[0]->setChecked(true);
    w->mnuEnd->trigger();
    // The match reads them from the hidden window; opening shows them again.
    QCOMPARE(m_hub->matchSettings().strengthLevel(), 4);
    QVERIFY(!m_hub->matchSettings().voiceOn());
    m_hub->showSettei();
    QCOMPARE(m_hub->settei(), w);
    QVERIFY(w->Option1[3]->isChecked());
    QVERIFY(w->Option2[0]->isChecked());
}

void TestSettei::closeBoxDiscardsTheChoices()
{
    m_hub->showKaruto();
    FrmKaruto *match = m_hub->karuto();
    FrmSettei *w = settings();
    w->Option1[0]->setChecked(true);
    w->Option2[0]->setChecked(true);
    match->Label1[3]->setText(QStringLiteral("x"));
    QPointer<FrmSettei> closed = w;
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closed);
    QVERIFY(!m_hub->settei());
    // The discarded level is not shown; the next match start finds the
    // defaults, level 3 read aloud, and shows that level.
    QCOMPARE(match->Label1[3]->text(), QStringLiteral("x"));
    const MatchState::Setup setup = match->readSettings();
    QCOMPARE(setup.level, 3);
    QVERIFY(setup.voice);
    QCOMPARE(match->Label1[3]->text(), QStringLiteral("3"));
    FrmSettei *fresh = m_hub->settei();
    QVERIFY(fresh && !fresh->isVisible());
    QVERIFY(fresh->Option1[2]->isChecked() && fresh->Option2[1]->isChecked());
}

GINREI_TEST_MAIN(TestSettei)
#include "tst_settei.moc"
