// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The yardstick of the start-up benchmark: the least a Qt Widgets program
// does to show a window, one empty QWidget.
//   minimalwindow                      shows the window until it is ended
//   minimalwindow --print-peak-memory  prints its peak resident memory once
//                                      the window is shown, then quits
//   minimalwindow --label              the window holds one line of Japanese
//                                      text, so that the font system is loaded

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(320, 240);
    if (app.arguments().contains(QStringLiteral("--label")))
        (new QLabel(QStringLiteral("かるた取り"), &window))->move(20, 20);
    window.show();
    if (app.arguments().contains(QStringLiteral("--print-peak-memory"))) {
        QTimer::singleShot(500, &app, [] {
            QFile status(QStringLiteral("/proc/self/status"));
            status.open(QIODevice::ReadOnly);
            for (const QByteArray &line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    std::printf("%s\n", line.constData());
            QCoreApplication::quit();
        });
    }
    return app.exec();
}
