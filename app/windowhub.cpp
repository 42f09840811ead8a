// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/windowhub.h"

#include "app/startmenu.h"
#include "editor/editorwindow.h"
#include "help/aboutbox.h"
#include "help/helpwindow.h"
#include "match/matchwindow.h"
#include "reading/readingwindow.h"
#include "record/recordreader.h"
#include "record/statisticswindow.h"
#include "record/trainingrecord.h"
#include "settings/settingswindow.h"
#include "sound/sinksounddevice.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

WindowHub::WindowHub(CardState &data, QObject *parent)
    : QObject(parent),
      soundFactory([](QObject *owner) -> SoundDevice * { return new SinkSoundDevice(owner); }),
      recordPath(TrainingRecord::defaultPath()),
      m_data(data)
{
}

WindowHub::~WindowHub()
{
    destroyAll();
    delete m_startMenu.data();
}

template <class Window, class... Args>
Window *WindowHub::ensure(QPointer<Window> &slot, Args &&...args)
{
    if (!slot) {
        slot = new Window(std::forward<Args>(args)...);
        // The close box destroys the window; the next opening makes a new one.
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    return slot;
}

StartMenu *WindowHub::startMenu()
{
    if (!m_startMenu) {
        StartMenu *menu = ensure(m_startMenu, m_data);
        connect(menu, &StartMenu::matchChosen, this, &WindowHub::showMatch);
        connect(menu, &StartMenu::readingChosen, this, &WindowHub::showReading);
        connect(menu, &StartMenu::editorChosen, this, &WindowHub::showEditor);
        connect(menu, &StartMenu::guideChosen, this, &WindowHub::showHelp);
        connect(menu, &StartMenu::versionChosen, this, &WindowHub::showAbout);
        connect(menu, &StartMenu::statisticsChosen, this, &WindowHub::showStatistics);
        connect(menu, &StartMenu::quitChosen, this, &WindowHub::endProgram);
    }
    return m_startMenu;
}

HelpWindow *WindowHub::helpWindow() const
{
    return m_helpWindow;
}

AboutBox *WindowHub::aboutBox() const
{
    return m_aboutBox;
}

EditorWindow *WindowHub::editorWindow() const
{
    return m_editorWindow;
}

MatchWindow *WindowHub::matchWindow() const
{
    return m_matchWindow;
}

ReadingWindow *WindowHub::readingWindow() const
{
    return m_readingWindow;
}

SettingsWindow *WindowHub::settingsWindow() const
{
    return m_settingsWindow;
}

StatisticsWindow *WindowHub::statisticsWindow() const
{
    return m_statisticsWindow;
}

void WindowHub::showStatistics()
{
    const bool made = !m_statisticsWindow;
    const bool shown = !made && m_statisticsWindow->isVisible();
    StatisticsWindow *window = m_statisticsWindow
        ? m_statisticsWindow.data()
        : ensure(m_statisticsWindow, m_data, trainingRecord());
    if (made)
        connect(window, &StatisticsWindow::drillChosen, this, &WindowHub::startDrill);
    // Chosen again while open: the set may have changed since.
    if (shown)
        window->showCurrentSet();
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::startDrill(const QList<int> &cards)
{
    showMatch();
    m_matchWindow->startDrill(cards);
}

void WindowHub::showHelp()
{
    HelpWindow *window = ensure(m_helpWindow, m_data);
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::showAbout()
{
    AboutBox *window = ensure(m_aboutBox);
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::showEditor()
{
    const bool made = !m_editorWindow;
    EditorWindow *window = ensure(m_editorWindow, m_data, this);
    if (made)
        connect(window, &EditorWindow::cardSetSaved, this, &WindowHub::cardSetChanged);
    // Unsaved edits give way to the card state in memory.
    window->showCardState();
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::cardSetChanged()
{
    if (m_statisticsWindow)
        m_statisticsWindow->showCurrentSet();
}

void WindowHub::showMatch()
{
    const bool made = !m_matchWindow;
    MatchWindow *window = m_matchWindow ? m_matchWindow.data()
                                        : ensure(m_matchWindow, m_data, *this, soundFactory(nullptr));
    if (made) {
        // Until its first match the window shows the level it would play at.
        if (m_settingsWindow)
            window->showLevel(m_settingsWindow->levelDisplayText());
        connectLevel();
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void WindowHub::showReading()
{
    ReadingWindow *window = m_readingWindow ? m_readingWindow.data() : ensure(m_readingWindow, m_data, soundFactory(nullptr));
    window->show();
    window->raise();
    window->activateWindow();
}

QString WindowHub::cardSetInUse(const QString &folder) const
{
    auto same = [](const QString &a, const QString &b) {
        return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
    };
    // A match has its pictures on the table from its start; what it still
    // reads from the folder are its readings.
    if (m_matchWindow) {
        const MatchState &match = m_matchWindow->match();
        if (match.begun() && !match.finished() && match.voiceOn() && same(match.cards().folder, folder))
            return QStringLiteral("この札の組で、かるた取りの試合が続いています。試合は始めたときの音声で終わりまで進むため、"
                                  "写真と音声は試合が終わってから保存してください（かるた取りの画面を閉じても終わります）。"
                                  "変更はそのまま残っています。");
    }
    if (m_readingWindow) {
        const AutoReading::State state = m_readingWindow->reading().state();
        if ((state == AutoReading::State::Waiting || state == AutoReading::State::Playing)
            && same(m_data.cardFolder(), folder))
            return QStringLiteral("この札の組で、自動よみあげが続いています。よみあげは始めたときの写真と音声で終わりまで進むため、"
                                  "写真と音声はよみあげが終わってから保存してください（「おわり」で終わります）。"
                                  "変更はそのまま残っています。");
    }
    return {};
}

TrainingRecord &WindowHub::trainingRecord()
{
    if (!m_record)
        m_record = std::make_unique<TrainingRecord>(recordPath);
    return *m_record;
}

RecordReader &WindowHub::recordReader()
{
    if (!m_recordReader)
        m_recordReader = std::make_unique<RecordReader>(recordPath);
    return *m_recordReader;
}

bool WindowHub::firstTimeThisRun(const QString &notice)
{
    if (m_noticesGiven.contains(notice))
        return false;
    m_noticesGiven.insert(notice);
    return true;
}

SettingsWindow *WindowHub::settings()
{
    const bool made = !m_settingsWindow;
    SettingsWindow *window = ensure(m_settingsWindow);
    if (made)
        connectLevel();
    return window;
}

void WindowHub::connectLevel()
{
    if (m_settingsWindow && m_matchWindow)
        connect(m_settingsWindow, &SettingsWindow::levelChosen, m_matchWindow, &MatchWindow::showLevel,
                Qt::UniqueConnection);
}

void WindowHub::showSettings()
{
    SettingsWindow *window = settings();
    window->show();
    window->raise();
    window->activateWindow();
}

MatchSettings &WindowHub::matchSettings()
{
    return *settings();
}

void WindowHub::endProgram()
{
    destroyAll();
    QCoreApplication::quit();
}

void WindowHub::destroyAll()
{
    // Deleting, not closing: the windows' close handlers do not run. The
    // menu may be in the middle of its own handler, so it goes last and later.
    QList<QPointer<QWidget>> others{m_helpWindow.data(), m_aboutBox.data(), m_editorWindow.data(), m_matchWindow.data(), m_readingWindow.data(), m_settingsWindow.data(), m_statisticsWindow.data()};
    for (const QPointer<QWidget> &window : others)
        delete window.data();
    if (m_startMenu) {
        m_startMenu->hide();
        m_startMenu->deleteLater();
    }
}
