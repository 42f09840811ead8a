// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the player hears: from the announcement of a card in a real match
// (level 5, reading aloud) to the first sample of its recording that reaches
// the null sink, for the stream device the windows use. Run under scripts/with-null-sink.sh:
//   scripts/with-null-sink.sh build/bench/bench_onset [cards]
//
// How it is measured:
// - Every card's recording is a 150 ms tone that is loud from its second
//   sample, so its first audible sample is its start.
// - The sound device of the match window is wrapped; its play() takes a
//   monotonic timestamp before passing the call on.
// - The null sink's monitor is recorded in this process with libpulse
//   (tests/monitorrecorder.h). Frame k of the recording arrived at
//   arrivalNs(k); the first frame of at least 0.004 after the announcement
//   is the onset.
// - The recording reaches this process a little after the sink played it.
//   That delay is measured first, with a known loopback: a libpulse stream
//   of this process plays 25 clicks; for each, the server's own playback
//   latency, asked right after the click was written, says when it plays.
//   Arrival minus that moment is the recorder's delay; its median is taken
//   off every onset.
// - The player clicks the right card 400 ms after each announcement, when
//   the reading has ended, so the monitor is quiet before the next one.
//   The first card of a match is reported apart: its stream is opened at
//   試合開始, in the same handler that announces it.

#include "app/windowhub.h"
#include "data/cardstate.h"
#include "match/matchwindow.h"
#include "settings/settingswindow.h"
#include "sound/sinksounddevice.h"
#include "tests/monitorrecorder.h"
#include "tests/testsupport.h"
#include "tests/wavwriter.h"
#include "tests/windowcontrols.h"
#include "ui/uikit.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
constexpr float Threshold = 0.004f;

struct Stats {
    double median = 0, p90 = 0, max = 0, min = 0;
    int n = 0;
};

Stats stats(QList<double> v)
{
    Stats s;
    s.n = int(v.size());
    if (v.isEmpty())
        return s;
    std::sort(v.begin(), v.end());
    auto at = [&v](double q) { return v[qMin(v.size() - 1, qsizetype(std::ceil(q * v.size())) - 1)]; };
    s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    s.p90 = at(0.9);
    s.max = v.last();
    s.min = v.first();
    return s;
}

void print(const char *what, const QList<double> &values)
{
    const Stats s = stats(values);
    std::printf("  %-58s n=%-3d median %7.2f  p90 %7.2f  max %7.2f  min %7.2f ms\n", what, s.n, s.median, s.p90, s.max, s.min);
    std::fflush(stdout);
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The recorder's delay, by the loopback described above; each value in ms.
QList<double> loopback(testing::MonitorRecorder &recorder)
{
    const pa_sample_spec spec{PA_SAMPLE_S16NE, 48000, 2};
    pa_buffer_attr attr;
    attr.maxlength = uint32_t(-1);
    attr.tlength = 48000 * 4 * 20 / 1000;
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(-1);
    attr.fragsize = uint32_t(-1);
    int error = 0;
    pa_simple *out = pa_simple_new(nullptr, "ginrei loopback", PA_STREAM_PLAYBACK, nullptr, "clicks", &spec, nullptr, &attr, &error);
    if (!out)
        qFatal("loopback stream: %s", pa_strerror(error));
    constexpr int block = 480; // 10 ms
    QByteArray silence(block * 4, '\0');
    QByteArray click(block * 4, '\0');
    auto *c = reinterpret_cast<qint16 *>(click.data());
    for (int i = 0; i < block / 2; ++i)
        c[2 * i] = c[2 * i + 1] = qint16(i % 20 < 10 ? 12000 : -12000);
    QList<double> delays;
    for (int n = 0; n < 30; ++n) {
        for (int i = 0; i < 15; ++i)
            pa_simple_write(out, silence.constData(), size_t(silence.size()), &error);
        recorder.clear();
        const qint64 searchFrom = recorder.frames();
        pa_simple_write(out, click.constData(), size_t(click.size()), &error);
        const qint64 written = testing::monotonicNs();
        const pa_usec_t latency = pa_simple_get_latency(out, &error);
        // The last frame written plays after `latency`; the click starts a
        // block before it.
        const qint64 plays = written + qint64(latency) * 1000 - 10 * 1000000;
        for (int i = 0; i < 15; ++i)
            pa_simple_write(out, silence.constData(), size_t(silence.size()), &error);
        QTest::qWait(60);
        const qint64 k = recorder.firstAbove(0.1f, searchFrom);
        if (n >= 5 && k >= 0) // the first few settle the stream
            delays << double(recorder.arrivalNs(k) - plays) / 1e6;
    }
    pa_simple_drain(out, &error);
    pa_simple_free(out);
    return delays;
}

// The match window's device, with the moment of each play() noted.
class TimedDevice : public SoundDevice
{
public:
    TimedDevice(SoundDevice *real, QObject *parent) : SoundDevice(parent), m_real(real)
    {
        real->setParent(this);
        connect(real, &SoundDevice::done, this, &SoundDevice::done);
    }
    void prepare() override { m_real->prepare(); }
    void play(const QString &file) override
    {
        const qint64 at = testing::monotonicNs();
        m_real->play(file);
        callUs << double(testing::monotonicNs() - at) / 1e3;
        calls << at;
    }
    void stopAndClose() override { m_real->stopAndClose(); }
    void close() override { m_real->close(); }
    void preload(const QString &file) override { m_real->preload(file); }
    void openAhead() override { m_real->openAhead(); }
    void releaseOutput() override { m_real->releaseOutput(); }

    QList<qint64> calls;   // monotonic ns at each play()
    QList<double> callUs;  // how long each play() took

private:
    SoundDevice *m_real;
};

struct Result {
    QList<double> later;   // onset of every card but the first of a match
    QList<double> first;   // onset of a match's first card
    QList<double> callUs;
    int silent = 0;        // readings never heard
};

Result measure(const QString &kind, const QString &program, testing::MonitorRecorder &recorder, int cards)
{
    CardState data(program);
    data.loadCardFolder();
    data.takeNotices();
    WindowHub hub(data);
    TimedDevice *timed = nullptr;
    hub.soundFactory = [&](QObject *owner) -> SoundDevice * {
        SoundDevice *real = new SinkSoundDevice;
        timed = new TimedDevice(real, owner);
        return timed;
    };
    testing::MessageBoxAnswerer answerer(QMessageBox::Yes);
    hub.showMatch();
    MatchWindow *w = hub.matchWindow();
    if (!QTest::qWaitForWindowExposed(w))
        qFatal("the match window was not shown");
    hub.matchSettings();
    controls(hub.settingsWindow()).levelButtons()[4]->setChecked(true);
    controls(hub.settingsWindow()).voiceButtons()[1]->setChecked(true);
    // One reading first, not counted: the first stream in a process pays
    // for connecting to the sound server.
    Result r;
    int counted = 0;
    bool warmUp = true;
    while (counted < cards) {
        if (controls(w).startMatchAction()->isEnabled())
            controls(w).startMatchAction()->trigger();
        const int position = w->match().position();
        recorder.clear();
        const qint64 from = recorder.frames();
        runFor(400);
        const qint64 call = timed->calls.last();
        // The first frame that arrived after the call and is loud.
        qint64 k = from;
        while (k < recorder.frames() && recorder.arrivalNs(k) < call)
            ++k;
        k = recorder.firstAbove(Threshold, k);
        if (!warmUp) {
            if (k < 0)
                ++r.silent;
            else
                (position == 1 ? r.first : r.later) << double(recorder.arrivalNs(k) - call) / 1e6;
            r.callUs << timed->callUs.last();
            ++counted;
        }
        warmUp = false;
        for (int s = 1; s <= w->match().cardCount(); ++s) {
            if (w->match().isRightTake(s)) {
                QTest::mouseClick(controls(w).cardBoxes()[s - 1], Qt::LeftButton);
                break;
            }
        }
    }
    controls(w).leaveAction()->trigger();
    return r;
}

// In a process of its own: a frozen child is killed and reported.
int measureOne(const QString &kind, int cards)
{
    testing::ProgramFolder program;
    for (int n = 1; n <= 46; ++n)
        testing::writeWav(program.cardFolder() + QStringLiteral("/karuon%1.wav").arg(n, 2, 10, QLatin1Char('0')),
                          testing::WavFormat{22050, 16, 1}, 150, 440);

    testing::MonitorRecorder recorder;
    QString error;
    if (!recorder.start(&error))
        qFatal("%s", qPrintable(error));
    QTest::qWait(600);
    const QList<double> delays = loopback(recorder);
    const Stats d = stats(delays);
    const Result r = measure(kind, program.path(), recorder, cards);
    auto corrected = [&d](QList<double> v) {
        for (double &x : v)
            x -= d.median;
        return v;
    };
    const QByteArray name("stream device (SinkSoundDevice)");
    std::printf("%s:\n", name.constData());
    print("recorder's delay (loopback; its median is taken off)", delays);
    print("onset, every card but a match's first", corrected(r.later));
    print("onset, a match's first card", corrected(r.first));
    print("time spent in play(), microseconds", QList<double>(r.callUs));
    std::printf("  readings never heard: %d\n", r.silent);
    std::fflush(stdout);
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    testing::prepareEnvironment();
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.multimedia.*=false;qt.qpa.*=false");
    QApplication app(argc, argv);
    testing::setUpApplication();
    if (!qEnvironmentVariableIsSet("GINREI_NULL_SINK"))
        qFatal("run this under scripts/with-null-sink.sh");
    const QStringList args = app.arguments();
    int cards = 40;
    QString kind;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--kind" && i + 1 < args.size())
            kind = args[++i];
        else
            cards = qMax(25, args[i].toInt());
    }
    if (!kind.isEmpty())
        return measureOne(kind, cards);

    std::printf("announcement -> first sample at the null sink (threshold %.3f), %d readings per device, level 5, reading aloud\n",
                double(Threshold), cards);
    std::fflush(stdout);
    for (const QString &each : {QStringLiteral("sink")}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--kind"), each, QString::number(cards)});
        const int limitS = 60 + cards;
        if (!child.waitForFinished(limitS * 1000)) {
            child.kill();
            child.waitForFinished();
            std::printf("%s device: froze, killed after %d s\n", qPrintable(each), limitS);
        }
    }
    return 0;
}
