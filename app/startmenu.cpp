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

    m_titlePicture = new ui::PictureBox(client);
    m_titlePicture->setObjectName(QStringLiteral("Image1"));
    m_titlePicture->setGeometry(Layout::Menu::TitlePicture.toPx());
    m_titlePicture->setPixmap(QPixmap(QStringLiteral(":/images/title.jpg")));
    m_titlePicture->setAccessibleName(QStringLiteral("タイトル絵：銀の鈴と「銀鈴かるた」の文字"));

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
    m_matchButton = button("Command1", QStringLiteral("かるた取り"), Layout::Menu::MatchButton, QColor(255, 0, 0), 14.25);
    m_readingButton = button("Command2", QStringLiteral("自動よみあげ"), Layout::Menu::ReadingButton, QColor(0, 255, 0), 14.25);
    m_editorButton = button("Command3", QStringLiteral("かるた設定"), Layout::Menu::EditorButton, QColor(0, 255, 255), 12);
    connect(m_matchButton, &QPushButton::clicked, this, &StartMenu::matchChosen);
    connect(m_readingButton, &QPushButton::clicked, this, &StartMenu::readingChosen);
    connect(m_editorButton, &QPushButton::clicked, this, &StartMenu::editorChosen);

    QMenu *helpMenu = menuBar()->addMenu(QStringLiteral("ヘルプ"));
    helpMenu->setObjectName(QStringLiteral("mnuHelp"));
    m_guideAction = helpMenu->addAction(QStringLiteral("使い方"), this, &StartMenu::guideChosen);
    m_guideAction->setObjectName(QStringLiteral("mnuTukai"));
    helpMenu->addSeparator()->setObjectName(QStringLiteral("mnuU1"));
    m_versionAction = helpMenu->addAction(QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), this, &StartMenu::versionChosen);
    m_versionAction->setObjectName(QStringLiteral("mnuVerj"));
    // Acts at once, like 終了, between the two.
    m_statisticsAction = menuBar()->addAction(QStringLiteral("成績"), this, &StartMenu::statisticsChosen);
    m_statisticsAction->setObjectName(QStringLiteral("mnuSeiseki"));
    m_quitAction = menuBar()->addAction(QStringLiteral("終了"), this, &StartMenu::quitChosen);
    m_quitAction->setObjectName(QStringLiteral("mnuEnd"));

    // The client area is the design size; the menu bar comes on top of it.
    client->setFixedSize(Layout::Menu::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());

    load();
}

void StartMenu::load()
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
