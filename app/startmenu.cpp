// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/startmenu.h"

#include "data/cardstate.h"
#include "ui/uikit.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

namespace {
// The four bevel lines round the title picture, drawn over it and under the
// buttons: white along the top and left, dark along the bottom and right.
class BevelLines : public QWidget
{
public:
    explicit BevelLines(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        auto line = [&p](const Layout::TwipLine &l, const QColor &colour) {
            p.setPen(QPen(colour, Layout::Menu::BevelWidthPx, Qt::SolidLine, Qt::SquareCap));
            p.drawLine(Layout::px(l.x1), Layout::px(l.y1), Layout::px(l.x2), Layout::px(l.y2));
        };
        line(Layout::Menu::BevelTop, Qt::white);
        line(Layout::Menu::BevelLeft, Qt::white);
        line(Layout::Menu::BevelRight, Qt::black);
        line(Layout::Menu::BevelBottom, Qt::black);
    }
};
} // namespace

StartMenu::StartMenu(CardState &data) : m_data(data)
{
    setObjectName(QStringLiteral("frmMenu"));
    setWindowTitle(ui::programTitle());

    auto *client = new QWidget(this);
    ui::setBackground(client, QColor(128, 128, 255));
    setCentralWidget(client);

    Image1 = new ui::PictureBox(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(Layout::Menu::TitlePicture.toPx());
    Image1->setPixmap(QPixmap(QStringLiteral(":/images/title.jpg")));
    Image1->setAccessibleName(QStringLiteral("タイトル絵：銀の鈴と「銀鈴かるた」の文字"));

    auto *bevel = new BevelLines(client);
    bevel->setGeometry(QRect(QPoint(0, 0), Layout::Menu::Client.toPx()));

    auto button = [client](const char *name, const QString &text, Layout::TwipRect rect, QColor colour, qreal pt) {
        auto *b = new QPushButton(text, client);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(rect.toPx());
        b->setFont(ui::font(ui::PGothic, pt, true));
        ui::setButtonColour(b, colour);
        return b;
    };
    // Created in tab order: a zigzag from top left to bottom left.
    Command1 = button("Command1", QStringLiteral("かるた取り"), Layout::Menu::MatchButton, QColor(255, 0, 0), 14.25);
    Command2 = button("Command2", QStringLiteral("自動よみあげ"), Layout::Menu::ReadingButton, QColor(0, 255, 0), 14.25);
    Command3 = button("Command3", QStringLiteral("かるた設定"), Layout::Menu::EditorButton, QColor(0, 255, 255), 12);
    connect(Command1, &QPushButton::clicked, this, &StartMenu::matchChosen);
    connect(Command2, &QPushButton::clicked, this, &StartMenu::readingChosen);
    connect(Command3, &QPushButton::clicked, this, &StartMenu::editorChosen);

    QMenu *mnuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuTukai = mnuHelp->addAction(QStringLiteral("使い方"), this, &StartMenu::guideChosen);
    mnuTukai->setObjectName(QStringLiteral("mnuTukai"));
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnuU1"));
    mnuVerj = mnuHelp->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), this, &StartMenu::versionChosen);
    mnuVerj->setObjectName(QStringLiteral("mnuVerj"));
    mnuEnd = menuBar()->addAction(QStringLiteral("終了"), this, &StartMenu::quitChosen);
    mnuEnd->setObjectName(QStringLiteral("mnuEnd"));

    // The client area is the design size; the menu bar comes on top of it.
    client->setFixedSize(Layout::Menu::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());

    Form_Load();
}

void StartMenu::Form_Load()
{
    ui::placeTopCentred(this, Layout::WindowTopTwips);
    m_data.loadCardFolder();
}

void StartMenu::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_noticesShown) {
        m_noticesShown = true;
        // Centred again now that the window frame is known.
        ui::placeTopCentred(this, Layout::WindowTopTwips);
        // After the menu is on screen, so the messages have something to sit on.
        QTimer::singleShot(0, this, &StartMenu::showLoadNotices);
    }
}

void StartMenu::showLoadNotices()
{
    // One box for everything loading ran into: a folder that cannot be
    // written fails both files, and that is one problem for the user.
    QStringList texts;
    for (const CardState::Notice &notice : m_data.takeNotices())
        texts << notice.text;
    if (!texts.isEmpty())
        ui::warn(this, ui::programTitle(), texts.join(QStringLiteral("\n\n")));
}

void StartMenu::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT quitChosen();
}
