// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The start menu: the first window, the hub of the three activities, help
// and version information. It loads the card state when it is made, and
// says what the user chose; the hub that keeps the windows acts on it.
// Closing it ends the program.

#include <QMainWindow>

class CardState;
class QAction;
class QPushButton;
namespace ui { class PictureBox; }

class StartMenu : public QMainWindow
{
    Q_OBJECT

public:
    explicit StartMenu(CardState &data);

    // Controls, by the names the rest of the program and the tests use.
    ui::PictureBox *Image1;
    QPushButton *Command1; // かるた取り
    QPushButton *Command2; // 自動よみあげ
    QPushButton *Command3; // かるた設定
    QAction *mnuTukai;     // 使い方
    QAction *mnuVerj;      // ﾊﾞｰｼﾞｮﾝ
    QAction *mnuEnd;       // 終了

Q_SIGNALS:
    void matchChosen();   // かるた取り
    void readingChosen(); // 自動よみあげ
    void editorChosen();  // かるた設定
    void guideChosen();   // ヘルプ → 使い方
    void versionChosen(); // ヘルプ → ﾊﾞｰｼﾞｮﾝ
    // 終了, or the close box.
    void quitChosen();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void showLoadNotices();

    CardState &m_data;
    bool m_noticesShown = false;
};
