// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading/frmmain.h"

#include "app/uikit.h"
#include "data/randomorder.h"
#include "sound/sounddevice.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

FrmMain::FrmMain(Module1 &data, SoundDevice *device) : m_data(data), m_reading(data)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("銀鈴かるた自動よみあげ"));
    auto *client = new QWidget(this);
    ui::setBackground(client, QColor(255, 255, 0));
    setCentralWidget(client);

    using namespace Layout::Yomi;
    Label2[0] = ui::caption(client, QStringLiteral("よみあげ回数"), Label2_0);
    Label2[1] = ui::caption(client, QStringLiteral("回"), Label2_1);
    Label2[2] = ui::caption(client, QStringLiteral("よみあげ番号"), Label2_2);
    Label2[3] = ui::caption(client, QStringLiteral("よみあげ方法"), Label2_3);
    Label2[4] = ui::caption(client, QStringLiteral("よみあげ文字"), Label2_4);
    for (int i = 0; i < 5; ++i)
        Label2[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));

    auto combo = [client](const char *name, Layout::TwipRect rect, const QStringList &items) {
        auto *c = new QComboBox(client);
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(items);
        c->setGeometry(rect.toPx());
        return c;
    };
    Combo1 = combo("Combo1", Layout::Yomi::Combo1, {QStringLiteral("1"), QStringLiteral("2")});
    Combo2 = combo("Combo2", Layout::Yomi::Combo2, {QStringLiteral("1：ランダム"), QStringLiteral("2：あいう順")});
    Label2[0]->setBuddy(Combo1);
    Label2[3]->setBuddy(Combo2);

    auto box = [client](const char *name, Layout::TwipRect rect) {
        auto *l = ui::caption(client, QString(), rect);
        l->setObjectName(QString::fromLatin1(name));
        l->setFrameShape(QFrame::Box);
        l->setAlignment(Qt::AlignCenter);
        l->setFont(ui::font(ui::PGothic, 14.25, true));
        ui::setBackground(l, QColor(255, 192, 192));
        return l;
    };
    Label1[0] = box("Label1_0", Layout::Yomi::Label1_0);
    Label1[1] = box("Label1_1", Layout::Yomi::Label1_1);

    Command1 = new QPushButton(QStringLiteral("実　行"), client);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(Layout::Yomi::Command1.toPx());
    Command1->setFont(ui::font(ui::PGothic, 11.25, true));
    ui::setButtonColour(Command1, QColor(0, 255, 0));
    connect(Command1, &QPushButton::clicked, this, &FrmMain::Command1_Click);

    Image1 = new ui::PictureBox(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(Layout::Yomi::Image1.toPx());
    Image1->setAccessibleName(QStringLiteral("よみあげている札の絵（まだありません）"));

    mnuEnd = menuBar()->addAction(QStringLiteral("おわり"), this, &FrmMain::mnuEnd_Click);
    mnuEnd->setObjectName(QStringLiteral("mnuEnd"));

    Timer1 = new QTimer(this);
    Timer2 = new QTimer(this);
    for (QTimer *t : {Timer1, Timer2})
        t->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &FrmMain::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &FrmMain::Timer2_Timer);
    m_continuation = new QTimer(this);
    m_continuation->setSingleShot(true);
    m_continuation->setInterval(0);
    connect(m_continuation, &QTimer::timeout, this, &FrmMain::continueReading);

    MMControl1 = device;
    MMControl1->setParent(this);
    connect(MMControl1, &SoundDevice::done, this, &FrmMain::MMControl1_Done);
    connect(MMControl1, &SoundDevice::noSoundOutput, this,
            [this] { ui::showWarning(this, m_noSoundOutput, ui::programTitle(), ui::noSoundOutputText()); });

    // Activation means coming to this window from another of the program's
    // windows; the focus moves tell which window that was.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &FrmMain::focusMoved);

    client->setFixedSize(Layout::Yomi::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());
    Form_Load();
}

void FrmMain::Form_Load()
{
    ui::placeTopCentred(this, Layout::WindowTopTwips);
    MMControl1->prepare();
}

void FrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Every show is an activation.
    Form_Activate();
}

void FrmMain::focusMoved(QWindow *focused)
{
    if (!focused)
        return;
    // A dropdown, a context menu or a message box of this window is still
    // this window: opening and closing one is no visit elsewhere.
    QWindow *window = belongsHere(focused) ? windowHandle() : focused;
    QWindow *previous = m_lastFocus;
    m_lastFocus = window;
    if (window != windowHandle()) {
        // Only leaving this window ends a visit; a late focus notice for
        // another window that never really had it does not.
        if (previous == windowHandle())
            m_activated = false;
        return;
    }
    // Back from another window of the program, and only once per visit.
    if (!m_activated && previous && previous != windowHandle())
        Form_Activate();
}

bool FrmMain::belongsHere(QWindow *window) const
{
    if (window == windowHandle())
        return true;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() != window)
            continue;
        for (QWidget *w = top->parentWidget(); w; w = w->parentWidget())
            if (w == this)
                return true;
        return false;
    }
    return false;
}

void FrmMain::Form_Activate()
{
    m_activated = true;
    Command1->setEnabled(true);
    Timer1->stop();
    Timer2->stop();
    m_reading.activate(randomorder::clockSeed());
    MMControl1->releaseOutput();
}

void FrmMain::Command1_Click()
{
    Command1->setEnabled(false);
    const AutoReading::Timer timer = m_reading.start(Combo1->currentText(), Combo2->currentText());
    Timer1->setInterval(AutoReading::FirstDelayMs);
    Timer2->setInterval(AutoReading::FirstDelayMs);
    timerFor(timer)->start();
    MMControl1->openAhead();
    readAhead();
}

void FrmMain::readAhead()
{
    if (const int card = m_reading.upcomingCard())
        MMControl1->preload(m_data.cardSoundPath(card));
}

void FrmMain::Timer1_Timer()
{
    readingTick(Timer1);
}

void FrmMain::Timer2_Timer()
{
    readingTick(Timer2);
}

void FrmMain::readingTick(QTimer *timer)
{
    m_pending = m_reading.tick();
    Label1[0]->setText(m_pending.number);
    Label1[1]->setText(m_pending.label);
    timer->stop();
    timer->setInterval(AutoReading::NextDelayMs);
    m_continuation->start();
}

void FrmMain::continueReading()
{
    // Whatever ran in the meantime may have ended the run.
    if (!m_reading.isCurrent(m_pending.run) || !isVisible())
        return;
    // A picture that cannot be read leaves the frame empty; the reading goes on.
    Image1->loadPicture(m_data.cardPicturePath(m_pending.card));
    Image1->setAccessibleName(QStringLiteral("よみあげている札の絵：") + m_pending.label);
    m_playingRun = m_pending.run;
    MMControl1->play(m_data.cardSoundPath(m_pending.card));
    readAhead();
}

void FrmMain::MMControl1_Done(int notifyCode)
{
    MMControl1->close();
    switch (m_reading.done(m_playingRun, notifyCode)) {
    case AutoReading::Next::Ignore:
        break;
    case AutoReading::Next::Schedule:
        timerFor(m_reading.runTimer())->start();
        break;
    case AutoReading::Next::End:
        MMControl1->releaseOutput();
        EndIni();
        break;
    case AutoReading::Next::Stop:
        // The card's sound could not be played: the run stops here, and the
        // window is ready for another one at once.
        m_reading.stopped();
        MMControl1->releaseOutput();
        Command1->setEnabled(true);
        reportSoundProblem();
        break;
    }
}

void FrmMain::reportSoundProblem()
{
    // Not modal: the window stays usable, and the next "実　行" starts over.
    const QString folderGone = m_data.missingCardFolderText();
    const QString text = folderGone.isEmpty()
        ? QStringLiteral("札 %1「%2」のよみあげ %3 を再生できなかったので、よみあげを止めました。")
              .arg(m_pending.number, m_pending.label, m_data.cardSoundPath(m_pending.card))
        : folderGone + QStringLiteral("\nよみあげを止めました。");
    ui::showWarning(this, m_soundProblem, ui::programTitle(), text);
}

void FrmMain::EndIni()
{
    ui::inform(this, ui::programTitle(), QStringLiteral("終了しました"));
    m_reading.finished();
    Command1->setEnabled(true);
}

void FrmMain::mnuEnd_Click()
{
    Timer1->stop();
    Timer2->stop();
    MMControl1->close();
    MMControl1->releaseOutput();
    m_reading.leave();
    hide();
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // Nothing more is read in a closed window, even while it still exists.
    Timer1->stop();
    Timer2->stop();
    MMControl1->close();
    MMControl1->releaseOutput();
    m_reading.leave();
    event->accept();
}

QTimer *FrmMain::timerFor(AutoReading::Timer timer) const
{
    return timer == AutoReading::Timer::Timer1 ? Timer1 : Timer2;
}
