// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The About box: title, version, a short description and a notice.
// "OK" discards it; the next opening builds it again.

#include <QWidget>

class QLabel;
class QPushButton;
namespace ui { class PictureBox; }

class AboutBox : public QWidget
{
    Q_OBJECT
    friend struct AboutBoxControls;

public:
    AboutBox();

    // "ﾊﾞｰｼﾞｮﾝ 3.0.0", from the build's version.
    static QString versionLine();

    void acknowledge();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void load();

    ui::PictureBox *m_icon;
    QLabel *m_title;
    QLabel *m_version;
    QLabel *m_description;
    QLabel *m_disclaimer;
    QPushButton *m_okButton;
};
