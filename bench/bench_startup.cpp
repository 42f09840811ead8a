// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up time of the program against a minimal Qt Widgets program that
// shows one empty window (bench/minimalwindow.cpp), both started the same
// way: a new process from a fresh copy of its program folder, timed from
// the moment it is spawned to the moment the X server maps its first
// top-level window. The benchmark watches the root window for MapNotify
// itself, so nothing in either program is changed or told that it is being
// timed. Runs alternate between the programs; the first of each is a
// warm-up and is not counted. A third program, the minimal window with one
// Japanese label, shows what loading the font system alone costs.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/bench_startup [runs]
// Prints each time, the medians and their ratio (goal: 1.3 or less).

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {
qint64 nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// Every event the server has for us now, read and dropped.
void drain(xcb_connection_t *c)
{
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    while (xcb_generic_event_t *event = xcb_poll_for_event(c))
        free(event);
}

// Waits for a top-level window to be mapped; the time, or -1 when the
// process ended first or nothing came within timeoutMs.
qint64 waitForMap(xcb_connection_t *c, pid_t child, int timeoutMs)
{
    const qint64 deadline = nowNs() + qint64(timeoutMs) * 1000000;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (nowNs() < deadline) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY
                && !reinterpret_cast<xcb_map_notify_event_t *>(event)->override_redirect;
            free(event);
            if (mapped)
                return nowNs();
        }
        if (waitpid(child, nullptr, WNOHANG) == child)
            return -1;
        poll(&fd, 1, 20);
    }
    return -1;
}

struct Program {
    const char *name;
    QString executable;
    bool withCards; // the program folder also gets ondat/, hand.ico and index.htm
    const char *argument; // or nullptr
    std::vector<qint64> times;
};

// A new program folder laid out as the build lays out bin/, without the
// files a start writes (karupath.dat, karudata.dat).
QString freshCopy(const Program &program, const QString &folder)
{
    QDir().mkpath(folder);
    const QString target = folder + u'/' + QFileInfo(program.executable).fileName();
    QFile::copy(program.executable, target);
    if (program.withCards) {
        const QString bin = QStringLiteral(GINREI_BIN_DIR);
        QFile::copy(bin + QStringLiteral("/hand.ico"), folder + QStringLiteral("/hand.ico"));
        QFile::copy(bin + QStringLiteral("/index.htm"), folder + QStringLiteral("/index.htm"));
        QDir().mkpath(folder + QStringLiteral("/ondat"));
        const QDir cards(bin + QStringLiteral("/ondat"));
        for (const QString &name : cards.entryList({QStringLiteral("karue*.jpg"), QStringLiteral("karuon*.wav")}, QDir::Files))
            QFile::copy(cards.filePath(name), folder + QStringLiteral("/ondat/") + name);
    }
    return target;
}

// One start: spawn, wait for the first window, end the process.
qint64 startOnce(xcb_connection_t *c, const QString &executable, const char *argument,
                 const std::vector<QByteArray> &environment)
{
    std::vector<char *> envp;
    for (const QByteArray &entry : environment)
        envp.push_back(const_cast<char *>(entry.constData()));
    envp.push_back(nullptr);
    const QByteArray path = QFile::encodeName(executable);
    char *argv[] = {const_cast<char *>(path.constData()), const_cast<char *>(argument), nullptr};

    drain(c);
    pid_t child = 0;
    const qint64 start = nowNs();
    if (posix_spawn(&child, path.constData(), nullptr, nullptr, argv, envp.data()) != 0) {
        std::perror("posix_spawn");
        return -1;
    }
    const qint64 mapped = waitForMap(c, child, 20000);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return mapped < 0 ? -1 : mapped - start;
}

qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) {
        std::fprintf(stderr, "bench_startup: no X display (run it under xvfb-run)\n");
        return 2;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("runtime")));
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The same environment for both: their own home, config and runtime
    // folders, the X display.
    std::vector<QByteArray> environment;
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        if (!entry.startsWith("HOME=") && !entry.startsWith("XDG_") && !entry.startsWith("QT_"))
            environment.push_back(entry);
    }
    environment.push_back("HOME=" + QFile::encodeName(dir.filePath(QStringLiteral("home"))));
    environment.push_back("XDG_CONFIG_HOME=" + QFile::encodeName(dir.filePath(QStringLiteral("home/.config"))));
    environment.push_back("XDG_RUNTIME_DIR=" + QFile::encodeName(dir.filePath(QStringLiteral("runtime"))));
    environment.push_back("QT_QPA_PLATFORM=xcb");

    Program programs[] = {{"minimal window", QStringLiteral(GINREI_MINIMAL_WINDOW), false, nullptr, {}},
                          {"ginrei-karuta", QStringLiteral(GINREI_PROGRAM), true, nullptr, {}},
                          {"with a label", QStringLiteral(GINREI_MINIMAL_WINDOW), false, "--label", {}}};
    int folder = 0;
    for (int run = 0; run <= runs; ++run) {
        for (Program &program : programs) {
            const QString executable = freshCopy(program, dir.filePath(QStringLiteral("run%1").arg(++folder)));
            const qint64 time = startOnce(c, executable, program.argument, environment);
            if (time < 0) {
                std::fprintf(stderr, "bench_startup: %s showed no window\n", program.name);
                return 1;
            }
            if (run > 0) // the first is a warm-up
                program.times.push_back(time);
        }
        if (run > 0) {
            std::printf("run %2d: minimal window %6.1f ms, ginrei-karuta %6.1f ms, with a label %6.1f ms\n", run,
                        ms(programs[0].times.back()), ms(programs[1].times.back()), ms(programs[2].times.back()));
            std::fflush(stdout);
        }
    }
    const qint64 minimal = median(programs[0].times);
    const qint64 program = median(programs[1].times);
    const qint64 labelled = median(programs[2].times);
    std::printf("\nstart to first window mapped, median of %d starts:\n", runs);
    std::printf("  minimal Qt Widgets window:         %6.1f ms\n", ms(minimal));
    std::printf("  ginrei-karuta start menu:          %6.1f ms\n", ms(program));
    std::printf("  minimal window with a label:       %6.1f ms\n", ms(labelled));
    std::printf("  ratio to the empty window:   %.2f (goal: 1.3 or less)\n", double(program) / double(minimal));
    std::printf("  ratio to the labelled window: %.2f\n", double(program) / double(labelled));
    xcb_disconnect(c);
    return 0;
}
