// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "help/frmhelp.h"

#include "app/uikit.h"
#include "data/module1.h"

#include <QFileInfo>
#include <QMenuBar>
#include <QTextBrowser>
#include <QUrl>

FrmHelp::FrmHelp(const Module1 &data)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("銀鈴かるたの使い方"));
    setCentralWidget(new QWidget(this));

    WebBrowser1 = new QTextBrowser(centralWidget());
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setAccessibleName(QStringLiteral("使い方のページ"));
    // Links to the web open in the desktop's browser; the guide's own
    // pages open here, with Back and Forward in the context menu.
    WebBrowser1->setOpenExternalLinks(true);

    mnuEnd = menuBar()->addAction(QStringLiteral("もどる"), this, &FrmHelp::mnuEnd_Click);
    mnuEnd->setObjectName(QStringLiteral("mnuEnd"));

    Inisharize();

    const QString page = pagePath(data);
    if (QFileInfo::exists(page)) {
        WebBrowser1->setSource(QUrl::fromLocalFile(page));
    } else {
        WebBrowser1->setPlainText(QStringLiteral("使い方のページ %1 が見つかりません。").arg(page));
    }
}

QString FrmHelp::pagePath(const Module1 &data)
{
    return data.programFolder() + QStringLiteral("/index.htm");
}

void FrmHelp::Inisharize()
{
    const QRect screen = ui::screenRect(this);
    move(screen.topLeft());
    resize(screen.width(), screen.height() - Layout::px(Layout::Help::HeightMarginTwips));
    fitBrowser();
}

void FrmHelp::fitBrowser()
{
    // From the size the window was actually granted, read back.
    WebBrowser1->setGeometry(0, 0, width() - Layout::px(Layout::Help::BrowserWidthMarginTwips),
                             height() - Layout::px(Layout::Help::BrowserHeightMarginTwips));
}

void FrmHelp::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fitBrowser();
}

void FrmHelp::mnuEnd_Click()
{
    hide();
}
