// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The user guide, index.htm from the program folder, in a window that
// fills the screen.

#include <QMainWindow>

class Module1;
class QAction;
class QTextBrowser;

class FrmHelp : public QMainWindow
{
    Q_OBJECT

public:
    explicit FrmHelp(const Module1 &data);

    QTextBrowser *WebBrowser1;
    QAction *mnuEnd; // もどる

    // The page the window navigates to when it loads.
    static QString pagePath(const Module1 &data);

    void mnuEnd_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Inisharize();
    void fitBrowser();
};
