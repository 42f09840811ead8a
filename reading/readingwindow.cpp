// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "reading/readingwindow.h"

#include "data/cardstate.h"
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
    auto caption = [client](const char *name, const QString &text, Layout::TwipRect rect) {
        QLabel *label = ui::caption(client, text, rect);
        label->setObjectName(QString::fromLatin1(name));
        return label;
    };
    QLabel *timesCaption = caption("Label2_0", QStringLiteral("よみあげ回数"), R::TimesCaption);
    caption("Label2_1", QStringLiteral("回"), R::TimesUnitCaption);
    caption("Label2_2", QStringLiteral("よみあげ番号"), R::NumberCaption);
    QLabel *orderCaption = caption("Label2_3", QStringLiteral("よみあげ方法"), R::OrderCaption);
    caption("Label2_4", QStringLiteral("よみあげ文字"), R::LabelCaption);

    auto combo = [client](const char *name, Layout::TwipRect rect, const QStringList &items) {
        auto *c = new QComboBox(client);
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(items);
        c->setGeometry(rect.toPx());
        return c;
    };
    m_timesChooser = combo("Combo1", R::TimesChooser, {QStringLiteral("1"), QStringLiteral("2")});
    m_orderChooser = combo("Combo2", R::OrderChooser, {QStringLiteral("1：ランダム"), QStringLiteral("2：あいう順")});
    // A combo box is named after its current text; its caption names it.
    timesCaption->setBuddy(m_timesChooser);
    orderCaption->setBuddy(m_orderChooser);

    auto box = [client](const char *name, Layout::TwipRect rect) {
        auto *l = ui::caption(client, QString(), rect);
        l->setObjectName(QString::fromLatin1(name));
        l->setFrameShape(QFrame::Box);
        l->setAlignment(Qt::AlignCenter);
        l->setFont(ui::font(ui::PGothic, 14.25, true));
        ui::setBackground(l, QColor(255, 192, 192));
        return l;
    };
    m_numberDisplay = box("Label1_0", R::NumberDisplay);
    m_labelDisplay = box("Label1_1", R::LabelDisplay);

    m_startButton = new QPushButton(QStringLiteral("実　行"), client);
    m_startButton->setObjectName(QStringLiteral("Command1"));
    m_startButton->setGeometry(R::StartButton.toPx());
    m_startButton->setFont(ui::font(ui::PGothic, 11.25, true));
    ui::setButtonColour(m_startButton, QColor(0, 255, 0));
    connect(m_startButton, &QPushButton::clicked, this, &ReadingWindow::startRun);

    m_cardPicture = new ui::PictureBox(client);
    m_cardPicture->setObjectName(QStringLiteral("Image1"));
    m_cardPicture->setGeometry(R::CardPicture.toPx());
    m_cardPicture->setAccessibleName(QStringLiteral("よみあげている札の絵（まだありません）"));

    QAction *leaveAction = menuBar()->addAction(QStringLiteral("おわり"), this, &ReadingWindow::leave);
    leaveAction->setObjectName(QStringLiteral("mnuEnd"));

    m_aiuOrderTimer = new QTimer(this);
    m_aiuOrderTimer->setObjectName(QStringLiteral("Timer1"));
    m_randomOrderTimer = new QTimer(this);
    m_randomOrderTimer->setObjectName(QStringLiteral("Timer2"));
    for (QTimer *t : {m_aiuOrderTimer, m_randomOrderTimer})
        t->setTimerType(Qt::PreciseTimer);
    connect(m_aiuOrderTimer, &QTimer::timeout, this, &ReadingWindow::aiuOrderTimeUp);
    connect(m_randomOrderTimer, &QTimer::timeout, this, &ReadingWindow::randomOrderTimeUp);
    m_continuation = new QTimer(this);
    m_continuation->setSingleShot(true);
    m_continuation->setInterval(0);
    connect(m_continuation, &QTimer::timeout, this, &ReadingWindow::continueReading);

    m_sound = device;
    m_sound->setParent(this);
    m_sound->setObjectName(QStringLiteral("MMControl1"));
    connect(m_sound, &SoundDevice::done, this, &ReadingWindow::readingEnded);
    connect(m_sound, &SoundDevice::noSoundOutput, this,
            [this] { ui::showWarning(this, m_noSoundOutput, ui::programTitle(), ui::noSoundOutputText()); });

    // Activation means coming to this window from another of the program's
    // windows; the focus moves tell which window that was.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &ReadingWindow::focusMoved);

    client->setFixedSize(R::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());
    load();
}

void ReadingWindow::load()
{
    ui::placeTopCentred(this, Layout::WindowTopTwips);
    m_sound->prepare();
}

void ReadingWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Every show is an activation.
    activate();
}

void ReadingWindow::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    m_sound->releaseOutput();
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
        activate();
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

void ReadingWindow::activate()
{
    m_activated = true;
    m_startButton->setEnabled(true);
    m_aiuOrderTimer->stop();
    m_randomOrderTimer->stop();
    m_reading.activate(randomorder::clockSeed());
    // The first reading of 実　行 is heard as soon as the later ones: its
    // stream is open before the press, and stays open while the window is
    // shown.
    m_sound->openAhead();
}

void ReadingWindow::startRun()
{
    m_startButton->setEnabled(false);
    const AutoReading::Timer timer = m_reading.start(m_timesChooser->currentText(), m_orderChooser->currentText());
    m_aiuOrderTimer->setInterval(AutoReading::FirstDelayMs);
    m_randomOrderTimer->setInterval(AutoReading::FirstDelayMs);
    timerFor(timer)->start();
    m_sound->openAhead();
    readAhead();
}

void ReadingWindow::readAhead()
{
    if (const int card = m_reading.upcomingCard())
        m_sound->preload(m_data.cardSoundPath(card));
}

void ReadingWindow::aiuOrderTimeUp()
{
    readingTick(m_aiuOrderTimer);
}

void ReadingWindow::randomOrderTimeUp()
{
    readingTick(m_randomOrderTimer);
}

void ReadingWindow::readingTick(QTimer *timer)
{
    m_pending = m_reading.tick();
    m_numberDisplay->setText(m_pending.number);
    m_labelDisplay->setText(m_pending.label);
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
    m_cardPicture->loadPicture(m_data.cardPicturePath(m_pending.card));
    m_cardPicture->setAccessibleName(QStringLiteral("よみあげている札の絵：") + m_pending.label);
    m_playingRun = m_pending.run;
    m_sound->play(m_data.cardSoundPath(m_pending.card));
    readAhead();
}

void ReadingWindow::readingEnded(int notifyCode)
{
    m_sound->close();
    switch (m_reading.done(m_playingRun, notifyCode)) {
    case AutoReading::Next::Ignore:
        break;
    case AutoReading::Next::Schedule:
        timerFor(m_reading.runTimer())->start();
        break;
    case AutoReading::Next::End:
        endRun();
        break;
    case AutoReading::Next::Stop:
        // The card's sound could not be played: the run stops here, and the
        // window is ready for another one at once.
        m_reading.stopped();
        m_startButton->setEnabled(true);
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

void ReadingWindow::endRun()
{
    ui::inform(this, ui::programTitle(), QStringLiteral("終了しました"));
    m_reading.finished();
    m_startButton->setEnabled(true);
}

void ReadingWindow::leave()
{
    m_aiuOrderTimer->stop();
    m_randomOrderTimer->stop();
    m_sound->close();
    m_reading.leave();
    hide();
}

void ReadingWindow::closeEvent(QCloseEvent *event)
{
    // Nothing more is read in a closed window, even while it still exists.
    m_aiuOrderTimer->stop();
    m_randomOrderTimer->stop();
    m_sound->close();
    m_reading.leave();
    event->accept();
}

QTimer *ReadingWindow::timerFor(AutoReading::Timer timer) const
{
    return timer == AutoReading::Timer::AiuOrder ? m_aiuOrderTimer : m_randomOrderTimer;
}
