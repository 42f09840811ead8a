// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/frmmenu.h"

#include "app/uikit.h"
#include "app/windowhub.h"
#include "data/module1.h"

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
            p.setPen(QPen(colour, Layout::Menu::LineWidthPx, Qt::SolidLine, Qt::SquareCap));
            p.drawLine(Layout::px(l.x1), Layout::px(l.y1), Layout::px(l.x2), Layout::px(l.y2));
        };
        line(Layout::Menu::Line4, Qt::white);
        line(Layout::Menu::Line3, Qt::white);
        line(Layout::Menu::Line1, Qt::black);
        line(Layout::Menu::Line2, Qt::black);
    }
};
} // namespace

FrmMenu::FrmMenu(WindowHub &hub) : m_hub(hub)
{
    setObjectName(QStringLiteral("frmMenu"));
    setWindowTitle(ui::programTitle());

    auto *client = new QWidget(this);
    ui::setBackground(client, QColor(128, 128, 255));
    setCentralWidget(client);

    Image1 = new ui::PictureBox(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(Layout::Menu::Image1.toPx());
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
    Command1 = button("Command1", QStringLiteral("かるた取り"), Layout::Menu::Command1, QColor(255, 0, 0), 14.25);
    Command2 = button("Command2", QStringLiteral("自動よみあげ"), Layout::Menu::Command2, QColor(0, 255, 0), 14.25);
    Command3 = button("Command3", QStringLiteral("かるた設定"), Layout::Menu::Command3, QColor(0, 255, 255), 12);
    connect(Command1, &QPushButton::clicked, this, &FrmMenu::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmMenu::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmMenu::Command3_Click);

    QMenu *mnuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuTukai = mnuHelp->addAction(QStringLiteral("使い方"), this, &FrmMenu::mnuTukai_Click);
    mnuTukai->setObjectName(QStringLiteral("mnuTukai"));
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("mnuU1"));
    mnuVerj = mnuHelp->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), this, &FrmMenu::mnuVerj_Click);
    mnuVerj->setObjectName(QStringLiteral("mnuVerj"));
    mnuEnd = menuBar()->addAction(QStringLiteral("終了"), this, &FrmMenu::mnuEnd_Click);
    mnuEnd->setObjectName(QStringLiteral("mnuEnd"));

    // The client area is the design size; the menu bar comes on top of it.
    client->setFixedSize(Layout::Menu::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());

    Form_Load();
}

void FrmMenu::Form_Load()
{
    ui::placeTopCentred(this, Layout::WindowTopTwips);
    m_hub.data().LoadCardFolder();
}

void FrmMenu::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_noticesShown) {
        m_noticesShown = true;
        // Centred again now that the window frame is known.
        ui::placeTopCentred(this, Layout::WindowTopTwips);
        // After the menu is on screen, so the messages have something to sit on.
        QTimer::singleShot(0, this, &FrmMenu::showLoadNotices);
    }
}

void FrmMenu::showLoadNotices()
{
    // One box for everything loading ran into: a folder that cannot be
    // written fails both files, and that is one problem for the user.
    QStringList texts;
    for (const Module1::Notice &notice : m_hub.data().takeNotices())
        texts << notice.text;
    if (!texts.isEmpty())
        ui::warn(this, ui::programTitle(), texts.join(QStringLiteral("\n\n")));
}

void FrmMenu::Command1_Click()
{
    m_hub.showKaruto();
}

void FrmMenu::Command2_Click()
{
    m_hub.showReading();
}

void FrmMenu::Command3_Click()
{
    m_hub.showEdit();
}

void FrmMenu::mnuTukai_Click()
{
    m_hub.showHelp();
}

void FrmMenu::mnuVerj_Click()
{
    m_hub.showAbout();
}

void FrmMenu::mnuEnd_Click()
{
    m_hub.endProgram();
}

void FrmMenu::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_hub.endProgram();
}
