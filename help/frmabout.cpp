// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "help/frmabout.h"

#include "app/uikit.h"
#include "version.h"

#include <QPainter>
#include <QPushButton>

FrmAbout::FrmAbout()
{
    setObjectName(QStringLiteral("frmAbout"));
    ui::setClientSize(this, Layout::About::Client);

    picIcon = new ui::PictureBox(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(Layout::About::picIcon.toPx());
    picIcon->setScaledContents(false);
    picIcon->setPixmap(QPixmap(QStringLiteral(":/images/icon-32.png")));
    picIcon->setAccessibleName(QStringLiteral("銀鈴かるたのアイコン"));

    auto label = [this](const char *name, Layout::TwipRect rect) {
        auto *l = ui::caption(this, QString(), rect);
        l->setObjectName(QString::fromLatin1(name));
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    };
    lblTitle = label("lblTitle", Layout::About::lblTitle);
    lblTitle->setFont(ui::font(ui::PGothic, 18, true));
    lblVersion = label("lblVersion", Layout::About::lblVersion);
    lblDescription = label("lblDescription", Layout::About::lblDescription);
    lblDescription->setWordWrap(true);
    lblDescription->setText(QStringLiteral(
        "このｱﾌﾟﾘｹｰｼｮﾝは銀鈴かるた大会において好成績をおさめるための訓練ソフトです。"
        "コンピュータを相手にしたかるた取り、札の自動よみあげ、札の設定ができます。"));
    lblDisclaimer = label("lblDisclaimer", Layout::About::lblDisclaimer);
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setText(QStringLiteral(
        "大会に向けた練習にお役立てください。本ソフトの利用によって生じた損害について、"
        "作者は責任を負いかねます。ご意見・ご感想は銀鈴かるた開発チームまでお寄せください。"));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(Layout::About::cmdOK.toPx());
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &FrmAbout::cmdOK_Click);

    setFixedSize(size());
    Form_Load();
}

QString FrmAbout::versionLine()
{
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3").arg(GINREI_VERSION_MAJOR).arg(GINREI_VERSION_MINOR).arg(GINREI_VERSION_PATCH);
}

void FrmAbout::Form_Load()
{
    setWindowTitle(ui::programTitle() + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    lblVersion->setText(versionLine());
    lblTitle->setText(ui::programTitle());
}

void FrmAbout::cmdOK_Click()
{
    close(); // the box is destroyed on close and built anew next time
}

void FrmAbout::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // An etched separator: a grey line with a white one just under it.
    QPainter p(this);
    const auto &grey = Layout::About::Line1_1;
    const auto &white = Layout::About::Line1_0;
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.drawLine(Layout::px(grey.x1), Layout::px(grey.y1), Layout::px(grey.x2), Layout::px(grey.y2));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(Layout::px(white.x1), Layout::px(white.y1), Layout::px(white.x2), Layout::px(white.y2));
}
