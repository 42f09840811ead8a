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
    friend struct StartMenuControls;

public:
    explicit StartMenu(CardState &data);

Q_SIGNALS:
    void matchChosen();   // かるた取り
    void readingChosen(); // 自動よみあげ
    void editorChosen();  // かるた設定
    void guideChosen();   // ヘルプ → 使い方
    void versionChosen(); // ヘルプ → ﾊﾞｰｼﾞｮﾝ
    void statisticsChosen(); // 成績
    // 終了, or the close box.
    void quitChosen();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void load();
    void showLoadNotices();

    CardState &m_data;
    bool m_noticesShown = false;

    // The controls; the suites reach them through StartMenuControls.
    ui::PictureBox *m_titlePicture;
    QPushButton *m_matchButton;   // かるた取り
    QPushButton *m_readingButton; // 自動よみあげ
    QPushButton *m_editorButton;  // かるた設定
    QAction *m_guideAction;   // 使い方
    QAction *m_versionAction; // ﾊﾞｰｼﾞｮﾝ
    QAction *m_statisticsAction; // 成績
    QAction *m_quitAction;    // 終了
};
