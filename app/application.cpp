// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/application.h"

#include "app/startmenu.h"
#include "app/windowhub.h"
#include "data/cardstate.h"
#include "editor/cardphoto.h"
#include "editor/cardsets.h"
#include "ui/uikit.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QImageReader>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>

namespace {
void setIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("ginrei-karuta"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GINREI_VERSION_STRING));
}

// --help and --version work without a display, so they are handled before
// any window system is touched. Exits for those two and for a bad option.
void parseCommandLine(int argc, char **argv)
{
    QCoreApplication core(argc, argv);
    setIdentity();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("銀鈴かるた: かるた取りの練習ソフト"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(core);
}
} // namespace

void setUpToolkit()
{
    setIdentity();
    // No application display name: the toolkit would add it to every title
    // bar, and each window's title bar reads exactly its own caption.
    // Ties the windows to ginrei-karuta.desktop (its name and icon in the
    // desktop's task list).
    QGuiApplication::setDesktopFileName(QStringLiteral("ginrei-karuta"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    ui::installFontSubstitutes();
    // The windows were laid out for this font: captions that fit their boxes
    // in it would be cut off in a larger desktop default.
    QApplication::setFont(ui::font(ui::PGothic, 9, false));
    // The most memory one picture may take decoded, whatever Qt's default:
    // picture files come from anywhere (cardphoto).
    QImageReader::setAllocationLimit(cardphoto::AllocationLimitMb);

    // The program speaks Japanese whatever the desktop's language, and so do
    // the standard buttons of its message boxes.
    static QTranslator qtbase;
    if (qtbase.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtbase);
}

void setProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/images/icon-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

int runApplication(int argc, char **argv)
{
    parseCommandLine(argc, argv);

    QApplication app(argc, argv);
    setUpToolkit();

    // karupath.dat goes to the user's config folder when the program folder
    // cannot be written, as in an installed copy; the sets made in the
    // editor are stored in it by their place in the user's sets folder.
    CardState data(QCoreApplication::applicationDirPath(),
                   QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation), cardsets::defaultRoot());
    WindowHub hub(data);
    hub.startMenu()->show();
    // Looking at six icon files takes a few milliseconds; the start menu
    // is on screen first and gets its icon a moment later.
    QTimer::singleShot(0, &setProgramIcon);
    return app.exec();
}
