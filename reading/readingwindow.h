// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The automatic reading window: reads every card of the set aloud, one
// after another, with its picture, label and number, once or twice each,
// in random or あいう order.

#include "reading/autoreading.h"

#include <QMainWindow>
#include <QPointer>

class QComboBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QTimer;
class QWindow;
class SoundDevice;
namespace ui { class PictureBox; }

class ReadingWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The window takes ownership of its sound device.
    ReadingWindow(CardState &data, SoundDevice *device);

    const AutoReading &reading() const { return m_reading; }

    // The window became active: any run is over, and a new random order is
    // drawn.
    void activate();
    // 実　行: a new run with the chosen times and order.
    void startRun();
    // The run's timer has run out, in あいう order or in random order: the
    // next reading.
    void aiuOrderTimeUp();
    void randomOrderTimeUp();
    // The sound device's completion notice for the reading that played.
    void readingEnded(int notifyCode);
    // おわり: the run ends and the window hides.
    void leave();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The suites reach the controls through this (tests/windowcontrols.h).
    friend struct ReadingWindowControls;

    void load();
    // The last reading has played: 終了しました.
    void endRun();
    void reportSoundProblem();
    // Has the recording of the run's next reading decoded before its tick.
    void readAhead();
    void readingTick(QTimer *timer);
    void continueReading();
    void focusMoved(QWindow *window);
    // The window itself, or a popup or message box of one of its widgets.
    bool belongsHere(QWindow *window) const;
    QTimer *timerFor(AutoReading::Timer timer) const;

    CardState &m_data;
    AutoReading m_reading;

    QComboBox *m_timesChooser;  // よみあげ回数
    QComboBox *m_orderChooser;  // よみあげ方法
    QLabel *m_labelDisplay;     // the label of the card being read
    QLabel *m_numberDisplay;    // its number
    QPushButton *m_startButton; // 実　行
    ui::PictureBox *m_cardPicture;
    QTimer *m_aiuOrderTimer;    // drives a run in あいう order
    QTimer *m_randomOrderTimer; // drives a run in random order
    SoundDevice *m_sound;

    // The tick's return to the event loop, so the boxes repaint before the
    // picture is decoded and the sound opened.
    QTimer *m_continuation;
    AutoReading::Reading m_pending; // what the continuation is to read
    quint64 m_playingRun = 0;       // the run whose reading is playing
    bool m_activated = false;       // activated since the window last lost focus
    QPointer<QWindow> m_lastFocus;
    QPointer<QMessageBox> m_soundProblem;
    QPointer<QMessageBox> m_noSoundOutput;
};
