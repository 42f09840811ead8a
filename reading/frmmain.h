// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The automatic reading window: reads every card of the set aloud, one
// after another, with its picture, label and number, once or twice each,
// in random or あいう order.

#include "reading/autoreading.h"

#include <QMainWindow>
#include <QPointer>

#include <array>

class QAction;
class QComboBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QTimer;
class QWindow;
class SoundDevice;
namespace ui { class PictureBox; }

class FrmMain : public QMainWindow
{
    Q_OBJECT

public:
    // The window takes ownership of its sound device.
    FrmMain(Module1 &data, SoundDevice *device);

    QComboBox *Combo1;                // よみあげ回数
    QComboBox *Combo2;                // よみあげ方法
    std::array<QLabel *, 5> Label2{}; // captions
    std::array<QLabel *, 2> Label1{}; // 0: card number, 1: card label
    QPushButton *Command1;            // 実　行
    ui::PictureBox *Image1;           // the card's picture
    QTimer *Timer1;                   // drives あいう order
    QTimer *Timer2;                   // drives random order
    SoundDevice *MMControl1;
    QAction *mnuEnd;                  // おわり

    const AutoReading &reading() const { return m_reading; }

    void Form_Activate();
    void Command1_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void MMControl1_Done(int notifyCode);
    void mnuEnd_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Load();
    void EndIni();
    void reportSoundProblem();
    // Has the recording of the run's next reading decoded before its tick.
    void readAhead();
    void readingTick(QTimer *timer);
    void continueReading();
    void focusMoved(QWindow *window);
    // The window itself, or a popup or message box of one of its widgets.
    bool belongsHere(QWindow *window) const;
    QTimer *timerFor(AutoReading::Timer timer) const;

    Module1 &m_data;
    AutoReading m_reading;
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
