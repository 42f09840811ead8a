// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "match/frmkaruto.h"

#include "app/uikit.h"
#include "app/windowhub.h"
#include "data/module1.h"
#include "match/board.h"
#include "settings/frmsettei.h"
#include "sound/sounddevice.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGroupBox>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>

namespace K = Layout::Karuto;

namespace {
// A plain rectangle outline, drawn and never changed.
class ShapeOutline : public QWidget
{
public:
    explicit ShapeOutline(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// A framed box for a value: centred, bold, on a coloured ground.
QLabel *valueBox(QWidget *parent, const char *name, const QString &text, Layout::TwipRect rect, const QColor &colour)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(rect.toPx());
    label->setAlignment(Qt::AlignCenter);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setFont(ui::font(ui::PGothic, 14.25, true));
    ui::setBackground(label, colour);
    return label;
}

// A caption that takes the size of its text, from its design corner.
QLabel *autoCaption(QWidget *parent, const char *name, const QString &text, Layout::TwipRect rect)
{
    QLabel *label = ui::caption(parent, text, rect);
    label->setObjectName(QString::fromLatin1(name));
    label->adjustSize();
    return label;
}

QGroupBox *scoreFrame(QWidget *parent, const char *name, const QString &title, Layout::TwipRect rect,
                      const QColor &colour, int index, std::array<QLabel *, 2> &scores,
                      std::array<QLabel *, 2> &ten)
{
    auto *frame = new QGroupBox(title, parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(rect.toPx());
    ui::setBackground(frame, colour);
    scores[index] = valueBox(frame, index == 0 ? "Label2_0" : "Label2_1", QStringLiteral("0"), K::ScoreInFrame, Qt::white);
    ten[index] = ui::caption(frame, QStringLiteral("点"), K::TenInFrame);
    ten[index]->setObjectName(QString::fromLatin1(index == 0 ? "Label4_0" : "Label4_1"));
    ten[index]->setFont(ui::font(ui::PGothic, 12, true));
    return frame;
}
} // namespace

FrmKaruto::FrmKaruto(WindowHub &hub) : m_hub(hub)
{
    setObjectName(QStringLiteral("frmKaruto"));
    setWindowTitle(QStringLiteral("かるた取り"));

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    ui::setBackground(client, QColor(128, 255, 128));
    setCentralWidget(client);

    // The card boxes first, so that everything else lies above a card
    // lifted across it.
    for (int k = 0; k < Board::Boxes; ++k) {
        auto *box = new ui::PictureBox(client);
        box->setObjectName(QStringLiteral("Img1_%1").arg(k));
        box->setGeometry(QRect(Board::slotPosition(k + 1).toPx(), K::CardBox.toPx()));
        box->setAlignment(Qt::AlignCenter);
        box->setAccessibleName(QStringLiteral("空きの札置き場"));
        connect(box, &ui::PictureBox::clicked, this, [this, k] { Img1_Click(k); });
        Img1[k] = box;
    }

    Label3[0] = autoCaption(client, "Label3_0", QStringLiteral("よみあげ文字"), K::Label3_0);
    Label3[1] = autoCaption(client, "Label3_1", QStringLiteral("レベル"), K::Label3_1);
    Label3[2] = autoCaption(client, "Label3_2", QStringLiteral("ｺﾝﾋﾟｭｰﾀの手"), K::Label3_2);
    Label1[2] = valueBox(client, "Label1_2", QString(), K::Label1_2, QColor(255, 192, 192));
    Label1[3] = valueBox(client, "Label1_3", QString(), K::Label1_3, QColor(255, 192, 192));

    Shape1 = new ShapeOutline(client);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(K::Shape1.toPx());

    Image1[0] = new ui::PictureBox(client);
    Image1[0]->setObjectName(QStringLiteral("Image1_0"));
    Image1[0]->setGeometry(K::Image1_0.toPx());
    Image1[0]->setPixmap(QPixmap(QStringLiteral(":/images/hand-rest.png")));
    Image1[0]->setAccessibleName(QStringLiteral("コンピュータの手"));
    Image1[1] = new ui::PictureBox(client);
    Image1[1]->setObjectName(QStringLiteral("Image1_1"));
    Image1[1]->setGeometry(K::Image1_1.toPx());
    Image1[1]->setPixmap(QPixmap(QStringLiteral(":/images/hand-take.png")));
    Image1[1]->setAccessibleName(QStringLiteral("札を取るコンピュータの手"));
    Image1[1]->hide();

    Frame1 = scoreFrame(client, "Frame1", QStringLiteral("あなたの得点"), K::Frame1, QColor(255, 255, 0), 0, Label2, Label4);
    Frame2 = scoreFrame(client, "Frame2", QStringLiteral("ＣＯＭの得点"), K::Frame2, QColor(255, 128, 0), 1, Label2, Label4);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    // It fires once per card; each take that leaves cards to read starts it again.
    Timer1->setSingleShot(true);
    Timer1->setInterval(Strength::reactionIntervalMs(Strength::Default));
    connect(Timer1, &QTimer::timeout, this, &FrmKaruto::Timer1_Timer);

    scanTimer = new QTimer(this);
    scanTimer->setObjectName(QStringLiteral("scanTimer"));
    scanTimer->setInterval(0);
    connect(scanTimer, &QTimer::timeout, this, &FrmKaruto::stepScan);

    MMControl1 = m_hub.soundFactory(this);
    MMControl1->setObjectName(QStringLiteral("MMControl1"));
    connect(MMControl1, &SoundDevice::noSoundOutput, this, &FrmKaruto::tellNoSoundOutput);

    mnuGo = menuBar()->addAction(QStringLiteral("試合開始"), this, &FrmKaruto::mnuGo_Click);
    mnuGo->setObjectName(QStringLiteral("mnuGo"));
    mnuSetei = menuBar()->addAction(QStringLiteral("ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ"), this, &FrmKaruto::mnuSetei_Click);
    mnuSetei->setObjectName(QStringLiteral("mnuSetei"));
    mnuEnd = menuBar()->addAction(QStringLiteral("おわり"), this, &FrmKaruto::mnuEnd_Click);
    mnuEnd->setObjectName(QStringLiteral("mnuEnd"));

    // Until the first match the level display shows what it would play at.
    const FrmSettei *settings = m_hub.settei();
    Label1[3]->setText(QString::number(settings ? settings->strengthLevel() : Strength::Default));

    client->setMinimumWidth(K::Client.toPx().width());
    Form_Load();
}

FrmKaruto::~FrmKaruto() = default;

void FrmKaruto::Form_Load()
{
    Inisharize();
    Timer1->stop();
}

void FrmKaruto::Inisharize()
{
    // The width is the design's; the height follows the screen, measured
    // over the whole window, frame included, once the frame is known.
    const QRect screen = ui::screenRect(this);
    const int frameExtra = frameGeometry().height() - geometry().height();
    const int width = qMax(sizeHint().width(), K::Client.toPx().width());
    setFixedSize(width, qMax(1, screen.height() - Layout::px(K::HeightMarginTwips) - frameExtra));
    ui::placeTopCentred(this, 0);

    // The hand pointer over the card boxes, its fingertip (the top centre of
    // the picture) as the hot spot. Only the first 46 boxes have it.
    const QPixmap hand(m_hub.data().programFolder() + QStringLiteral("/hand.ico"));
    if (!hand.isNull()) {
        const QCursor pointer(hand, hand.width() / 2, 0);
        for (int k = 0; k < K::PointerBoxes; ++k)
            Img1[k]->setCursor(pointer);
    }
}

void FrmKaruto::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_placedWhenShown) {
        m_placedWhenShown = true;
        // Again now that the window frame is known.
        Inisharize();
    }
}

void FrmKaruto::placeFrame2(int cardCount)
{
    Frame2->move(Board::frame2Position(cardCount).toPx());
}

void FrmKaruto::showCard(ui::PictureBox *box, int card, const QImage &picture)
{
    QString name = m_match.label(card);
    if (name.trimmed().isEmpty())
        name = QStringLiteral("札%1").arg(card);
    const bool loaded = !picture.isNull();
    if (loaded) {
        QPixmap pixmap = QPixmap::fromImage(picture);
        pixmap.setDevicePixelRatio(box->devicePixelRatioF());
        box->setPixmap(pixmap);
        box->setFrameStyle(QFrame::NoFrame);
        box->setAutoFillBackground(false);
    } else {
        // A card whose picture is missing still lies on the table, as a
        // plain card with its label, and can be taken like any other.
        box->clearPicture();
        box->setFrameStyle(QFrame::Box | QFrame::Plain);
        ui::setBackground(box, Qt::white);
        box->setFont(ui::font(ui::PGothic, 24, true));
        box->setText(name);
    }
    // Set at every layout: the box now shows another card.
    box->setAccessibleName(name);
}

void FrmKaruto::KaruHyoji()
{
    const int n = m_match.cardCount();
    // All the pictures of the table at once, decoded in parallel; every one
    // is here before the first box is filled, and so before the first card
    // is announced. The boxes are all of one size.
    QStringList paths;
    for (int s = 1; s <= n; ++s)
        paths << m_match.picturePath(m_match.cardInSlot(s));
    const QList<QImage> pictures = m_pictures.loadAll(paths, Img1[0]->size() * Img1[0]->devicePixelRatioF());
    for (int s = 1; s <= Board::Boxes; ++s) {
        ui::PictureBox *box = Img1[s - 1];
        if (s > n) {
            // Left over from a larger set: off the table, so that nobody can
            // take a card that is not in play.
            box->hide();
            continue;
        }
        box->move(Board::slotPosition(s).toPx());
        box->setAccessibleDescription(QString());
        showCard(box, m_match.cardInSlot(s), pictures[s - 1]);
        box->show();
    }
    // Cards taken in an earlier match were brought to the front. On the
    // table they lie under the captions and the computer's hand again, each
    // above the slots before it, as when the window was made: a card lifted
    // from a lower row passes over the rows above it.
    for (int s = Board::Boxes; s >= 1; --s)
        Img1[s - 1]->lower();
}

MatchState::Setup FrmKaruto::readSettings()
{
    const MatchState::Setup setup = MatchState::Setup::from(m_hub.matchSettings());
    Label1[3]->setText(QString::number(setup.level));
    return setup;
}

void FrmKaruto::drawOrders(const MatchState::Setup &setup)
{
    Module1 &data = m_hub.data();
    m_match.begin(MatchState::Cards::from(data), setup, randomorder::clockSeed(), randomorder::clockSeed());
    Timer1->setInterval(m_match.reactionIntervalMs());
    // The program-wide arrays get the same orders; the match itself reads
    // only its own copy.
    for (int p = 1; p <= m_match.cardCount(); ++p) {
        data.readingOrder()[p] = m_match.readingOrder()[p];
        data.boardOrder()[p] = m_match.boardOrder()[p];
    }
}

void FrmKaruto::announce(bool startReactionTimer, bool handBackToRest)
{
    const MatchState::Announcement a = m_match.announcement();
    Label1[2]->setText(a.label);
    if (handBackToRest) {
        Image1[0]->move(K::Image1_0.toPx().topLeft());
        Image1[0]->show();
        Image1[1]->hide();
    }
    if (startReactionTimer)
        Timer1->start();
    if (a.readAloud) {
        Yomiage();
        readAhead();
    }
    Q_EMIT announced();
}

void FrmKaruto::readAhead()
{
    if (const int next = m_match.nextCard())
        MMControl1->preload(m_match.soundPath(next));
}

void FrmKaruto::tellNoSoundOutput()
{
    ui::showWarning(this, m_noSoundOutput, ui::programTitle(), ui::noSoundOutputText());
}

void FrmKaruto::Yomiage()
{
    const int card = m_match.currentCard();
    if (card == 0)
        return;
    MMControl1->play(m_match.soundPath(card));
}

void FrmKaruto::cutReadingShort()
{
    if (m_match.voiceOn())
        MMControl1->stopAndClose();
}

void FrmKaruto::mnuGo_Click()
{
    mnuGo->setEnabled(false);
    mnuSetei->setEnabled(false);
    placeFrame2(m_hub.data().cardCount());
    Main();
    // The computer does not compete for the first card.
    Timer1->stop();
    // The match can still be played with the cards' labels; the player
    // should know why the pictures and the voice are gone.
    const QString folderGone = m_hub.data().missingCardFolderText();
    if (!folderGone.isEmpty())
        ui::showWarning(this, m_folderProblem, ui::programTitle(),
                        folderGone + QStringLiteral("\n札は文字だけで表示し、よみあげもできません。"));
}

void FrmKaruto::Main()
{
    const MatchState::Setup setup = readSettings();
    // Turns of an earlier match, or of one carried on after おわり, are
    // still waiting in their yields: none of them may take a card of this one.
    m_scan.invalidate();
    drawOrders(setup);
    if (setup.voice) {
        // The output opens and the first recording is decoded while the
        // table is laid out.
        MMControl1->openAhead();
        MMControl1->preload(m_match.soundPath(m_match.currentCard()));
    }
    KaruHyoji();
    // The last match may have ended with a take by the computer, its hand
    // still up where the lift ended.
    Image1[0]->move(K::Image1_0.toPx().topLeft());
    Image1[0]->show();
    Image1[1]->hide();
    const MatchState::Announcement first = m_match.announcement();
    Label1[2]->setText(first.label);
    showScores();
    if (first.readAloud) {
        Yomiage();
        readAhead();
    }
    Q_EMIT announced();
}

void FrmKaruto::showScores()
{
    Label2[0]->setText(QString::number(m_match.playerScore()));
    Label2[1]->setText(QString::number(m_match.computerScore()));
}

void FrmKaruto::bringToFront(QWidget *widget)
{
    widget->raise();
    // The piles grow across the displays and the frames: from its 36th card
    // the computer's reaches the reading display, and with 49 cards the
    // player's runs under the computer's frame.
    const std::array<QWidget *, 6> displays{Label3[0], Label1[2], Label3[1], Label1[3], Frame1, Frame2};
    for (QWidget *display : displays)
        display->raise();
}

void FrmKaruto::putOnPile(ui::PictureBox *box, Board::Pile side, int k)
{
    bringToFront(box);
    box->move(Board::pilePosition(side, k).toPx());
    box->setAccessibleDescription(side == Board::Pile::Player ? QStringLiteral("あなたが取った札")
                                                              : QStringLiteral("コンピュータが取った札"));
}

void FrmKaruto::nextCardOrEnd(bool handBackToRest)
{
    if (m_match.finished())
        EndIni();
    else
        announce(true, handBackToRest);
}

void FrmKaruto::Img1_Click(int index)
{
    const int slot = index + 1;
    if (!m_match.isRightTake(slot)) {
        // A wrong card, a card on a pile, or no match: the reading and the
        // computer's countdown go on.
        m_match.wrongTake();
        Label2[0]->setText(QString::number(m_match.playerScore()));
        return;
    }
    cutReadingShort();
    Timer1->stop();
    const int k = m_match.take(Board::Pile::Player, slot);
    Label2[0]->setText(QString::number(m_match.playerScore()));
    putOnPile(Img1[index], Board::Pile::Player, k);
    nextCardOrEnd(false);
    // A turn that was looking for this card goes on (and finds nothing);
    // after the result message it may need its timer again.
    keepScanning();
}

void FrmKaruto::Timer1_Timer()
{
    Timer1->stop();
    ComArugo();
}

void FrmKaruto::ComArugo()
{
    m_scan.begin(m_match);
    stepScan();
}

void FrmKaruto::stepScan()
{
    // While the result message waits for its answer, the turns below it
    // stay where they are, as they would in a call stack.
    if (m_askingResult)
        return;
    for (;;) {
        const ComputerScan::Result result = m_scan.step(m_match);
        if (result.kind != ComputerScan::Result::Take)
            break;
        computerTakes(result.slot);
        // The take done, the turn below it (if any) returns from its yield.
    }
    keepScanning();
}

void FrmKaruto::keepScanning()
{
    if (m_scan.idle() || m_askingResult)
        scanTimer->stop();
    else if (!scanTimer->isActive())
        scanTimer->start();
}

void FrmKaruto::computerTakes(int slot)
{
    // A turn only finds the card it was started for, and only in its own
    // match; anything else would be a fault, and it must not move a card.
    if (!m_match.isRightTake(slot))
        return;
    ui::PictureBox *box = Img1[slot - 1];
    ui::PictureBox *hand = Image1[1];
    QWidget *table = centralWidget();
    cutReadingShort();

    // The hand comes down on the card and lifts it to the top of the table.
    // Nothing else runs meanwhile: each step is painted at once, without
    // going back to the event loop.
    // The first step also repaints where the two hands were before.
    const std::vector<Board::LiftStep> lift = Board::liftSteps(slot);
    QRegion dirty = QRegion(Image1[0]->geometry()) | hand->geometry();
    Image1[0]->hide();
    hand->show();
    bringToFront(hand);
    hand->move(Board::handOnCard(slot).toPx());
    for (const Board::LiftStep &step : lift) {
        dirty |= QRegion(box->geometry()) | hand->geometry();
        box->move(step.card.toPx());
        hand->move(step.hand.toPx());
        table->repaint(dirty | box->geometry() | hand->geometry());
        dirty = QRegion();
    }

    const int k = m_match.take(Board::Pile::Computer, slot);
    Label2[1]->setText(QString::number(m_match.computerScore()));
    putOnPile(box, Board::Pile::Computer, k);
    // After the last card the hand stays where the lift left it.
    nextCardOrEnd(true);
}

void FrmKaruto::EndIni()
{
    Timer1->stop();
    mnuGo->setEnabled(true);
    mnuSetei->setEnabled(true);
    MMControl1->close();
    MMControl1->releaseOutput();
    const QString text = m_match.playerWins() ? QStringLiteral("あなたの勝ちです！！もう一度やりますか？")
                                              : QStringLiteral("あなたの負けです。もう一度やりますか？");
    m_askingResult = true;
    scanTimer->stop();
    const bool again = ui::askYesNo(this, QStringLiteral("試合終了"), text);
    m_askingResult = false;
    if (!again)
        hide();
}

void FrmKaruto::mnuSetei_Click()
{
    m_hub.showSettei();
}

void FrmKaruto::mnuEnd_Click()
{
    Timer1->stop();
    mnuGo->setEnabled(true);
    mnuSetei->setEnabled(true);
    MMControl1->close();
    MMControl1->releaseOutput();
    hide();
    // A turn suspended in its yield ends at its next step, taking nothing.
    // The match itself stays as it is and can be carried on.
    m_scan.invalidate();
}

void FrmKaruto::Form_Unload()
{
    MMControl1->close();
    MMControl1->releaseOutput();
    // The window goes once this event is over; until then no timer may
    // start a turn or take a card on it.
    Timer1->stop();
    m_scan.invalidate();
    scanTimer->stop();
}

void FrmKaruto::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}
