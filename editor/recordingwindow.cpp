// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/recordingwindow.h"

#include "sound/sounddevice.h"
#include "sound/streamplayer.h"
#include "ui/uikit.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QtConcurrent>
#include <QtEndian>

#include <cmath>

namespace {

// The editor's colours: its background, and its number labels.
const QColor Background(128, 128, 255);
const QColor CaptionBackground(255, 192, 192);

// The meter shows the last piece of input from -60 dBFS to full scale.
constexpr int MeterRangeDb = 60;

// One channel of float samples from the input's own format.
void appendMono(const QByteArray &bytes, const QAudioFormat &format, std::vector<float> &out, size_t cap)
{
    const int channels = std::max(1, format.channelCount());
    const int frameBytes = format.bytesPerFrame();
    if (frameBytes <= 0)
        return;
    const char *data = bytes.constData();
    const qsizetype frames = bytes.size() / frameBytes;
    for (qsizetype f = 0; f < frames && out.size() < cap; ++f) {
        float sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += format.normalizedSampleValue(data + f * frameBytes + c * format.bytesPerSample());
        out.push_back(sum / float(channels));
    }
}

} // namespace

RecordingWindow::RecordingWindow(int card, const QString &label, SoundDevice *player, QWidget *parent)
    : QWidget(parent, Qt::Window), m_card(card), m_player(player)
{
    setObjectName(QStringLiteral("frmRokuon"));
    setWindowTitle(QStringLiteral("録音"));
    setAttribute(Qt::WA_DeleteOnClose);
    ui::setBackground(this, Background);
    setFont(ui::font(ui::PGothic, 10, false));

    m_cardCaption = new QLabel(QStringLiteral("%1 番「%2」の読み").arg(card).arg(label.trimmed()), this);
    m_cardCaption->setObjectName(QStringLiteral("cardCaption"));
    m_cardCaption->setTextFormat(Qt::PlainText);
    m_cardCaption->setFont(ui::font(ui::PGothic, 12, true));
    m_cardCaption->setAutoFillBackground(true);
    ui::setBackground(m_cardCaption, CaptionBackground);
    m_cardCaption->setMargin(4);

    auto *meterCaption = new QLabel(QStringLiteral("入力レベル(&L)"), this);
    meterCaption->setObjectName(QStringLiteral("levelCaption"));
    m_levelMeter = new QProgressBar(this);
    m_levelMeter->setObjectName(QStringLiteral("levelMeter"));
    m_levelMeter->setRange(0, MeterRangeDb);
    m_levelMeter->setValue(0);
    m_levelMeter->setTextVisible(false);
    m_levelMeter->setAccessibleName(QStringLiteral("入力レベル"));
    meterCaption->setBuddy(m_levelMeter);

    m_timeDisplay = new QLabel(this);
    m_timeDisplay->setObjectName(QStringLiteral("timeDisplay"));
    m_statusDisplay = new QLabel(this);
    m_statusDisplay->setObjectName(QStringLiteral("statusDisplay"));
    m_statusDisplay->setTextFormat(Qt::PlainText);
    m_statusDisplay->setWordWrap(true);
    m_statusDisplay->setMinimumHeight(3 * fontMetrics().height());
    m_statusDisplay->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto button = [this](const char *name, const QString &text, auto slot) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(ui::font(ui::PGothic, 10, true));
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    m_recordButton = button("recordButton", QStringLiteral("録音"), &RecordingWindow::startRecording);
    m_stopButton = button("stopButton", QStringLiteral("停止"), &RecordingWindow::stopRecording);
    m_listenButton = button("listenButton", QStringLiteral("聞く"), &RecordingWindow::listen);
    m_saveButton = button("saveButton", QStringLiteral("保存"), &RecordingWindow::save);
    m_cancelButton = button("cancelButton", QStringLiteral("やめる"), &QWidget::close);
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_recordButton, m_stopButton, m_listenButton, m_saveButton, m_cancelButton})
        buttons->addWidget(b);
    auto *grid = new QGridLayout(this);
    grid->addWidget(m_cardCaption, 0, 0, 1, 2);
    grid->addWidget(meterCaption, 1, 0);
    grid->addWidget(m_levelMeter, 1, 1);
    grid->addWidget(m_timeDisplay, 2, 1);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->addWidget(m_statusDisplay, 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    if (m_player)
        connect(m_player, &SoundDevice::done, this, [this] { m_listening = false; });
    connect(&m_processing, &QFutureWatcher<readingprep::Reading>::finished, this, &RecordingWindow::saved);
    // Qt Multimedia talks to the sound server from the thread that first
    // asks it for a device, and that must be the audio thread, not this one.
    StreamPlayer::audioThread();
    m_devices = new QMediaDevices(this);
    connect(m_devices, &QMediaDevices::audioInputsChanged, this, &RecordingWindow::findInput);
    findInput();
    showTime();
    setMinimumWidth(sizeHint().width() + 40);
}

RecordingWindow::~RecordingWindow()
{
    // The task still running keeps a copy of its take and finishes
    // unheard; nothing waits for it.
    m_processing.disconnect(this);
    stopListening();
}

void RecordingWindow::findInput()
{
    if (m_state != State::Idle && m_state != State::NoInput)
        return;
    if (QMediaDevices::defaultAudioInput().isNull()) {
        setState(State::NoInput);
        m_statusDisplay->setText(QStringLiteral("録音に使える入力装置（マイク）が見つかりません。"
                                                "マイクをつなぐと録音できるようになります。"));
        return;
    }
    setState(State::Idle);
    m_statusDisplay->setText(m_take.empty() ? QStringLiteral("「録音」を押してから、札を読んでください。") : QString());
}

void RecordingWindow::setState(State state)
{
    m_state = state;
    const bool hasTake = !m_take.empty();
    m_recordButton->setEnabled(state == State::Idle);
    m_stopButton->setEnabled(state == State::Recording);
    m_listenButton->setEnabled((state == State::Idle || state == State::NoInput) && hasTake && m_player);
    m_saveButton->setEnabled((state == State::Idle || state == State::NoInput) && hasTake);
    if (state != State::Recording)
        m_levelMeter->setValue(0);
}

void RecordingWindow::showTime()
{
    const double seconds = m_rate > 0 ? double(m_take.size()) / m_rate : 0.0;
    m_timeDisplay->setText(QStringLiteral("%1 秒（最長 %2 秒）").arg(seconds, 0, 'f', 1).arg(MaxSeconds));
}

void RecordingWindow::startRecording()
{
    if (m_state != State::Idle)
        return;
    stopListening();
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    QAudioFormat format;
    format.setSampleRate(readingprep::Rate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    m_source = new QAudioSource(device, format, this);
    m_input = m_source->start();
    if (!m_input) {
        delete m_source;
        m_source = nullptr;
        m_statusDisplay->setText(QStringLiteral("入力装置「%1」を開けませんでした。").arg(device.description()));
        return;
    }
    connect(m_input, &QIODevice::readyRead, this, &RecordingWindow::takeInput);
    connect(m_source, &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_source && m_source->error() != QAudio::NoError && m_state == State::Recording) {
            stopRecording();
            m_statusDisplay->setText(QStringLiteral("入力装置が止まったため、録音をそこで終えました。"));
        }
    });
    m_take.clear();
    m_rate = format.sampleRate();
    setState(State::Recording);
    showTime();
    m_statusDisplay->setText(QStringLiteral("録音しています。読み終えたら「停止」を押してください。"));
}

void RecordingWindow::takeInput()
{
    if (!m_source || !m_input)
        return;
    const QByteArray bytes = m_input->readAll();
    const size_t cap = size_t(MaxSeconds) * size_t(m_rate);
    const size_t from = m_take.size();
    appendMono(bytes, m_source->format(), m_take, cap);
    float peak = 0;
    for (size_t i = from; i < m_take.size(); ++i)
        peak = std::max(peak, std::abs(m_take[i]));
    // The meter jumps up to a peak and falls back at 20 dB a second, so that
    // a syllable can be read off it.
    const double db = peak > 0 ? 20 * std::log10(peak) : -MeterRangeDb;
    const double fallen = m_levelMeter->value() - 20.0 * double(m_take.size() - from) / m_rate;
    m_levelMeter->setValue(std::clamp(int(std::lround(std::max(db + MeterRangeDb, fallen))), 0, MeterRangeDb));
    showTime();
    if (m_take.size() >= cap) {
        stopRecording();
        m_statusDisplay->setText(QStringLiteral("%1 秒になったので録音を止めました。").arg(MaxSeconds));
    }
}

void RecordingWindow::stopRecording()
{
    if (m_state != State::Recording)
        return;
    takeInput();
    if (m_source) {
        m_source->disconnect(this);
        m_source->stop();
        m_source->deleteLater();
    }
    m_source = nullptr;
    m_input = nullptr;
    setState(State::Idle);
    findInput();
    showTime();
    if (m_state == State::Idle)
        m_statusDisplay->setText(QStringLiteral("「聞く」で確かめて、よければ「保存」を押してください。"));
}

void RecordingWindow::listen()
{
    if (m_take.empty() || !m_player || !m_scratch.isValid())
        return;
    const QString path = m_scratch.filePath(QStringLiteral("take.wav"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(readingprep::monoWav(m_take, m_rate)) < 0) {
        m_statusDisplay->setText(QStringLiteral("聞くための一時ファイルを書けませんでした（%1）。").arg(file.errorString()));
        return;
    }
    file.close();
    m_listening = true;
    m_player->play(path);
}

void RecordingWindow::stopListening()
{
    if (m_listening && m_player)
        m_player->stopAndClose();
    m_listening = false;
}

void RecordingWindow::save()
{
    if (m_take.empty() || (m_state != State::Idle && m_state != State::NoInput))
        return;
    stopListening();
    setState(State::Processing);
    m_statusDisplay->setText(QStringLiteral("読みを整えています…"));
    m_processing.setFuture(QtConcurrent::run([take = m_take, rate = m_rate] { return readingprep::prepare(take, rate); }));
}

void RecordingWindow::saved()
{
    if (m_state != State::Processing)
        return;
    const readingprep::Reading reading = m_processing.result();
    if (!reading.ok()) {
        setState(State::Idle);
        findInput();
        m_statusDisplay->setText(reading.reason);
        return;
    }
    Q_EMIT readingReady(m_card, reading.wav);
    close();
}

void RecordingWindow::closeEvent(QCloseEvent *event)
{
    if (m_source) {
        m_source->disconnect(this);
        m_source->stop();
    }
    stopListening();
    m_processing.disconnect(this);
    m_state = State::Processing; // nothing more starts or arrives
    QWidget::closeEvent(event);
}
