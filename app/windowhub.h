// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Keeps every window of the program: each exists at most once, is created
// on its first opening, shown again as it was left after being hidden, and
// created afresh after its close box destroyed it. No window is modal or
// owned by another.

#include "editor/editorhost.h"
#include "match/matchhost.h"

#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <memory>

class CardState;
class StartMenu;
class HelpWindow;
class AboutBox;
class EditorWindow;
class MatchWindow;
class ReadingWindow;
class SettingsWindow;
class StatisticsWindow;
class MatchSettings;
class SoundDevice;
class RecordReader;
class TrainingRecord;

class WindowHub : public QObject, public MatchHost, public EditorHost
{
    Q_OBJECT

public:
    explicit WindowHub(CardState &data, QObject *parent = nullptr);
    ~WindowHub() override;

    CardState &data() { return m_data; }

    // Makes the one sound device of a window, owned by that window. The
    // real device by default; tests put a recording one in its place.
    std::function<SoundDevice *(QObject *owner)> soundFactory;
    // The training record's file: TrainingRecord::defaultPath(), in the
    // user's data folder. Tests set a file of their own before first use.
    QString recordPath;

    // The start menu, created (which loads the card data) on first use.
    StartMenu *startMenu();
    // The windows that exist now, or null.
    HelpWindow *helpWindow() const;
    AboutBox *aboutBox() const;
    EditorWindow *editorWindow() const;
    MatchWindow *matchWindow() const;
    ReadingWindow *readingWindow() const;
    SettingsWindow *settingsWindow() const;
    StatisticsWindow *statisticsWindow() const;

    void showHelp();
    void showAbout();
    // The card-set editor, filled from the card state each time.
    void showEditor();
    void showMatch();
    // The automatic reading window.
    void showReading();
    void showSettings() override;
    // 成績: the training record of the current card set.
    void showStatistics();
    // 苦手札で試合: a match of those cards in the match window.
    void startDrill(const QList<int> &cards);

    // The settings a match starts from. With no settings window one is
    // created, hidden and with its defaults, and stays.
    MatchSettings &matchSettings() override;
    TrainingRecord &trainingRecord() override;
    RecordReader &recordReader() override;
    bool firstTimeThisRun(const QString &notice) override;

    // The editor's: a device from soundFactory, and whether the match
    // window's match (reading aloud) or the reading window's run, either
    // still going on, reads from a folder.
    SoundDevice *makeSoundDevice(QObject *owner) override { return soundFactory(owner); }
    QString cardSetInUse(const QString &folder) const override;

    // Ends the program at once: every window goes without its closing
    // handler running, nothing is asked and nothing is saved.
    void endProgram();

private:
    template <class Window, class... Args>
    Window *ensure(QPointer<Window> &slot, Args &&...args);
    // The settings window and the match window are made and destroyed
    // apart; whenever both exist, もどる in the one shows the chosen level
    // in the other.
    void connectLevel();
    SettingsWindow *settings();
    // The editor saved a card set: the windows that show the set follow it.
    void cardSetChanged();
    void destroyAll();

    CardState &m_data;
    std::unique_ptr<TrainingRecord> m_record;
    std::unique_ptr<RecordReader> m_recordReader;
    QSet<QString> m_noticesGiven;
    QPointer<StartMenu> m_startMenu;
    QPointer<HelpWindow> m_helpWindow;
    QPointer<AboutBox> m_aboutBox;
    QPointer<EditorWindow> m_editorWindow;
    QPointer<MatchWindow> m_matchWindow;
    QPointer<ReadingWindow> m_readingWindow;
    QPointer<SettingsWindow> m_settingsWindow;
    QPointer<StatisticsWindow> m_statisticsWindow;
};
