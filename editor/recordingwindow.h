// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// 「録音」: records one card's reading from the default audio input.
//
//   録音  starts a take (a new one replaces the last), at most MaxSeconds
//   停止  ends it
//   聞く  plays the take as it was recorded, through the given device
//   保存  makes it ready to keep (editor/readingprep, on a worker thread),
//         sends readingReady(card, wav) and closes the window
//   やめる closes the window and forgets the take (so do Esc and the close
//         box)
//
// A level meter shows the input as it comes, and the status line what is
// going on, a take that was refused with its reason, or that there is no
// input device, in which case nothing can be started until one appears.
// The window writes no file of the card set; the receiver of readingReady
// keeps the bytes until the set is saved.
//
// Non-modal, one per card being recorded, deleted when closed: keep it in a
// QPointer. The sound device is not owned; it should be one that nothing
// else plays on while the window is open.

#include <QFutureWatcher>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>

#include "editor/readingprep.h"

#include <vector>

class QAudioSource;
class QIODevice;
class QLabel;
class QMediaDevices;
class QProgressBar;
class QPushButton;
class SoundDevice;

class RecordingWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxSeconds = 30;

    // card: 1 to 49; label: the card's label, shown beside its number.
    RecordingWindow(int card, const QString &label, SoundDevice *player, QWidget *parent = nullptr);
    ~RecordingWindow() override;

    int card() const { return m_card; }

Q_SIGNALS:
    // The reading of card, as a whole 16-bit PCM mono 48 kHz WAV file.
    void readingReady(int card, const QByteArray &wav);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class State { NoInput, Idle, Recording, Processing };

    void startRecording();
    void stopRecording();
    void listen();
    void save();
    void saved();
    void takeInput();
    void findInput();
    void setState(State state);
    void showTime();
    void stopListening();

    int m_card;
    QPointer<SoundDevice> m_player;
    State m_state = State::Idle;

    QLabel *m_cardCaption = nullptr;
    QProgressBar *m_levelMeter = nullptr;
    QLabel *m_timeDisplay = nullptr;
    QLabel *m_statusDisplay = nullptr;
    QPushButton *m_recordButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QPushButton *m_listenButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_cancelButton = nullptr;

    QMediaDevices *m_devices = nullptr;
    QAudioSource *m_source = nullptr;
    QIODevice *m_input = nullptr;
    std::vector<float> m_take;
    int m_rate = 0;
    bool m_listening = false;
    QTemporaryDir m_scratch;
    QFutureWatcher<readingprep::Reading> m_processing;
};
