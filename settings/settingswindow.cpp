// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "settings/settingswindow.h"

#include "ui/uikit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>

namespace S = Layout::Settings;

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

SettingsWindow::SettingsWindow()
{
    setObjectName(QStringLiteral("frmSettei"));
    setWindowTitle(QStringLiteral("レベル"));

    auto *client = new QWidget(this);
    ui::setBackground(client, QColor(255, 0, 0));
    setCentralWidget(client);

    // In tab order: the voice switch, then the strength.
    QGroupBox *voiceFrame = optionFrame(client, "Frame2", QStringLiteral("音声よみあげ"), S::VoiceFrame, QColor(0, 255, 0));
    m_voiceOffButton = option(voiceFrame, QStringLiteral("Option2_0"), QStringLiteral("しない"), S::VoiceOffButton);
    option(voiceFrame, QStringLiteral("Option2_1"), QStringLiteral("する"), S::VoiceOnButton)->setChecked(true);

    QGroupBox *strengthFrame = optionFrame(client, "Frame1", QStringLiteral("コンピュータのつよさ"), S::StrengthFrame, QColor(0, 255, 255));
    for (int i = 0; i < Strength::Levels; ++i)
        m_levelButtons[i] = option(strengthFrame, QStringLiteral("Option1_%1").arg(i), QString::fromUtf8(Strength::Captions[i]), S::levelButton(i));
    m_levelButtons[Strength::Default - Strength::Weakest]->setChecked(true);

    // Under both, what the computer plays like.
    QGroupBox *opponentFrame = optionFrame(client, "Frame3", QString::fromUtf8(OpponentChoice::FrameCaption), S::OpponentFrame, QColor(255, 255, 0));
    const std::array<Layout::TwipRect, 4> opponentRects{S::ByLevelButton, S::HumanLikeButton, S::AdaptiveButton,
                                                        S::PracticeButton};
    for (int i = 0; i < int(opponentRects.size()); ++i) {
        m_opponentButtons[i] = option(opponentFrame, QStringLiteral("Option3_%1").arg(i),
                                      QString::fromUtf8(OpponentChoice::Captions[i]), opponentRects[i]);
    }
    // The chooser sits between the second and third option in tab order,
    // under the option it belongs to.
    QLabel *stepCaption = ui::caption(opponentFrame, QStringLiteral("速さ"), S::StepCaption);
    stepCaption->setObjectName(QStringLiteral("Label3_0"));
    m_stepChooser = new QComboBox(opponentFrame);
    m_stepChooser->setObjectName(QStringLiteral("Combo3"));
    m_stepChooser->setGeometry(S::StepChooser.toPx());
    for (const HumanModel::StepInfo &step : HumanModel::Table)
        m_stepChooser->addItem(QString::fromUtf8(step.caption));
    m_stepChooser->setCurrentIndex(int(HumanModel::Step::Standard));
    // A combo box is announced by its caption, not by its current text.
    stepCaption->setBuddy(m_stepChooser);
    setTabOrder(m_opponentButtons[1], m_stepChooser);
    setTabOrder(m_stepChooser, m_opponentButtons[2]);
    // The speed counts only for the human-like opponent.
    m_stepChooser->setEnabled(false);
    connect(m_opponentButtons[1], &QRadioButton::toggled, m_stepChooser, &QComboBox::setEnabled);
    m_opponentButtons[0]->setChecked(true);

    QAction *backAction = menuBar()->addAction(QStringLiteral("もどる"), this, &SettingsWindow::goBack);
    backAction->setObjectName(QStringLiteral("mnuEnd"));

    client->setFixedSize(S::Client.toPx());
    adjustSize();
    setFixedSize(sizeHint());
    // Centred on the screen, where the match window leaves it in view.
    const QRect screen = ui::screenRect(this);
    move(screen.center() - rect().center());
}

int SettingsWindow::strengthLevel() const
{
    int level = Strength::Default;
    for (int i = 0; i < Strength::Levels; ++i) {
        if (m_levelButtons[i]->isChecked())
            level = Strength::Weakest + i;
    }
    return level;
}

bool SettingsWindow::voiceOn() const
{
    return !m_voiceOffButton->isChecked();
}

OpponentChoice SettingsWindow::opponentChoice() const
{
    OpponentChoice choice;
    for (int i = 0; i < int(m_opponentButtons.size()); ++i) {
        if (m_opponentButtons[i]->isChecked())
            choice.kind = OpponentChoice::Kind(i);
    }
    choice.step = HumanModel::Step(m_stepChooser->currentIndex());
    return choice;
}

QString SettingsWindow::levelDisplayText() const
{
    return opponentChoice().displayText(strengthLevel());
}

void SettingsWindow::goBack()
{
    Q_EMIT levelChosen(levelDisplayText());
    hide();
}
