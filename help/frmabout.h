// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The About box: title, version, a short description and a notice.
// "OK" discards it; the next opening builds it again.

#include <QWidget>

class QLabel;
class QPushButton;
namespace ui { class PictureBox; }

class FrmAbout : public QWidget
{
    Q_OBJECT

public:
    FrmAbout();

    ui::PictureBox *picIcon;
    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblDescription;
    QLabel *lblDisclaimer;
    QPushButton *cmdOK;

    // "ﾊﾞｰｼﾞｮﾝ 3.0.0", from the build's version.
    static QString versionLine();

    void cmdOK_Click();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Form_Load();
};
