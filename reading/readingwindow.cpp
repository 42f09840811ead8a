// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading/readingwindow.h"

#include "data/randomorder.h"
#include "sound/sounddevice.h"
#include "ui/uikit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

ReadingWindow::ReadingWindow(CardState &data, SoundDevice *device) : m_data(data), m_reading(data)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("銀鈴かるた自動よみあげ"));
    auto *client = new QWidget(this);
    ui::setBackground(client, QColor(255, 255, 0));
    setCentralWidget(client);

    namespace R = Layout::Reading;
    Label2[0] = ui::caption(client, QStringLiteral("よみあげ回数"), R::TimesCaption);
    Label2[1] = ui::caption(client, QStringLiteral("回"), R::TimesUnitCaption);
    Label2[2] = ui::caption(client, QStringLiteral("よみあげ番号"), R::NumberCaption);
    Label2[3] = ui::caption(client, QStringLiteral("よみあげ方法"), R::OrderCaption);
    Label2[4] = ui::caption(client, QStringLiteral("よみあげ文字"), R::LabelCaption);
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
    Combo1 = combo("Combo1", R::TimesChooser, {QStringLiteral("1"), QStringLiteral("2")});
    Combo2 = combo("Combo2", R::OrderChooser, {QStringLiteral("1：ランダム"), QStringLiteral("2：あいう順")});
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
    Label1[0] = box("Label1_0", R::NumberDisplay);
    Label1[1] = box("Label1_1", R::LabelDisplay);

    Command1 = new QPushButton(QStringLiteral("実　行"), client);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(R::StartButton.toPx());
    Command1->setFont(ui::font(ui::PGothic, 11.25, true));
    ui::setButtonColour(Command1, QColor(0, 255, 0));
    connect(Command1, &QPushButton::clicked, this, &ReadingWindow::Command1_Click);

    Image1 = new ui::PictureBox(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(R::CardPicture.toPx());
    Image1->setAccessibleName(QStringLiteral("よみあげている札の絵（まだありません）"));

    mnuEnd = menuBar()->addAction(QStringLiteral("おわり"), this, &ReadingWindow::mnuEnd_Click);
    mnuEnd->setObjectName(QStringLiteral("mnuEnd"));

    Timer1 = new QTimer(this);
    Timer2 = new QTimer(this);
    for (QTimer *t : {Timer1, Timer2})
        t->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &ReadingWindow::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &ReadingWindow::Timer2_Timer);
    m_continuation = new QTimer(this);
    m_continuation->setSingleShot(true);
    m_continuation->setInterval(0);
    connect(m_continuation, &QTimer::timeout, this, &ReadingWindow::continueReading);

    MMControl1 = device;
    MMControl1->setParent(this);
    connect(MMControl1, &SoundDevice::done, this, &ReadingWindow::MMControl1_Done);
    connect(MMControl1, &SoundDevice::noSoundOutput, this,
            [this] { ui::showWarning(this, m_noSoundOutput, ui::programTitle(), ui::noSoundOutputText()); });

    // Activation means coming to this window from another of the program's
    // windows; the focus moves tell which window that was.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &ReadingWindow::focusMoved);

    client->setFixedSize(R::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());
    Form_Load();
}

void ReadingWindow::Form_Load()
{
    ui::placeTopCentred(this, Layout::WindowTopTwips);
    MMControl1->prepare();
}

void ReadingWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Every show is an activation.
    Form_Activate();
}

void ReadingWindow::focusMoved(QWindow *focused)
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

bool ReadingWindow::belongsHere(QWindow *window) const
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

void ReadingWindow::Form_Activate()
{
    m_activated = true;
    Command1->setEnabled(true);
    Timer1->stop();
    Timer2->stop();
    m_reading.activate(randomorder::clockSeed());
    MMControl1->releaseOutput();
}

void ReadingWindow::Command1_Click()
{
    Command1->setEnabled(false);
    const AutoReading::Timer timer = m_reading.start(Combo1->currentText(), Combo2->currentText());
    Timer1->setInterval(AutoReading::FirstDelayMs);
    Timer2->setInterval(AutoReading::FirstDelayMs);
    timerFor(timer)->start();
    MMControl1->openAhead();
    readAhead();
}

void ReadingWindow::readAhead()
{
    if (const int card = m_reading.upcomingCard())
        MMControl1->preload(m_data.cardSoundPath(card));
}

void ReadingWindow::Timer1_Timer()
{
    readingTick(Timer1);
}

void ReadingWindow::Timer2_Timer()
{
    readingTick(Timer2);
}

void ReadingWindow::readingTick(QTimer *timer)
{
    m_pending = m_reading.tick();
    Label1[0]->setText(m_pending.number);
    Label1[1]->setText(m_pending.label);
    timer->stop();
    timer->setInterval(AutoReading::NextDelayMs);
    m_continuation->start();
}

void ReadingWindow::continueReading()
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

void ReadingWindow::MMControl1_Done(int notifyCode)
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

void ReadingWindow::reportSoundProblem()
{
    // Not modal: the window stays usable, and the next "実　行" starts over.
    const QString folderGone = m_data.missingCardFolderText();
    const QString text = folderGone.isEmpty()
        ? QStringLiteral("札 %1「%2」のよみあげ %3 を再生できなかったので、よみあげを止めました。")
              .arg(m_pending.number, m_pending.label, m_data.cardSoundPath(m_pending.card))
        : folderGone + QStringLiteral("\nよみあげを止めました。");
    ui::showWarning(this, m_soundProblem, ui::programTitle(), text);
}

void ReadingWindow::EndIni()
{
    ui::inform(this, ui::programTitle(), QStringLiteral("終了しました"));
    m_reading.finished();
    Command1->setEnabled(true);
}

void ReadingWindow::mnuEnd_Click()
{
    Timer1->stop();
    Timer2->stop();
    MMControl1->close();
    MMControl1->releaseOutput();
    m_reading.leave();
    hide();
}

void ReadingWindow::closeEvent(QCloseEvent *event)
{
    // Nothing more is read in a closed window, even while it still exists.
    Timer1->stop();
    Timer2->stop();
    MMControl1->close();
    MMControl1->releaseOutput();
    m_reading.leave();
    event->accept();
}

QTimer *ReadingWindow::timerFor(AutoReading::Timer timer) const
{
    return timer == AutoReading::Timer::Timer1 ? Timer1 : Timer2;
}
