// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The start menu: the first window, the hub of the three activities, help
// and version information. Closing it ends the program.

#include <QMainWindow>

class QAction;
class QPushButton;
class WindowHub;
namespace ui { class PictureBox; }

class FrmMenu : public QMainWindow
{
    Q_OBJECT

public:
    explicit FrmMenu(WindowHub &hub);

    // Controls, by the names the rest of the program and the tests use.
    ui::PictureBox *Image1;
    QPushButton *Command1; // かるた取り
    QPushButton *Command2; // 自動よみあげ
    QPushButton *Command3; // かるた設定
    QAction *mnuTukai;     // 使い方
    QAction *mnuVerj;      // ﾊﾞｰｼﾞｮﾝ
    QAction *mnuEnd;       // 終了

    void Command3_Click();
    void Command1_Click();
    void Command2_Click();
    void mnuTukai_Click();
    void mnuVerj_Click();
    void mnuEnd_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void showLoadNotices();

    WindowHub &m_hub;
    bool m_noticesShown = false;
};
