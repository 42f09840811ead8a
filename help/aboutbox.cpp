// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "help/aboutbox.h"

#include "ui/uikit.h"
#include "version.h"

#include <QPainter>
#include <QPushButton>

AboutBox::AboutBox()
{
    setObjectName(QStringLiteral("frmAbout"));
    ui::setClientSize(this, Layout::About::Client);

    m_icon = new ui::PictureBox(this);
    m_icon->setObjectName(QStringLiteral("picIcon"));
    m_icon->setGeometry(Layout::About::Icon.toPx());
    m_icon->setScaledContents(false);
    m_icon->setPixmap(QPixmap(QStringLiteral(":/images/icon-32.png")));
    m_icon->setAccessibleName(QStringLiteral("銀鈴かるたのアイコン"));

    auto label = [this](const char *name, Layout::TwipRect rect) {
        auto *l = ui::caption(this, QString(), rect);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    m_title = label("lblTitle", Layout::About::Title);
    m_title->setFont(ui::font(ui::PGothic, 18, true));
    m_version = label("lblVersion", Layout::About::Version);
    m_description = label("lblDescription", Layout::About::Description);
    m_description->setWordWrap(true);
    m_description->setText(QStringLiteral(
        "このｱﾌﾟﾘｹｰｼｮﾝは銀鈴かるた大会において好成績をおさめるための訓練ソフトです。"
        "コンピュータを相手にしたかるた取り、札の自動よみあげ、札の設定ができます。"));
    m_disclaimer = label("lblDisclaimer", Layout::About::Disclaimer);
    m_disclaimer->setWordWrap(true);
    m_disclaimer->setText(QStringLiteral(
        "大会に向けた練習にお役立てください。本ソフトの利用によって生じた損害について、"
        "作者は責任を負いかねます。ご意見・ご感想は銀鈴かるた開発チームまでお寄せください。"));

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("cmdOK"));
    m_okButton->setGeometry(Layout::About::OkButton.toPx());
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &AboutBox::acknowledge);

    setFixedSize(size());
    load();
}

QString AboutBox::versionLine()
{
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3").arg(GINREI_VERSION_MAJOR).arg(GINREI_VERSION_MINOR).arg(GINREI_VERSION_PATCH);
}

void AboutBox::load()
{
    setWindowTitle(ui::programTitle() + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    m_version->setText(versionLine());
    m_title->setText(ui::programTitle());
}

void AboutBox::acknowledge()
{
    close(); // the box is destroyed on close and built anew next time
}

void AboutBox::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // An etched separator: a grey line with a white one just under it.
    QPainter p(this);
    const auto &grey = Layout::About::SeparatorGrey;
    const auto &white = Layout::About::SeparatorWhite;
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.drawLine(Layout::px(grey.x1), Layout::px(grey.y1), Layout::px(grey.x2), Layout::px(grey.y2));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(Layout::px(white.x1), Layout::px(white.y1), Layout::px(white.x2), Layout::px(white.y2));
}
