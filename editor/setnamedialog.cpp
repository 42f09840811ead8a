// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/setnamedialog.h"

#include "data/cardstate.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

SetNameDialog::SetNameDialog(QWidget *parent, const QString &title, const QString &prompt, bool askCount, Check check)
    : QDialog(parent), m_check(std::move(check))
{
    setObjectName(QStringLiteral("setNameDialog"));
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    auto *promptLabel = new QLabel(prompt, this);
    promptLabel->setTextFormat(Qt::PlainText);
    promptLabel->setWordWrap(true);
    layout->addWidget(promptLabel);

    auto *form = new QFormLayout;
    m_nameBox = new QLineEdit(this);
    m_nameBox->setObjectName(QStringLiteral("nameBox"));
    m_nameBox->setMinimumWidth(240);
    form->addRow(QStringLiteral("名前(&N)"), m_nameBox);
    if (askCount) {
        m_countBox = new QSpinBox(this);
        m_countBox->setObjectName(QStringLiteral("countBox"));
        m_countBox->setRange(1, CardState::MaxCards);
        m_countBox->setValue(CardState::DefaultCount);
        m_countBox->setSuffix(QStringLiteral(" 枚"));
        form->addRow(QStringLiteral("札の数(&C)"), m_countBox);
    }
    layout->addLayout(form);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("nameProblem"));
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    QPalette palette = m_problem->palette();
    palette.setColor(QPalette::WindowText, QColor(170, 0, 0));
    m_problem->setPalette(palette);
    m_problem->hide();
    layout->addWidget(m_problem);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SetNameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SetNameDialog::reject);
    layout->addWidget(buttons);
    // The problem said goes once the name is changed.
    connect(m_nameBox, &QLineEdit::textChanged, m_problem, &QLabel::hide);
}

QString SetNameDialog::name() const
{
    return m_nameBox->text();
}

void SetNameDialog::setName(const QString &name)
{
    m_nameBox->setText(name);
    m_nameBox->selectAll();
}

int SetNameDialog::count() const
{
    return m_countBox ? m_countBox->value() : 0;
}

void SetNameDialog::accept()
{
    const QString problem = m_check ? m_check(name()) : QString();
    if (!problem.isEmpty()) {
        m_problem->setText(problem);
        m_problem->show();
        m_nameBox->setFocus();
        m_nameBox->setAccessibleDescription(problem);
        return;
    }
    QDialog::accept();
}
