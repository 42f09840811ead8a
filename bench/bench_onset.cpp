// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the player hears: from the announcement of a card in a real match
// (level 5, reading aloud) to the first sample of its recording that reaches
// the null sink, every card of several short matches including each first
// one; and from stopAndClose() to the last sample of a cut reading there.
// Run under scripts/with-null-sink.sh:
//   scripts/with-null-sink.sh build/bench/bench_onset [cards]
//
// How it is measured:
// - Every card's recording is a 150 ms tone that is loud from its second
//   sample, so its first audible sample is its start.
// - The sound device of the match window is wrapped; its play() and
//   stopAndClose() take a monotonic timestamp before passing the call on.
// - The null sink's monitor is recorded in this process with libpulse
//   (tests/monitorrecorder.h). The sink takes a quantum at a time, and the
//   monitor hands each over as it is taken: a frame was played when its
//   chunk arrived, plus its place in the chunk (playedAtNs). The server's
//   own scheduling of that hand-over is counted in, so the figures are a
//   little longer than the truth, never shorter.
// - The match window is shown a second before each 試合開始, as a player
//   would open it; matches are of 10 cards. The player clicks the right card
//   400 ms after each announcement, when the reading has ended, so the
//   monitor is quiet before the next one.
// - The stop: a device of its own plays a 1 s tone, and 300 ms in,
//   stopAndClose() is called; from the call to the end of the last loud
//   sample at the sink. The time the call itself took (the user-interface
//   thread waiting for the audio thread) is reported beside it.

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

// The monitor's hand-over delay, by a loopback: a plain libpulse stream
// plays clicks, and right after writing each asks the server when its last
// sample will play; each value in ms.
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
            delays << double(recorder.playedAtNs(k) - plays) / 1e6;
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
    void stopAndClose() override
    {
        const qint64 at = testing::monotonicNs();
        m_real->stopAndClose();
        stopUs << double(testing::monotonicNs() - at) / 1e3;
    }
    void close() override { m_real->close(); }
    void preload(const QString &file) override { m_real->preload(file); }
    void openAhead() override { m_real->openAhead(); }
    void releaseOutput() override { m_real->releaseOutput(); }

    QList<qint64> calls;   // monotonic ns at each play()
    QList<double> callUs;  // how long each play() took
    QList<double> stopUs;  // how long each stopAndClose() took

private:
    SoundDevice *m_real;
};

struct Result {
    QList<double> later;   // onset of every card but the first of a match
    QList<double> first;   // onset of a match's first card
    QList<double> callUs;
    QList<double> stopUs;  // stopAndClose() in the match, after a reading's end
    int silent = 0;        // readings never heard
    QList<double> silence; // stopAndClose() to the end of the sound
    QList<double> stopWaitUs; // the same calls' own time
};

constexpr int CardsPerMatch = 10;

Result measure(const QString &program, testing::MonitorRecorder &recorder, int cards)
{
    CardState data(program);
    data.loadCardFolder();
    data.takeNotices();
    WindowHub hub(data);
    TimedDevice *timed = nullptr;
    hub.soundFactory = [&](QObject *owner) -> SoundDevice * {
        timed = new TimedDevice(new SinkSoundDevice, owner);
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
    Result r;
    int counted = 0;
    qint64 from = 0;
    while (counted < cards) {
        if (controls(w).startMatchAction()->isEnabled()) {
            // The player looks at the window (or the last result) a moment.
            runFor(1000);
            recorder.clear();
            from = recorder.frames();
            controls(w).startMatchAction()->trigger();
        }
        const int position = w->match().position();
        runFor(400);
        // The first loud frame since the click or the press that announced
        // the card (the one before it ended long before).
        const qint64 k = recorder.firstAbove(Threshold, from);
        if (k < 0)
            ++r.silent;
        else
            (position == 1 ? r.first : r.later) << double(recorder.playedAtNs(k) - timed->calls.last()) / 1e6;
        r.callUs << timed->callUs.last();
        ++counted;
        recorder.clear();
        from = recorder.frames();
        for (int s = 1; s <= w->match().cardCount(); ++s) {
            if (w->match().isRightTake(s)) {
                QTest::mouseClick(controls(w).cardBoxes()[s - 1], Qt::LeftButton);
                break;
            }
        }
    }
    r.stopUs = timed->stopUs;
    controls(w).leaveAction()->trigger();
    return r;
}

// stopAndClose() in the middle of a 1 s tone, rounds times.
void measureStop(const QString &file, testing::MonitorRecorder &recorder, int rounds, Result &r)
{
    SinkSoundDevice device;
    device.openAhead();
    device.preload(file);
    runFor(500);
    for (int n = 0; n < rounds; ++n) {
        recorder.clear();
        device.play(file);
        runFor(300);
        const qint64 at = testing::monotonicNs();
        device.stopAndClose();
        r.stopWaitUs << double(testing::monotonicNs() - at) / 1e3;
        runFor(300);
        const QList<float> heard = recorder.samples();
        qint64 last = -1;
        for (qsizetype i = 0; i < heard.size(); ++i)
            if (std::fabs(heard[i]) >= Threshold)
                last = recorder.firstFrame() + i;
        if (last >= 0)
            r.silence << double(recorder.playedAtNs(last + 1) - at) / 1e6;
        runFor(200);
    }
    device.releaseOutput();
}

// In a process of its own: a frozen child is killed and reported.
int measureOne(int cards)
{
    testing::ProgramFolder program;
    for (int n = 1; n <= 46; ++n)
        testing::writeWav(program.cardFolder() + QStringLiteral("/karuon%1.wav").arg(n, 2, 10, QLatin1Char('0')),
                          testing::WavFormat{22050, 16, 1}, 150, 440);
    {
        CardState setUp(program.path());
        setUp.loadCardFolder();
        DataRecord record;
        for (int k = 1; k <= CardsPerMatch; ++k)
            record.setLabel(k, setUp.label(k));
        record.setCount(CardsPerMatch);
        QString error;
        if (!CardState::writeRecord(setUp.cardDataPath(), record.bytes(), &error))
            qFatal("%s", qPrintable(error));
    }
    const QString longTone = program.file(QStringLiteral("long.wav"));
    testing::writeWav(longTone, testing::WavFormat{22050, 16, 1}, 1000, 440);

    testing::MonitorRecorder recorder;
    QString error;
    if (!recorder.start(&error))
        qFatal("%s", qPrintable(error));
    QTest::qWait(600);
    const QList<double> delays = loopback(recorder);
    Result r = measure(program.path(), recorder, cards);
    measureStop(longTone, recorder, 20, r);
    const double handOver = stats(delays).median;
    auto lessHandOver = [handOver](QList<double> v) {
        for (double &x : v)
            x -= handOver;
        return v;
    };
    std::printf("stream device (SinkSoundDevice), matches of %d cards, the window shown a second before each:\n", CardsPerMatch);
    print("monitor's hand-over delay (loopback)", delays);
    std::printf(" as recorded, hand-over included:\n");
    print("onset, every card but a match's first", r.later);
    print("onset, a match's first card", r.first);
    print("onset, every card", r.later + r.first);
    print("stopAndClose() mid-reading -> end of the sound at the sink", r.silence);
    std::printf(" less the hand-over's median:\n");
    print("onset, every card but a match's first", lessHandOver(r.later));
    print("onset, a match's first card", lessHandOver(r.first));
    print("onset, every card", lessHandOver(r.later + r.first));
    print("stopAndClose() mid-reading -> end of the sound at the sink", lessHandOver(r.silence));
    std::printf(" on the user-interface thread:\n");
    print("time spent in play(), microseconds", QList<double>(r.callUs));
    print("stopAndClose() after a reading's end, microseconds", r.stopUs);
    print("stopAndClose() mid-reading, the call itself, microseconds", r.stopWaitUs);
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
    int cards = 60;
    bool inChild = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--child")
            inChild = true;
        else
            cards = qMax(CardsPerMatch, args[i].toInt());
    }
    if (inChild)
        return measureOne(cards);

    std::printf("announcement -> first sample at the null sink (threshold %.3f), %d readings, level 5, reading aloud\n",
                double(Threshold), cards);
    std::fflush(stdout);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QString::number(cards)});
    const int limitS = 90 + 2 * cards;
    if (!child.waitForFinished(limitS * 1000)) {
        child.kill();
        child.waitForFinished();
        std::printf("froze, killed after %d s\n", limitS);
        return 1;
    }
    return child.exitCode();
}
