// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Asks for the name of a card set to make, and for a new set its number of
// cards. OK runs the check it was given; while the check finds a problem
// the dialog stays up and says what it is, so a refused name is mended in
// place rather than typed again.

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QSpinBox;

class SetNameDialog : public QDialog
{
    Q_OBJECT

public:
    using Check = std::function<QString(const QString &name)>;
    // askCount: a new set (name and count) rather than a copy (name only).
    SetNameDialog(QWidget *parent, const QString &title, const QString &prompt, bool askCount, Check check);

    QString name() const;
    // A name to start from (a set read from a file: the file's name).
    void setName(const QString &name);
    int count() const;

    void accept() override;

private:
    QLineEdit *m_nameBox;
    QSpinBox *m_countBox = nullptr;
    QLabel *m_problem;
    Check m_check;
};
