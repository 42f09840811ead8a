// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Plays a match as a user would and takes the README's pictures of it: from
// the start menu, かるた取り; ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ set to うんとつよい and no reading
// aloud; 試合開始. The player takes two cards of every three, each a
// moment after it is announced; the computer, left alone, takes the third.
// Halfway through, the table is grabbed; at the end, the screen with the
// result message, which is then answered いいえ.
// With a third file, the screen is also grabbed in the middle of the
// computer's first lift of a card from the fourth row or below, as it is
// shown while the take runs.
// Not a test; run under Xvfb by scripts/screenshot-play.sh.
//   play_match <midway.png> <result.png> [lift.png]

#include "app/startmenu.h"
#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/matchwindow.h"
#include "settings/settingswindow.h"
#include "tests/testsupport.h"
#include "tests/windowcontrols.h"
#include "ui/uikit.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: play_match <midway.png> <result.png>\n");
        return 2;
    }
    const QString midway = QString::fromLocal8Bit(argv[1]);
    const QString result = QString::fromLocal8Bit(argv[2]);
    const QString lift = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QApplication app(argc, argv);
    testing::setUpApplication();

    testing::ProgramFolder program;
    CardState data(program.path());
    data.loadCardFolder();
    WindowHub hub(data);
    hub.startMenu()->show();

    QTest::mouseClick(controls(hub.startMenu()).matchButton(), Qt::LeftButton);
    MatchWindow *window = hub.matchWindow();
    controls(window).settingsAction()->trigger();
    SettingsWindow *settings = hub.settingsWindow();
    QTest::mouseClick(controls(settings).levelButtons()[4], Qt::LeftButton);
    QTest::mouseClick(controls(settings).voiceButtons()[0], Qt::LeftButton);
    controls(settings).backAction()->trigger();
    window->activateWindow();

    int status = 0;
    bool grabbedMidway = false;
    auto save = [&](const QPixmap &picture, const QString &path) {
        if (!picture.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            status = 1;
        } else {
            std::printf("wrote %s\n", qPrintable(path));
        }
    };

    // The lift runs without the event loop; what the screen shows now is
    // what each step painted.
    int liftMoves = 0, lastY = 0, startY = 0;
    bool grabbedLift = lift.isEmpty();
    testing::EventWatch liftWatch(controls(window).handTaking(), QEvent::Move, [&] {
        QWidget *hand = controls(window).handTaking();
        if (grabbedLift || !hand->isVisible())
            return;
        // The hand comes down on a new card: a new lift.
        if (hand->y() > lastY) {
            liftMoves = 0;
            startY = hand->y();
        }
        lastY = hand->y();
        if (startY >= 400 && ++liftMoves == 25) {
            grabbedLift = true;
            const QRect area = window->frameGeometry();
            save(window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()), lift);
        }
    });

    QObject::connect(window, &MatchWindow::announced, window, [&] {
        const MatchState &match = window->match();
        const int position = match.position();
        if (!grabbedMidway && position == match.cardCount() / 2 + 1) {
            grabbedMidway = true;
            // After the announcement has been painted.
            QTimer::singleShot(300, window, [&] { save(window->grab(), midway); });
        }
        if (position % 3 == 0)
            return; // this one is the computer's
        QTimer::singleShot(700, window, [&, position] {
            if (window->match().position() != position)
                return;
            for (int s = 1; s <= window->match().cardCount(); ++s) {
                if (window->match().isRightTake(s)) {
                    QTest::mouseClick(controls(window).cardBoxes()[s - 1], Qt::LeftButton);
                    return;
                }
            }
        });
    });

    // The result message: wait until it is drawn, grab the screen around the
    // window, then answer いいえ, which hides the window.
    QTimer watch;
    int seen = 0;
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (++seen < 10)
            return;
        const QRect area = window->frameGeometry().united(box->frameGeometry());
        save(window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()), result);
        box->button(QMessageBox::No)->click();
        QTimer::singleShot(200, &app, [&] {
            if (window->isVisible()) {
                std::fprintf(stderr, "the window is still shown after いいえ\n");
                status = 1;
            }
            app.quit();
        });
        watch.stop();
    });
    watch.start(50);

    QTimer::singleShot(500, window, [&] { controls(window).startMatchAction()->trigger(); });
    // A whole match at level 5 takes well under three minutes.
    QTimer::singleShot(240000, &app, [&] {
        std::fprintf(stderr, "the match did not end\n");
        status = 1;
        app.quit();
    });
    app.exec();
    std::printf("player %lld, computer %d\n", qlonglong(window->match().playerScore()), window->match().computerScore());
    return status;
}
