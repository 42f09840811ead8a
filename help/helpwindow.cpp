// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "help/helpwindow.h"

#include "data/cardstate.h"
#include "ui/uikit.h"

#include <QFileInfo>
#include <QMenuBar>
#include <QTextBrowser>
#include <QUrl>

HelpWindow::HelpWindow(const CardState &data)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("銀鈴かるたの使い方"));
    setCentralWidget(new QWidget(this));

    m_browser = new QTextBrowser(centralWidget());
    m_browser->setObjectName(QStringLiteral("WebBrowser1"));
    m_browser->setAccessibleName(QStringLiteral("使い方のページ"));
    // Links to the web open in the desktop's browser; the guide's own
    // pages open here, with Back and Forward in the context menu.
    m_browser->setOpenExternalLinks(true);

    m_backAction = menuBar()->addAction(QStringLiteral("もどる"), this, &HelpWindow::goBack);
    m_backAction->setObjectName(QStringLiteral("mnuEnd"));

    placeWindow();

    const QString page = pagePath(data);
    if (QFileInfo::exists(page)) {
        m_browser->setSource(QUrl::fromLocalFile(page));
    } else {
        m_browser->setPlainText(QStringLiteral("使い方のページ %1 が見つかりません。").arg(page));
    }
}

QString HelpWindow::pagePath(const CardState &data)
{
    return data.programFolder() + QStringLiteral("/index.htm");
}

void HelpWindow::placeWindow()
{
    const QRect screen = ui::screenRect(this);
    move(screen.topLeft());
    resize(screen.width(), screen.height() - Layout::px(Layout::Help::HeightMarginTwips));
    fitBrowser();
}

void HelpWindow::fitBrowser()
{
    // From the size the window was actually granted, read back.
    m_browser->setGeometry(0, 0, width() - Layout::px(Layout::Help::BrowserWidthMarginTwips),
                             height() - Layout::px(Layout::Help::BrowserHeightMarginTwips));
}

void HelpWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fitBrowser();
}

void HelpWindow::goBack()
{
    hide();
}
