// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "match/matchwindow.h"

#include "data/cardstate.h"
#include "match/matchhost.h"
#include "record/recordreader.h"
#include "record/trainingrecord.h"
#include "settings/strength.h"
#include "sound/sounddevice.h"
#include "ui/uikit.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGroupBox>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>

namespace M = Layout::Match;

namespace {
// A rectangle outline of one colour, width pixels inside its edge, over
// whatever lies under it; clicks go through it.
class Outline : public QWidget
{
public:
    Outline(QWidget *parent, const QColor &colour, int width) : QWidget(parent), m_colour(colour), m_width(width)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect inside = rect().adjusted(m_width, m_width, -m_width, -m_width);
        for (const QRect &side : QRegion(rect()) - QRegion(inside))
            p.fillRect(side, m_colour);
    }

private:
    QColor m_colour;
    int m_width;
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

// A side's score frame: its score box (returned in *score) and "点".
QGroupBox *scoreFrame(QWidget *parent, const char *name, const QString &title, Layout::TwipRect rect,
                      const QColor &colour, const char *scoreName, const char *unitName, QLabel **score)
{
    auto *frame = new QGroupBox(title, parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(rect.toPx());
    ui::setBackground(frame, colour);
    *score = valueBox(frame, scoreName, QStringLiteral("0"), M::ScoreInFrame, Qt::white);
    QLabel *unit = ui::caption(frame, QStringLiteral("点"), M::ScoreUnitInFrame);
    unit->setObjectName(QString::fromLatin1(unitName));
    unit->setFont(ui::font(ui::PGothic, 12, true));
    return frame;
}
} // namespace

MatchWindow::MatchWindow(CardState &data, MatchHost &host, SoundDevice *device) : m_data(data), m_host(host)
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
        box->setGeometry(QRect(Board::slotPosition(k + 1).toPx(), M::CardBox.toPx()));
        box->setAlignment(Qt::AlignCenter);
        box->setAccessibleName(QStringLiteral("空きの札置き場"));
        connect(box, &ui::PictureBox::clicked, this, [this, k] { takeCard(k); });
        m_cardBoxes[k] = box;
    }

    m_readingCaption = autoCaption(client, "Label3_0", QStringLiteral("よみあげ文字"), M::ReadingCaption);
    m_levelCaption = autoCaption(client, "Label3_1", QStringLiteral("レベル"), M::LevelCaption);
    m_handCaption = autoCaption(client, "Label3_2", QStringLiteral("ｺﾝﾋﾟｭｰﾀの手"), M::HandCaption);
    m_readingDisplay = valueBox(client, "Label1_2", QString(), M::ReadingDisplay, QColor(255, 192, 192));
    m_levelDisplay = valueBox(client, "Label1_3", QString(), M::LevelDisplay, QColor(255, 192, 192));

    auto *handOutline = new Outline(client, Qt::black, 1);
    handOutline->setObjectName(QStringLiteral("Shape1"));
    handOutline->setGeometry(M::HandOutline.toPx());

    m_handAtRest = new ui::PictureBox(client);
    m_handAtRest->setObjectName(QStringLiteral("Image1_0"));
    m_handAtRest->setGeometry(M::HandAtRest.toPx());
    m_handAtRest->setPixmap(QPixmap(QStringLiteral(":/images/hand-rest.png")));
    m_handAtRest->setAccessibleName(QStringLiteral("コンピュータの手"));
    m_handTaking = new ui::PictureBox(client);
    m_handTaking->setObjectName(QStringLiteral("Image1_1"));
    m_handTaking->setGeometry(M::HandTaking.toPx());
    m_handTaking->setPixmap(QPixmap(QStringLiteral(":/images/hand-take.png")));
    m_handTaking->setAccessibleName(QStringLiteral("札を取るコンピュータの手"));
    m_handTaking->hide();

    m_playerScoreFrame = scoreFrame(client, "Frame1", QStringLiteral("あなたの得点"), M::PlayerScoreFrame,
                                    QColor(255, 255, 0), "Label2_0", "Label4_0", &m_playerScore);
    m_computerScoreFrame = scoreFrame(client, "Frame2", QStringLiteral("ＣＯＭの得点"), M::ComputerScoreFrame,
                                      QColor(255, 128, 0), "Label2_1", "Label4_1", &m_computerScore);

    m_reactionTimer = new QTimer(this);
    m_reactionTimer->setObjectName(QStringLiteral("Timer1"));
    m_reactionTimer->setTimerType(Qt::PreciseTimer);
    // It fires once per card; each take that leaves cards to read starts it again.
    m_reactionTimer->setSingleShot(true);
    m_reactionTimer->setInterval(Strength::reactionIntervalMs(Strength::Default));
    connect(m_reactionTimer, &QTimer::timeout, this, &MatchWindow::reactionTimeUp);

    m_scanTimer = new QTimer(this);
    m_scanTimer->setObjectName(QStringLiteral("scanTimer"));
    m_scanTimer->setInterval(0);
    connect(m_scanTimer, &QTimer::timeout, this, &MatchWindow::stepScan);

    m_labelShownTimer = new QTimer(this);
    m_labelShownTimer->setObjectName(QStringLiteral("labelShownTimer"));
    m_labelShownTimer->setSingleShot(true);
    m_labelShownTimer->setTimerType(Qt::PreciseTimer);
    m_labelShownTimer->setInterval(0);
    connect(m_labelShownTimer, &QTimer::timeout, this, [this] { m_recorder.labelShown(); });
    m_readingDisplay->installEventFilter(this);

    // Over a card clicked by mistake, for a moment.
    m_wrongCardFrame = new Outline(client, Qt::red, Layout::px(M::WrongCardFrameTwips));
    m_wrongCardFrame->setObjectName(QStringLiteral("wrongCardFrame"));
    m_wrongCardFrame->hide();
    m_wrongCardTimer = new QTimer(this);
    m_wrongCardTimer->setObjectName(QStringLiteral("wrongCardTimer"));
    m_wrongCardTimer->setSingleShot(true);
    m_wrongCardTimer->setInterval(WrongCardMarkMs);
    connect(m_wrongCardTimer, &QTimer::timeout, m_wrongCardFrame, &QWidget::hide);

    m_sound = device;
    m_sound->setParent(this);
    m_sound->setObjectName(QStringLiteral("MMControl1"));
    connect(m_sound, &SoundDevice::noSoundOutput, this, &MatchWindow::tellNoSoundOutput);
    connect(m_sound, &SoundDevice::readingStarted, this, [this] { m_recorder.readingBegun(); });
    // A reading that cannot be played ends without beginning: the label
    // alone announces the card.
    connect(m_sound, &SoundDevice::done, this, [this] { m_recorder.readingBegun(); });

    m_startMatchAction = menuBar()->addAction(QStringLiteral("試合開始"), this, &MatchWindow::startMatch);
    m_startMatchAction->setObjectName(QStringLiteral("mnuGo"));
    m_settingsAction = menuBar()->addAction(QStringLiteral("ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ"), this, &MatchWindow::openSettings);
    m_settingsAction->setObjectName(QStringLiteral("mnuSetei"));
    m_leaveAction = menuBar()->addAction(QStringLiteral("おわり"), this, &MatchWindow::leave);
    m_leaveAction->setObjectName(QStringLiteral("mnuEnd"));

    // Until the first match the level display shows what it would play at;
    // the hub shows the settings window's level here when there is one.
    showLevel(QString::number(Strength::Default));

    raiseDisplays();
    client->setMinimumWidth(M::Client.toPx().width());
    load();
}

MatchWindow::~MatchWindow()
{
    // 終了 deletes the windows without closing them: a match still being
    // played is given up all the same.
    m_recorder.end(m_match, record::Result::Abandoned);
}

void MatchWindow::load()
{
    placeWindow();
    m_reactionTimer->stop();
}

void MatchWindow::placeWindow()
{
    // The width is the design's; the height follows the screen, measured
    // over the whole window, frame included, once the frame is known.
    const QRect screen = ui::screenRect(this);
    const int frameExtra = frameGeometry().height() - geometry().height();
    const int width = qMax(sizeHint().width(), M::Client.toPx().width());
    setFixedSize(width, qMax(1, screen.height() - Layout::px(M::HeightMarginTwips) - frameExtra));
    ui::placeTopCentred(this, 0);

    // The hand pointer over the card boxes, its fingertip (the top centre of
    // the picture) as the hot spot. Only the first 46 boxes have it.
    const QPixmap hand(m_data.programFolder() + QStringLiteral("/hand.ico"));
    if (!hand.isNull()) {
        const QCursor pointer(hand, hand.width() / 2, 0);
        for (int k = 0; k < M::PointerBoxes; ++k)
            m_cardBoxes[k]->setCursor(pointer);
    }
}

void MatchWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_placedWhenShown) {
        m_placedWhenShown = true;
        // Again now that the window frame is known.
        placeWindow();
    }
    // The first card is heard as soon as the later ones: its stream is
    // open before 試合開始, and stays open while the window is shown.
    m_sound->openAhead();
}

void MatchWindow::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    m_sound->releaseOutput();
}

void MatchWindow::placeComputerScoreFrame(int cardCount)
{
    m_computerScoreFrame->move(Board::computerScoreFramePosition(cardCount).toPx());
}

void MatchWindow::showLevel(const QString &shown)
{
    m_levelDisplay->setText(shown);
}

void MatchWindow::showCard(ui::PictureBox *box, int card, const QImage &picture)
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

void MatchWindow::layOutCards()
{
    const int n = m_match.cardCount();
    // All the pictures of the table at once, decoded in parallel; every one
    // is here before the first box is filled, and so before the first card
    // is announced. The boxes are all of one size.
    QStringList paths;
    for (int s = 1; s <= n; ++s)
        paths << m_match.picturePath(m_match.cardInSlot(s));
    const QList<QImage> pictures = m_pictures.loadAll(paths, m_cardBoxes[0]->size() * m_cardBoxes[0]->devicePixelRatioF());
    for (int s = 1; s <= Board::Boxes; ++s) {
        ui::PictureBox *box = m_cardBoxes[s - 1];
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
        m_cardBoxes[s - 1]->lower();
}

MatchState::Setup MatchWindow::readSettings()
{
    const MatchState::Setup setup = MatchState::Setup::from(m_host.matchSettings());
    showLevel(setup.opponent.displayText(setup.level));
    return setup;
}

void MatchWindow::drawOrders(const MatchState::Setup &setup)
{
    MatchState::Cards cards = MatchState::Cards::from(m_data);
    cards.only = m_drillCards;
    m_match.begin(cards, setup, randomorder::clockSeed(), randomorder::clockSeed());
    m_reactionTimer->setInterval(m_match.reactionIntervalMs());
    // The program-wide arrays get the same orders; the match itself reads
    // only its own copy.
    for (int p = 1; p <= m_match.cardCount(); ++p) {
        m_data.readingOrder()[p] = m_match.readingOrder()[p];
        m_data.boardOrder()[p] = m_match.boardOrder()[p];
    }
    chooseOpponent(setup);
}

void MatchWindow::putHandAtRest()
{
    m_handAtRest->move(M::HandAtRest.toPx().topLeft());
    m_handAtRest->show();
    m_handTaking->hide();
}

void MatchWindow::announce(bool startReactionTimer, bool handBackToRest)
{
    const MatchState::Announcement a = m_match.announcement();
    m_readingDisplay->setText(a.label);
    if (handBackToRest)
        putHandAtRest();
    if (startReactionTimer)
        startComputerClock();
    if (a.readAloud) {
        readCardAloud();
        readAhead();
    }
    awaitAnnouncement(a.readAloud);
    Q_EMIT announced();
}

void MatchWindow::awaitAnnouncement(bool readAloud)
{
    m_recorder.announcing(readAloud);
    // A paint seen for the card before counts for nothing now.
    m_labelShownTimer->stop();
    // Painted even when the label is that of the card before.
    m_readingDisplay->update();
}

bool MatchWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The label of the card being read is being painted; once the paint is
    // over (and on the screen), the zero-interval timer fires.
    if (watched == m_readingDisplay && event->type() == QEvent::Paint && m_recorder.awaitingLabel())
        m_labelShownTimer->start();
    return QMainWindow::eventFilter(watched, event);
}

void MatchWindow::readAhead()
{
    if (const int next = m_match.nextCard())
        m_sound->preload(m_match.soundPath(next));
}

void MatchWindow::tellRecordProblem(const QString &message)
{
    ui::showWarning(this, m_recordProblem, ui::programTitle(), message);
}

void MatchWindow::recordStart()
{
    if (!m_recording)
        return;
    TrainingRecord &record = m_host.trainingRecord();
    // The record says so once, whichever match window is there to show it.
    connect(&record, &TrainingRecord::problem, this, &MatchWindow::tellRecordProblem, Qt::UniqueConnection);
    m_recorder.start(record, m_match);
}

void MatchWindow::tellNoSoundOutput()
{
    ui::showWarning(this, m_noSoundOutput, ui::programTitle(), ui::noSoundOutputText());
}

void MatchWindow::readCardAloud()
{
    const int card = m_match.currentCard();
    if (card == 0)
        return;
    m_sound->play(m_match.soundPath(card));
}

void MatchWindow::cutReadingShort()
{
    if (m_match.voiceOn())
        m_sound->stopAndClose();
}

void MatchWindow::startMatch()
{
    m_drillCards.clear();
    m_startMatchAction->setEnabled(false);
    m_settingsAction->setEnabled(false);
    placeComputerScoreFrame(m_data.cardCount());
    setUpMatch();
    // The computer does not compete for the first card.
    m_reactionTimer->stop();
    tellIfCardFolderGone();
}

void MatchWindow::startDrill(const QList<int> &cards)
{
    // A match still being played, or one carried on after おわり, is left
    // as おわり leaves it: its reading must not play on into the drill.
    giveUpMatch();
    m_drillCards = cards;
    m_startMatchAction->setEnabled(false);
    m_settingsAction->setEnabled(false);
    setUpMatch();
    placeComputerScoreFrame(m_match.cardCount());
    m_reactionTimer->stop();
    tellIfCardFolderGone();
}

void MatchWindow::tellIfCardFolderGone()
{
    // The match can still be played with the cards' labels; the player
    // should know why the pictures and the voice are gone.
    const QString folderGone = m_data.missingCardFolderText();
    if (!folderGone.isEmpty())
        ui::showWarning(this, m_folderProblem, ui::programTitle(),
                        folderGone + QStringLiteral("\n札は文字だけで表示し、よみあげもできません。"));
}

void MatchWindow::setUpMatch()
{
    const MatchState::Setup setup = readSettings();
    // Turns of an earlier match, or of one carried on after おわり, are
    // still waiting in their yields: none of them may take a card of this one.
    m_scan.invalidate();
    drawOrders(setup);
    if (setup.voice) {
        // The output opens and the first recording is decoded while the
        // table is laid out.
        m_sound->openAhead();
        m_sound->preload(m_match.soundPath(m_match.currentCard()));
    }
    layOutCards();
    // The last match may have ended with a take by the computer, its hand
    // still up where the lift ended.
    putHandAtRest();
    const MatchState::Announcement first = m_match.announcement();
    m_readingDisplay->setText(first.label);
    showScores();
    if (first.readAloud) {
        readCardAloud();
        readAhead();
    }
    awaitAnnouncement(first.readAloud);
    Q_EMIT announced();
    // After the first announcement: the record's first use opens it.
    recordStart();
}

void MatchWindow::showScores()
{
    m_playerScore->setText(QString::number(m_match.playerScore()));
    m_computerScore->setText(QString::number(m_match.computerScore()));
}

std::array<QWidget *, 8> MatchWindow::displays() const
{
    // The piles grow across the displays and the frames: from its 26th card
    // the computer's reaches its hand and the caption over it, from its 36th
    // the reading display, and with 49 cards the player's runs under the
    // computer's frame. Lowest first.
    return {m_readingCaption, m_readingDisplay, m_levelCaption,     m_levelDisplay,
            m_handCaption,    m_handAtRest,     m_playerScoreFrame, m_computerScoreFrame};
}

void MatchWindow::raiseDisplays()
{
    for (QWidget *display : displays())
        display->raise();
}

void MatchWindow::bringToFront(QWidget *widget)
{
    // Straight under the displays, which stay at the top together. Raising
    // them again over each card taken would repaint every one of them, and
    // whatever lies under them, just as the player reaches for the next card.
    widget->stackUnder(displays().front());
}

void MatchWindow::putOnPile(ui::PictureBox *box, Board::Pile side, int k)
{
    bringToFront(box);
    box->move(Board::pilePosition(side, k).toPx());
    box->setAccessibleDescription(side == Board::Pile::Player ? QStringLiteral("あなたが取った札")
                                                              : QStringLiteral("コンピュータが取った札"));
}

void MatchWindow::nextCardOrEnd(bool handBackToRest)
{
    if (m_match.finished()) {
        endMatch();
        return;
    }
    announce(true, handBackToRest);
}

void MatchWindow::takeCard(int index)
{
    const int slot = index + 1;
    if (!m_match.isRightTake(slot)) {
        // A wrong card, a card on a pile, or no match: the reading and the
        // computer's countdown go on.
        m_recorder.wrongTake(m_match, slot);
        m_match.wrongTake();
        m_playerScore->setText(QString::number(m_match.playerScore()));
        markWrongCard(m_cardBoxes[index]);
        return;
    }
    // Read first: the clock is the player's, stopped by this click.
    m_recorder.taken(m_match, slot, record::Taker::Player);
    cutReadingShort();
    m_reactionTimer->stop();
    const int k = m_match.take(Board::Pile::Player, slot);
    m_playerScore->setText(QString::number(m_match.playerScore()));
    putOnPile(m_cardBoxes[index], Board::Pile::Player, k);
    nextCardOrEnd(false);
    // A turn that was looking for this card goes on (and finds nothing);
    // after the result message it may need its timer again.
    keepScanning();
}

void MatchWindow::markWrongCard(ui::PictureBox *box)
{
    // On the card itself, so that it goes along should the card be taken
    // in the meantime.
    m_wrongCardFrame->setParent(box);
    m_wrongCardFrame->setGeometry(box->rect());
    m_wrongCardFrame->show();
    m_wrongCardTimer->start();
}

void MatchWindow::reactionTimeUp()
{
    m_reactionTimer->stop();
    switch (m_plan.kind) {
    case Opponent::Plan::Kind::TakeAt:
        takeAtPlannedTime();
        break;
    case Opponent::Plan::Kind::LevelScan:
        startComputerTurn();
        break;
    case Opponent::Plan::Kind::None:
        // Practice: the card waits for the player, however long it takes.
        break;
    }
}

void MatchWindow::startComputerTurn()
{
    m_scan.begin(m_match);
    stepScan();
}

void MatchWindow::stepScan()
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

void MatchWindow::keepScanning()
{
    if (m_scan.idle() || m_askingResult)
        m_scanTimer->stop();
    else if (!m_scanTimer->isActive())
        m_scanTimer->start();
}

void MatchWindow::computerTakes(int slot)
{
    // A turn only finds the card it was started for, and only in its own
    // match; anything else would be a fault, and it must not move a card.
    if (!m_match.isRightTake(slot))
        return;
    ui::PictureBox *box = m_cardBoxes[slot - 1];
    ui::PictureBox *hand = m_handTaking;
    QWidget *table = centralWidget();
    cutReadingShort();

    // The hand comes down on the card and lifts it to the top of the table.
    // Nothing else runs meanwhile: each step is painted at once, without
    // going back to the event loop.
    // The first step also repaints where the two hands were before.
    const std::vector<Board::LiftStep> lift = Board::liftSteps(slot);
    QRegion dirty = QRegion(m_handAtRest->geometry()) | hand->geometry();
    m_handAtRest->hide();
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

    m_recorder.taken(m_match, slot, record::Taker::Computer);
    const int k = m_match.take(Board::Pile::Computer, slot);
    m_computerScore->setText(QString::number(m_match.computerScore()));
    putOnPile(box, Board::Pile::Computer, k);
    // After the last card the hand stays where the lift left it.
    nextCardOrEnd(true);
}

void MatchWindow::endMatch()
{
    m_reactionTimer->stop();
    m_startMatchAction->setEnabled(true);
    m_settingsAction->setEnabled(true);
    m_sound->close();
    // Recorded before the question: its answer may take any time, or never
    // come if the program is killed meanwhile.
    m_recorder.end(m_match, m_match.playerWins() ? record::Result::Won : record::Result::Lost);
    const QString text = m_match.playerWins() ? QStringLiteral("あなたの勝ちです！！もう一度やりますか？")
                                              : QStringLiteral("あなたの負けです。もう一度やりますか？");
    keepAdaptiveFactor();
    m_askingResult = true;
    m_scanTimer->stop();
    const bool again = ui::askYesNo(this, QStringLiteral("試合終了"), text);
    m_askingResult = false;
    if (!again)
        hide();
}

void MatchWindow::openSettings()
{
    m_host.showSettings();
}

void MatchWindow::leave()
{
    giveUpMatch();
    hide();
}

void MatchWindow::giveUpMatch()
{
    // The match can still be carried on, but the record keeps it as given
    // up here; what follows is not recorded, and does not move the adaptive
    // opponent's factor either.
    m_recorder.end(m_match, record::Result::Abandoned);
    m_adaptiveFactor.reset();
    m_reactionTimer->stop();
    m_startMatchAction->setEnabled(true);
    m_settingsAction->setEnabled(true);
    m_sound->close();
    // A turn suspended in its yield ends at its next step, taking nothing.
    // The match itself stays as it is and can be carried on.
    m_scan.invalidate();
}

void MatchWindow::unload()
{
    m_recorder.end(m_match, record::Result::Abandoned);
    m_sound->close();
    // The window goes once this event is over; until then no timer may
    // start a turn or take a card on it.
    m_reactionTimer->stop();
    m_scan.invalidate();
    m_scanTimer->stop();
    m_labelShownTimer->stop();
    m_wrongCardTimer->stop();
}

void MatchWindow::closeEvent(QCloseEvent *event)
{
    unload();
    event->accept();
}

void MatchWindow::chooseOpponent(const MatchState::Setup &setup)
{
    m_plan = {};
    m_planPosition = 0;
    m_adaptiveFactor.reset();
    AdaptiveOpponent::Record record;
    double factor = AdaptiveOpponent::StartFactor;
    if (setup.opponent.kind == OpponentChoice::Kind::Adaptive) {
        // A record that is absent or cannot be read gives no takes and no
        // factor: the match goes on against 「ふつう」.
        RecordReader &reader = m_host.recordReader();
        record = reader.reactionTimes(m_match.cards().folder, record::Period::Last30Days);
        if (m_nextAdaptiveFactor)
            factor = *m_nextAdaptiveFactor;
        else if (const std::optional<QString> kept = reader.keptValue(QString::fromLatin1(AdaptiveOpponent::RecordKey)))
            factor = AdaptiveOpponent::factorFromText(*kept);
        m_adaptiveFactor = factor;
        if (!AdaptiveOpponent::hasUsableTakes(record))
            tellAdaptiveFallback(reader.problemText());
    }
    m_opponent = makeOpponent(setup.opponent, m_opponentSeeds(), record, factor);
}

void MatchWindow::startComputerClock()
{
    // One plan per announcement: a human-like opponent draws its time here.
    m_plan = m_opponent ? m_opponent->plan(m_match) : LevelOpponent().plan(m_match);
    m_planPosition = m_match.position();
    m_reactionTimer->setInterval(m_plan.ms);
    if (m_plan.kind == Opponent::Plan::Kind::None)
        m_reactionTimer->stop();
    else
        m_reactionTimer->start();
}

void MatchWindow::takeAtPlannedTime()
{
    // A firing left over from a card already taken, or held up behind the
    // result message, takes nothing.
    if (m_askingResult || m_match.position() != m_planPosition)
        return;
    computerTakes(m_plan.slot);
}

void MatchWindow::keepAdaptiveFactor()
{
    if (!m_adaptiveFactor)
        return;
    // The computer never races for the first card: it is the player's.
    const double next = AdaptiveOpponent::nextFactor(*m_adaptiveFactor, m_match.pileCount(Board::Pile::Player) - 1,
                                                     m_match.pileCount(Board::Pile::Computer));
    m_adaptiveFactor.reset();
    m_nextAdaptiveFactor = next;
    m_host.trainingRecord().keepValue(QString::fromLatin1(AdaptiveOpponent::RecordKey),
                                      AdaptiveOpponent::factorToText(next));
}

void MatchWindow::tellAdaptiveFallback(const QString &problem)
{
    // Once a run of the program, whichever match window asks: the player
    // knows after the first time, and a notice at every match start would
    // only get in the way.
    if (!m_host.firstTimeThisRun(QStringLiteral("adaptive fallback")))
        return;
    QString text = QStringLiteral("成績の記録がまだないか、読めないため、"
                                  "「あなたに合わせる」の相手は「ふつう」の速さで取りにきます。");
    if (!problem.isEmpty())
        text += QStringLiteral("\n\n") + problem;
    ui::showWarning(this, m_adaptiveFallback, ui::programTitle(), text);
}
