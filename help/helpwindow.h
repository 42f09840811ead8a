// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The user guide, index.htm from the program folder, in a window that
// fills the screen.

#include <QMainWindow>

class CardState;
class QAction;
class QTextBrowser;

class HelpWindow : public QMainWindow
{
    Q_OBJECT
    friend struct HelpWindowControls;

public:
    explicit HelpWindow(const CardState &data);

    // The page the window navigates to when it loads.
    static QString pagePath(const CardState &data);

    void goBack();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeWindow();
    void fitBrowser();

    QTextBrowser *m_browser;
    QAction *m_backAction; // もどる
};
