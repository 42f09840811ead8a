// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The match window: its layout, placement and pointer, the table laid out
// for a match, the announcement of a card and what it sends to the sound
// device, and leaving the window.

#include "app/startmenu.h"
#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/board.h"
#include "match/cardpictures.h"
#include "match/matchwindow.h"
#include "settings/settingswindow.h"
#include "tests/exifwriter.h"
#include "tests/matchtest.h"
#include "tests/recordingsounddevice.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"
#include "ui/uikit.h"

#include <QAccessible>
#include <QBuffer>
#include <QGroupBox>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using testing::RecordingSoundDevice;

class TestMatchWindow : public testing::MatchTest
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void controlsMatchTheDesign_data();
    void controlsMatchTheDesign();
    void captionsMenuAndColours();
    void windowIsPlacedAndSized();
    void handPointerOnTheFirst46Boxes_data();
    void handPointerOnTheFirst46Boxes();
    void boardForCardCount_data();
    void boardForCardCount();
    void boxesBeyondTheSetAreHidden();
    void eachBoxShowsItsOwnCard();
    void missingPictureShowsTheLabel();
    void damagedPictureOnTheBoard_data();
    void damagedPictureOnTheBoard();
    void boardShowsThePhotoNotItsThumbnail();
    void picturesAreKeptUntilTheFileChanges();
    void twoMatchesDrawDifferentOrders();
    void announcementAndDeviceCommands_data();
    void announcementAndDeviceCommands();
    void settingsAreReadAtMatchStart();
    void leavingAndClosingCloseTheDevice();
    void startMenuOpensTheMatchOnce();

private:
    MatchWindow *window();
    void layOut(int level = 3, bool voice = true);
};

void TestMatchWindow::init()
{
    setUpProgram();
}

void TestMatchWindow::cleanup()
{
    tearDownProgram();
}

MatchWindow *TestMatchWindow::window()
{
    if (!m_hub->matchWindow())
        m_hub->showMatch();
    return m_hub->matchWindow();
}

void TestMatchWindow::layOut(int level, bool voice)
{
    MatchWindow *w = window();
    w->placeComputerScoreFrame(m_data->cardCount());
    w->drawOrders(MatchState::Setup{level, voice});
    w->layOutCards();
}

void TestMatchWindow::controlsMatchTheDesign_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    // Twips / 15, rounded.
    QTest::newRow("reading display") << QStringLiteral("Label1_2") << QRect(20, 24, 41, 25);
    QTest::newRow("level display") << QStringLiteral("Label1_3") << QRect(20, 72, 41, 25);
    QTest::newRow("hand at rest") << QStringLiteral("Image1_0") << QRect(200, 24, 32, 32);
    QTest::newRow("hand taking") << QStringLiteral("Image1_1") << QRect(336, 16, 32, 32);
    QTest::newRow("shape") << QStringLiteral("Shape1") << QRect(208, 16, 33, 49);
    QTest::newRow("player's frame") << QStringLiteral("Frame1") << QRect(736, 496, 89, 65);
    QTest::newRow("computer's frame") << QStringLiteral("Frame2") << QRect(736, 568, 89, 65);
    QTest::newRow("player's score") << QStringLiteral("Label2_0") << QRect(8, 24, 57, 25);
    QTest::newRow("computer's score") << QStringLiteral("Label2_1") << QRect(8, 24, 57, 25);
    QTest::newRow("player's 点") << QStringLiteral("Label4_0") << QRect(64, 32, 18, 16);
    QTest::newRow("computer's 点") << QStringLiteral("Label4_1") << QRect(64, 32, 18, 16);
    QTest::newRow("first card box") << QStringLiteral("Img1_0") << QRect(24, 100, 67, 87);
    QTest::newRow("last card box") << QStringLiteral("Img1_48") << QRect(664, 500, 67, 87);
}

void TestMatchWindow::controlsMatchTheDesign()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    auto *control = window()->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), rect);
}

void TestMatchWindow::captionsMenuAndColours()
{
    MatchWindow *w = window();
    QCOMPARE(w->objectName(), QStringLiteral("frmKaruto"));
    QCOMPARE(w->windowTitle(), QStringLiteral("かるた取り"));
    QCOMPARE(w->centralWidget()->palette().color(QPalette::Window), QColor(128, 255, 128));

    const QStringList captions{QStringLiteral("よみあげ文字"), QStringLiteral("レベル"), QStringLiteral("ｺﾝﾋﾟｭｰﾀの手")};
    const QList<QPoint> corners{QPoint(8, 8), QPoint(24, 56), QPoint(192, 3)};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(controls(w).captions()[i]->text(), captions[i]);
        QCOMPARE(controls(w).captions()[i]->pos(), corners[i]);
        QVERIFY(controls(w).captions()[i]->width() >= controls(w).captions()[i]->sizeHint().width()); // text not cut
    }
    for (QLabel *display : {controls(w).readingDisplay(), controls(w).levelDisplay()}) {
        QCOMPARE(display->palette().color(QPalette::Window), QColor(255, 192, 192));
        QCOMPARE(display->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(display->font().pointSizeF(), 14.25);
        QVERIFY(display->font().bold());
        QCOMPARE(display->alignment(), Qt::AlignCenter);
    }
    QCOMPARE(controls(w).readingDisplay()->text(), QString());
    QCOMPARE(controls(w).levelDisplay()->text(), QStringLiteral("3"));

    QCOMPARE(controls(w).playerScoreFrame()->title(), QStringLiteral("あなたの得点"));
    QCOMPARE(controls(w).computerScoreFrame()->title(), QStringLiteral("ＣＯＭの得点"));
    QCOMPARE(controls(w).playerScoreFrame()->palette().color(QPalette::Window), QColor(255, 255, 0));
    QCOMPARE(controls(w).computerScoreFrame()->palette().color(QPalette::Window), QColor(255, 128, 0));
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(controls(w).scores()[i]->text(), QStringLiteral("0"));
        QCOMPARE(controls(w).scores()[i]->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(controls(w).scoreUnits()[i]->text(), QStringLiteral("点"));
        QVERIFY(controls(w).scoreUnits()[i]->font().bold());
        QCOMPARE(controls(w).scoreUnits()[i]->font().pointSizeF(), 12.0);
    }
    QCOMPARE(controls(w).playerScore()->parentWidget(), controls(w).playerScoreFrame());
    QCOMPARE(controls(w).computerScore()->parentWidget(), controls(w).computerScoreFrame());

    QVERIFY(controls(w).handAtRest()->isVisible() && controls(w).handAtRest()->hasPicture());
    QVERIFY(!controls(w).handTaking()->isVisible() && controls(w).handTaking()->hasPicture());
    QVERIFY(!controls(w).handAtRest()->accessibleName().isEmpty());
    QVERIFY(controls(w).handAtRest()->accessibleName() != controls(w).handTaking()->accessibleName());

    const QList<QAction *> menu = w->menuBar()->actions();
    QCOMPARE(menu.size(), 3);
    QCOMPARE(menu[0]->text(), QStringLiteral("試合開始"));
    QCOMPARE(menu[1]->text(), QStringLiteral("ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ"));
    QCOMPARE(menu[2]->text(), QStringLiteral("おわり"));
    QVERIFY(menu[1]->isEnabled() && menu[2]->isEnabled());

    QCOMPARE(controls(w).reactionTimer()->timerType(), Qt::PreciseTimer);
    QVERIFY(controls(w).reactionTimer()->isSingleShot());
    QVERIFY(!controls(w).reactionTimer()->isActive());
}

void TestMatchWindow::windowIsPlacedAndSized()
{
    MatchWindow *w = window();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QRect screen = w->screen()->geometry();
    QCOMPARE(w->frameGeometry().top(), screen.top());
    // Centred; the test screen is narrower than the window, and the
    // offscreen platform shifts such a window by its frame margin.
    QVERIFY2(qAbs(w->frameGeometry().center().x() - screen.center().x()) <= 2,
             qPrintable(QStringLiteral("left %1, width %2").arg(w->frameGeometry().x()).arg(w->frameGeometry().width())));
    QCOMPARE(w->frameGeometry().height(), screen.height() - 20); // 300 twips
    QCOMPARE(w->centralWidget()->width(), 832);                  // 12480 twips
}

void TestMatchWindow::handPointerOnTheFirst46Boxes_data()
{
    QTest::addColumn<bool>("withIcon");
    QTest::newRow("hand.ico present") << true;
    QTest::newRow("hand.ico missing") << false;
}

void TestMatchWindow::handPointerOnTheFirst46Boxes()
{
    QFETCH(bool, withIcon);
    if (!withIcon)
        QVERIFY(QFile::remove(m_program->file(QStringLiteral("hand.ico"))));
    MatchWindow *w = window();
    for (int k = 0; k < Board::Boxes; ++k) {
        const bool hand = withIcon && k < 46;
        QCOMPARE(controls(w).cardBoxes()[k]->testAttribute(Qt::WA_SetCursor), hand);
        if (hand) {
            QCOMPARE(controls(w).cardBoxes()[k]->cursor().shape(), Qt::BitmapCursor);
            // The fingertip: top centre of the 32 x 32 picture.
            QCOMPARE(controls(w).cardBoxes()[k]->cursor().hotSpot(), QPoint(16, 0));
        }
    }
    // Nothing else on the table has it.
    QVERIFY(!controls(w).handAtRest()->testAttribute(Qt::WA_SetCursor));
    QVERIFY(!w->centralWidget()->testAttribute(Qt::WA_SetCursor));
}

void TestMatchWindow::boardForCardCount_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QPoint>("computerFrame");
    QTest::addColumn<QPoint>("lastBox");
    QTest::newRow("1 card") << 1 << QPoint(640, 496) << QPoint(24, 100);
    QTest::newRow("46 cards") << 46 << QPoint(640, 496) << QPoint(424, 500);
    QTest::newRow("49 cards") << 49 << QPoint(736, 568) << QPoint(664, 500);
}

void TestMatchWindow::boardForCardCount()
{
    QFETCH(int, n);
    QFETCH(QPoint, computerFrame);
    QFETCH(QPoint, lastBox);
    useCardSet(n);
    layOut();
    MatchWindow *w = window();
    QCOMPARE(controls(w).computerScoreFrame()->pos(), computerFrame);
    QCOMPARE(controls(w).playerScoreFrame()->pos(), QPoint(736, 496)); // never moves
    QCOMPARE(controls(w).cardBoxes()[n - 1]->pos(), lastBox);
    for (int s = 1; s <= Board::Boxes; ++s) {
        ui::PictureBox *box = controls(w).cardBoxes()[s - 1];
        if (s > n) {
            QVERIFY2(!box->isVisible(), qPrintable(QString::number(s)));
            continue;
        }
        QVERIFY2(box->isVisible(), qPrintable(QString::number(s)));
        QCOMPARE(box->pos(), Board::slotPosition(s).toPx());
        QVERIFY(box->hasPicture());
        const int card = w->match().cardInSlot(s);
        QCOMPARE(box->accessibleName(), m_data->label(card));
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(box);
        QVERIFY(a);
        QCOMPARE(a->text(QAccessible::Name), m_data->label(card));
    }
}

void TestMatchWindow::boxesBeyondTheSetAreHidden()
{
    useCardSet(49);
    layOut();
    MatchWindow *w = window();
    QVERIFY(controls(w).cardBoxes()[48]->isVisible());
    // The editor saves a smaller set; the next match lays out 10 cards.
    useCardSet(10);
    layOut();
    for (int k = 0; k < Board::Boxes; ++k) {
        QCOMPARE(controls(w).cardBoxes()[k]->isVisible(), k < 10);
        if (k < 10)
            QCOMPARE(controls(w).cardBoxes()[k]->accessibleName(), m_data->label(w->match().cardInSlot(k + 1)));
    }
    // And back to a larger set: the boxes come back on their slots.
    useCardSet(46);
    layOut();
    for (int k = 0; k < Board::Boxes; ++k)
        QCOMPARE(controls(w).cardBoxes()[k]->isVisible(), k < 46);
    QCOMPARE(controls(w).cardBoxes()[45]->pos(), Board::slotPosition(46).toPx());
}

void TestMatchWindow::eachBoxShowsItsOwnCard()
{
    // Card 7 is red, every other card blue: the box of card 7 must be red,
    // which holds only when its picture is looked up as karue07.jpg.
    useCardSet(12);
    for (int n = 1; n <= 12; ++n) {
        QImage picture(400, 520, QImage::Format_RGB32);
        picture.fill(n == 7 ? QColor(220, 0, 0) : QColor(0, 0, 220));
        QVERIFY(picture.save(m_otherSet->filePath(QStringLiteral("karue%1.jpg").arg(CardState::cardNumberText(n))), "JPEG"));
    }
    // Decoded for the first match, kept for the second, which lays the
    // cards out in another order.
    for (int match = 1; match <= 2; ++match) {
        layOut();
        MatchWindow *w = window();
        int redBoxes = 0;
        for (int s = 1; s <= 12; ++s) {
            ui::PictureBox *box = controls(w).cardBoxes()[s - 1];
            const QImage shown = box->pixmap().toImage();
            // Decoded at the size of its box, not at the file's size.
            QCOMPARE(shown.size(), box->size() * box->devicePixelRatioF());
            const bool red = QColor(shown.pixel(shown.width() / 2, shown.height() / 2)).red() > 150;
            QCOMPARE(red, w->match().cardInSlot(s) == 7);
            redBoxes += red;
        }
        QCOMPARE(redBoxes, 1);
    }
}

void TestMatchWindow::missingPictureShowsTheLabel()
{
    QVERIFY(QFile::remove(m_program->cardFolder() + QStringLiteral("/karue05.jpg")));
    layOut();
    MatchWindow *w = window();
    int slot = 0;
    for (int s = 1; s <= 46; ++s) {
        if (w->match().cardInSlot(s) == 5)
            slot = s;
    }
    QVERIFY(slot > 0);
    ui::PictureBox *box = controls(w).cardBoxes()[slot - 1];
    QVERIFY(box->isVisible());
    QVERIFY(!box->hasPicture());
    QCOMPARE(box->text(), m_data->label(5));
    QCOMPARE(box->accessibleName(), m_data->label(5));
    // A later match where the picture is back shows it again.
    QVERIFY(QFile::copy(testing::builtCardFolder() + QStringLiteral("/karue05.jpg"), m_program->cardFolder() + QStringLiteral("/karue05.jpg")));
    layOut();
    for (int s = 1; s <= 46; ++s)
        QVERIFY(controls(w).cardBoxes()[s - 1]->hasPicture());
}

void TestMatchWindow::damagedPictureOnTheBoard_data()
{
    testing::addDamagedPictureRows();
}

void TestMatchWindow::damagedPictureOnTheBoard()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, shown);
    testing::writeAll(m_program->cardFolder() + QStringLiteral("/karue05.jpg"), bytes);
    layOut();
    MatchWindow *w = window();
    for (int s = 1; s <= 46; ++s) {
        ui::PictureBox *box = controls(w).cardBoxes()[s - 1];
        const int card = w->match().cardInSlot(s);
        QVERIFY(box->isVisible());
        QCOMPARE(box->hasPicture(), card != 5 || shown);
        QCOMPARE(box->accessibleName(), m_data->label(card));
        if (!box->hasPicture())
            QCOMPARE(box->text(), m_data->label(card));
    }
}

namespace {
QByteArray jpeg(QSize size, const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

bool isColour(const QImage &image, const QColor &colour)
{
    const QColor c = image.pixelColor(image.width() / 2, image.height() / 2);
    return qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40 && qAbs(c.blue() - colour.blue()) < 40;
}
} // namespace

void TestMatchWindow::boardShowsThePhotoNotItsThumbnail()
{
    // Card 1 is a red photo that an editing tool saved with the thumbnail
    // of its earlier, green, version: of the photo's shape and large enough
    // for a box. The reading window and the editor show red; so must the
    // board.
    testing::writeAll(m_program->cardFolder() + QStringLiteral("/karue01.jpg"),
                      testing::withExifThumbnail(jpeg(QSize(800, 600), Qt::red), jpeg(QSize(160, 120), Qt::green)));
    layOut();
    MatchWindow *w = window();
    int slot = 1;
    while (w->match().cardInSlot(slot) != 1)
        ++slot;
    QVERIFY(isColour(controls(w).cardBoxes()[slot - 1]->pixmap().toImage(), Qt::red));
}

void TestMatchWindow::picturesAreKeptUntilTheFileChanges()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("karue01.jpg"));
    testing::writeAll(path, jpeg(QSize(400, 520), Qt::blue));
    CardPictures pictures;
    QVERIFY(isColour(pictures.load(path, QSize(67, 87)), Qt::blue));
    QCOMPARE(pictures.lastDecoded(), 1);
    QVERIFY(isColour(pictures.load(path, QSize(67, 87)), Qt::blue));
    QCOMPARE(pictures.lastDecoded(), 0);
    // Another size is decoded afresh.
    pictures.load(path, QSize(30, 40));
    QCOMPARE(pictures.lastDecoded(), 1);
    // The editor or the user replaces the picture: the new one is shown.
    testing::writeAll(path, jpeg(QSize(500, 650), Qt::red));
    QVERIFY(isColour(pictures.load(path, QSize(30, 40)), Qt::red));
    QCOMPARE(pictures.lastDecoded(), 1);
    // And a picture that is gone is gone.
    QVERIFY(QFile::remove(path));
    QVERIFY(pictures.load(path, QSize(30, 40)).isNull());
}

void TestMatchWindow::twoMatchesDrawDifferentOrders()
{
    m_data->readingOrder()[0] = 99;
    m_data->readingOrder()[47] = 98;
    layOut();
    MatchWindow *w = window();
    const MatchState::Order reading = w->match().readingOrder();
    const MatchState::Order board = w->match().boardOrder();
    QVERIFY(reading != board);
    // The shared arrays get the same orders, positions 1 to N only.
    for (int p = 1; p <= 46; ++p) {
        QCOMPARE(m_data->readingOrder()[p], reading[p]);
        QCOMPARE(m_data->boardOrder()[p], board[p]);
    }
    QCOMPARE(m_data->readingOrder()[0], qint16(99));
    QCOMPARE(m_data->readingOrder()[47], qint16(98));
    // Two matches in a row: for 46 cards an equal order by chance is out of
    // the question.
    layOut();
    QVERIFY(w->match().readingOrder() != reading);
    QVERIFY(w->match().boardOrder() != board);
}

void TestMatchWindow::announcementAndDeviceCommands_data()
{
    QTest::addColumn<bool>("voice");
    QTest::addColumn<int>("level");
    QTest::newRow("read aloud, level 3") << true << 3;
    QTest::newRow("read aloud, level 5") << true << 5;
    QTest::newRow("silent, level 1") << false << 1;
}

void TestMatchWindow::announcementAndDeviceCommands()
{
    QFETCH(bool, voice);
    QFETCH(int, level);
    layOut(level, voice);
    MatchWindow *w = window();
    RecordingSoundDevice *dev = device();
    QVERIFY(dev);
    QCOMPARE(controls(w).sound(), dev);

    // The first card of a match: no reaction timer. The window is shown
    // only after it, as a drill shows it.
    w->hide();
    w->announce(false);
    const int card = w->match().currentCard();
    QCOMPARE(controls(w).readingDisplay()->text(), m_data->label(card));
    QVERIFY(!controls(w).reactionTimer()->isActive());
    const QString file = m_program->cardFolder() + QStringLiteral("/karuon%1.wav").arg(CardState::cardNumberText(card));
    if (voice)
        QCOMPARE(dev->commands, (QStringList{QStringLiteral("Open ") + file, QStringLiteral("Sound")}));
    else
        QCOMPARE(dev->commands, QStringList());
    // The player's clock starts when the card is really announced: its label
    // on the screen and, read aloud, the first samples of its reading queued.
    int paints = 0;
    testing::EventWatch painted(controls(w).readingDisplay(), QEvent::Paint, [&paints] { ++paints; });
    QTest::qWait(20);
    QVERIFY(!w->isReactionClockRunning());
    w->show();
    QTRY_VERIFY(paints > 0);
    QTest::qWait(20);
    QCOMPARE(w->isReactionClockRunning(), !voice);
    dev->startReading();
    QVERIFY(w->isReactionClockRunning());

    // A take cuts the reading short: stop, then close; silent matches send nothing.
    dev->commands.clear();
    w->cutReadingShort();
    if (voice)
        QCOMPARE(dev->commands, (QStringList{QStringLiteral("Stop"), QStringLiteral("Close")}));
    else
        QCOMPARE(dev->commands, QStringList());

    // A later card starts the computer's reaction interval of the level.
    dev->commands.clear();
    w->announce(true);
    QVERIFY(controls(w).reactionTimer()->isActive());
    QCOMPARE(controls(w).reactionTimer()->interval(), 1000 * (7 - level));
    QCOMPARE(dev->commands.size(), voice ? 2 : 0);
    controls(w).reactionTimer()->stop();
}

void TestMatchWindow::settingsAreReadAtMatchStart()
{
    MatchWindow *w = window();
    controls(w).levelDisplay()->clear();
    QVERIFY(!m_hub->settingsWindow());
    // Never opened: created hidden with its defaults, and kept.
    const MatchState::Setup setup = w->readSettings();
    QCOMPARE(setup.level, 3);
    QVERIFY(setup.voice);
    QCOMPARE(controls(w).levelDisplay()->text(), QStringLiteral("3"));
    QVERIFY(m_hub->settingsWindow());
    QVERIFY(!m_hub->settingsWindow()->isVisible());

    controls(m_hub->settingsWindow()).levelButtons()[4]->setChecked(true);
    controls(m_hub->settingsWindow()).voiceButtons()[0]->setChecked(true);
    const MatchState::Setup next = w->readSettings();
    QCOMPARE(next.level, 5);
    QVERIFY(!next.voice);
    QCOMPARE(controls(w).levelDisplay()->text(), QStringLiteral("5"));
    w->drawOrders(next);
    QCOMPARE(controls(w).reactionTimer()->interval(), 2000);
    QCOMPARE(w->match().scanDelay(), 10);

    // ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ shows the same settings window, not modal.
    controls(w).settingsAction()->trigger();
    QVERIFY(m_hub->settingsWindow()->isVisible());
    QVERIFY(!m_hub->settingsWindow()->isModal());
    QCOMPARE(m_hub->settingsWindow()->strengthLevel(), 5);
}

void TestMatchWindow::leavingAndClosingCloseTheDevice()
{
    layOut();
    MatchWindow *w = window();
    w->announce(true);
    RecordingSoundDevice *dev = device();
    dev->commands.clear();
    controls(w).leaveAction()->trigger();
    QVERIFY(!w->isVisible());
    QVERIFY(!controls(w).reactionTimer()->isActive());
    QCOMPARE(dev->commands, QStringList{QStringLiteral("Close")});
    // Shown again as it was left: the same window and table.
    const int card = w->match().currentCard();
    m_hub->showMatch();
    QCOMPARE(m_hub->matchWindow(), w);
    QCOMPARE(w->match().currentCard(), card);

    // The close box closes the device and destroys the window.
    dev->commands.clear();
    QPointer<MatchWindow> closed = w;
    QPointer<RecordingSoundDevice> closedDevice = dev;
    w->close();
    QCOMPARE(closedDevice->commands, QStringList{QStringLiteral("Close")});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!closed);
    QVERIFY(!closedDevice);
    // The next opening builds a new window with a device of its own.
    MatchWindow *fresh = window();
    QVERIFY(fresh);
    QCOMPARE(m_devices.size(), 2);
    QCOMPARE(controls(fresh).sound(), device());
    QCOMPARE(device()->commands, QStringList());
}

void TestMatchWindow::startMenuOpensTheMatchOnce()
{
    StartMenu *menu = m_hub->startMenu();
    QVERIFY(controls(menu).matchButton()->isEnabled());
    QTest::mouseClick(controls(menu).matchButton(), Qt::LeftButton);
    MatchWindow *first = m_hub->matchWindow();
    QVERIFY(first && first->isVisible());
    QVERIFY(!first->parentWidget() && !first->isModal());
    controls(first).leaveAction()->trigger();
    QTest::mouseClick(controls(menu).matchButton(), Qt::LeftButton);
    QCOMPARE(m_hub->matchWindow(), first);
    QVERIFY(first->isVisible());
}

GINREI_TEST_MAIN(TestMatchWindow)
#include "tst_matchwindow.moc"
