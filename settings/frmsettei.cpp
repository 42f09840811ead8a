// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/frmsettei.h"

#include "app/uikit.h"
#include "app/windowhub.h"
#include "match/frmkaruto.h"
#include "settings/strength.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>

namespace S = Layout::Settei;

namespace {
QGroupBox *optionFrame(QWidget *parent, const char *name, const QString &title, Layout::TwipRect rect, const QColor &colour)
{
    auto *frame = new QGroupBox(title, parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setGeometry(rect.toPx());
    ui::setBackground(frame, colour);
    return frame;
}

QRadioButton *option(QGroupBox *frame, const QString &name, const QString &text, Layout::TwipRect rect)
{
    // Buttons of one frame form one group: choosing one clears the others.
    auto *button = new QRadioButton(text, frame);
    button->setObjectName(name);
    button->setGeometry(rect.toPx());
    return button;
}
} // namespace

FrmSettei::FrmSettei(WindowHub &hub) : m_hub(hub)
{
    setObjectName(QStringLiteral("frmSettei"));
    setWindowTitle(QStringLiteral("レベル"));

    auto *client = new QWidget(this);
    ui::setBackground(client, QColor(255, 0, 0));
    setCentralWidget(client);

    // In tab order: the voice switch, then the strength.
    Frame2 = optionFrame(client, "Frame2", QStringLiteral("音声よみあげ"), S::Frame2, QColor(0, 255, 0));
    Option2[0] = option(Frame2, QStringLiteral("Option2_0"), QStringLiteral("しない"), S::Option2_0);
    Option2[1] = option(Frame2, QStringLiteral("Option2_1"), QStringLiteral("する"), S::Option2_1);
    Option2[1]->setChecked(true);

    Frame1 = optionFrame(client, "Frame1", QStringLiteral("コンピュータのつよさ"), S::Frame1, QColor(0, 255, 255));
    for (int i = 0; i < Strength::Levels; ++i)
        Option1[i] = option(Frame1, QStringLiteral("Option1_%1").arg(i), QString::fromUtf8(Strength::Captions[i]), S::option1(i));
    Option1[Strength::Default - Strength::Weakest]->setChecked(true);

    mnuEnd = menuBar()->addAction(QStringLiteral("もどる"), this, &FrmSettei::mnuEnd_Click);
    mnuEnd->setObjectName(QStringLiteral("mnuEnd"));

    client->setFixedSize(S::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());
    // Centred on the screen, where the match window leaves it in view.
    const QRect screen = ui::screenRect(this);
    move(screen.center() - rect().center());
}

int FrmSettei::strengthLevel() const
{
    int level = Strength::Default;
    for (int i = 0; i < Strength::Levels; ++i) {
        if (Option1[i]->isChecked())
            level = Strength::Weakest + i;
    }
    return level;
}

bool FrmSettei::voiceOn() const
{
    return !Option2[0]->isChecked();
}

void FrmSettei::mnuEnd_Click()
{
    if (FrmKaruto *match = m_hub.karuto()) {
        for (int i = 0; i < Strength::Levels; ++i) {
            if (Option1[i]->isChecked())
                match->Label1[3]->setText(QString::number(Strength::Weakest + i));
        }
    }
    hide();
}
