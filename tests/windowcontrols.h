// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// How the suites, tools and benchmarks reach a window's controls, which the
// windows keep private: controls(window) gives one small accessor per
// window, each control by its role. Controls a window keeps a member for
// come from the member (the accessor is the window's friend); the others
// are found by their object names, the names of the design.

#include "app/startmenu.h"
#include "editor/editorwindow.h"
#include "editor/entrypicture.h"
#include "help/aboutbox.h"
#include "help/helpwindow.h"
#include "editor/folderlists.h"
#include "match/matchwindow.h"
#include "reading/readingwindow.h"
#include "record/statisticswindow.h"
#include "settings/settingswindow.h"
#include "ui/uikit.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QTableView>
#include <QtCharts/QChartView>
#include <QRadioButton>
#include <QTextBrowser>
#include <QTimer>

#include <array>
#include <memory>
#include <type_traits>

namespace testing {
// The child of window with the given object name; a fatal error when there
// is none, so that a renamed control fails the suite at once.
template <class T>
T *child(const QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(window->objectName()), T::staticMetaObject.className(), name);
    return found;
}
} // namespace testing

struct MatchWindowControls {
    const MatchWindow *w;
    const std::array<ui::PictureBox *, Board::Boxes> &cardBoxes() const { return w->m_cardBoxes; }
    // よみあげ文字, レベル, ｺﾝﾋﾟｭｰﾀの手.
    std::array<QLabel *, 3> captions() const { return {w->m_readingCaption, w->m_levelCaption, w->m_handCaption}; }
    QLabel *readingDisplay() const { return w->m_readingDisplay; }
    QLabel *levelDisplay() const { return w->m_levelDisplay; }
    ui::PictureBox *handAtRest() const { return w->m_handAtRest; }
    ui::PictureBox *handTaking() const { return w->m_handTaking; }
    QGroupBox *playerScoreFrame() const { return w->m_playerScoreFrame; }
    QGroupBox *computerScoreFrame() const { return w->m_computerScoreFrame; }
    // The player's, then the computer's.
    std::array<QLabel *, 2> scores() const { return {w->m_playerScore, w->m_computerScore}; }
    QLabel *playerScore() const { return w->m_playerScore; }
    QLabel *computerScore() const { return w->m_computerScore; }
    // "点" in the player's frame, then in the computer's.
    std::array<QLabel *, 2> scoreUnits() const
    {
        return {testing::child<QLabel>(w, "Label4_0"), testing::child<QLabel>(w, "Label4_1")};
    }
    QTimer *reactionTimer() const { return w->m_reactionTimer; }
    QTimer *scanTimer() const { return w->m_scanTimer; }
    // The red frame over a card clicked by mistake, and the timer that takes it away.
    QWidget *wrongCardFrame() const { return w->m_wrongCardFrame; }
    QTimer *wrongCardTimer() const { return w->m_wrongCardTimer; }
    SoundDevice *sound() const { return w->m_sound; }
    QAction *startMatchAction() const { return w->m_startMatchAction; }
    QAction *settingsAction() const { return w->m_settingsAction; }
    QAction *leaveAction() const { return w->m_leaveAction; }
};

struct ReadingWindowControls {
    const ReadingWindow *w;
    QComboBox *timesChooser() const { return w->m_timesChooser; }
    QComboBox *orderChooser() const { return w->m_orderChooser; }
    QComboBox *pauseChooser() const { return w->m_pauseChooser; }
    // よみあげ回数, 回, よみあげ番号, よみあげ方法, よみあげ文字.
    std::array<QLabel *, 5> captions() const
    {
        return {testing::child<QLabel>(w, "Label2_0"), testing::child<QLabel>(w, "Label2_1"),
                testing::child<QLabel>(w, "Label2_2"), testing::child<QLabel>(w, "Label2_3"),
                testing::child<QLabel>(w, "Label2_4")};
    }
    QLabel *numberDisplay() const { return w->m_numberDisplay; }
    QLabel *labelDisplay() const { return w->m_labelDisplay; }
    QPushButton *startButton() const { return w->m_startButton; }
    ui::PictureBox *cardPicture() const { return w->m_cardPicture; }
    QTimer *aiuOrderTimer() const { return w->m_aiuOrderTimer; }
    QTimer *randomOrderTimer() const { return w->m_randomOrderTimer; }
    SoundDevice *sound() const { return w->m_sound; }
    QAction *leaveAction() const { return testing::child<QAction>(w, "mnuEnd"); }
};

struct SettingsWindowControls {
    const SettingsWindow *w;
    // Level i + 1 at i, weakest first.
    const std::array<QRadioButton *, Strength::Levels> &levelButtons() const { return w->m_levelButtons; }
    // しない, then する.
    std::array<QRadioButton *, 2> voiceButtons() const
    {
        return {w->m_voiceOffButton, testing::child<QRadioButton>(w, "Option2_1")};
    }
    // レベルどおり, 人のような相手, あなたに合わせる, 相手なし（練習）.
    const auto &opponentButtons() const { return w->m_opponentButtons; }
    QComboBox *stepChooser() const { return w->m_stepChooser; }
    QAction *backAction() const { return testing::child<QAction>(w, "mnuEnd"); }
};

struct EditorWindowControls {
    const EditorWindow *w;
    // 現在のかるたフォルダ, かるたの枚数, 枚.
    std::array<QLabel *, 3> captions() const
    {
        return {testing::child<QLabel>(w, "Label2_0"), testing::child<QLabel>(w, "Label2_1"),
                testing::child<QLabel>(w, "Label2_2")};
    }
    QLabel *folderLabel() const { return w->m_folderLabel; }
    QLineEdit *countBox() const { return w->m_countBox; }
    const std::array<QLineEdit *, CardState::MaxCards> &labelBoxes() const { return w->m_labelBoxes; }
    const std::array<QLabel *, CardState::MaxCards> &numberLabels() const { return w->m_numberLabels; }
    const std::array<EntryPicture *, CardState::MaxCards> &pictureBoxes() const { return w->m_pictureBoxes; }
    DriveList *driveList() const { return w->m_driveList; }
    DirList *folderList() const { return w->m_folderList; }
    FileList *fileList() const { return w->m_fileList; }
    QAction *saveAction() const { return testing::child<QAction>(w, "mnuWrite"); }
    QAction *folderAction() const { return w->m_folderAction; }
    QAction *backAction() const { return testing::child<QAction>(w, "mnuEnd"); }
};

struct StartMenuControls {
    const StartMenu *w;
    ui::PictureBox *titlePicture() const { return w->m_titlePicture; }
    QPushButton *matchButton() const { return w->m_matchButton; }
    QPushButton *readingButton() const { return w->m_readingButton; }
    QPushButton *editorButton() const { return w->m_editorButton; }
    QAction *guideAction() const { return w->m_guideAction; }
    QAction *versionAction() const { return w->m_versionAction; }
    QAction *statisticsAction() const { return w->m_statisticsAction; }
    QAction *quitAction() const { return w->m_quitAction; }
};

struct StatisticsWindowControls {
    const StatisticsWindow *w;
    QComboBox *periodChooser() const { return w->m_periodChooser; }
    QSpinBox *drillSize() const { return w->m_drillSize; }
    QPushButton *drillButton() const { return w->m_drillButton; }
    QLabel *summary() const { return w->m_summary; }
    QTableView *cardTable() const { return w->m_cardTable; }
    // The card table as shown (sorted); its source holds the rows in card order.
    QAbstractItemModel *cardModel() const { return w->m_cardSorter; }
    QAbstractItemModel *historyModel() const { return w->m_historyModel; }
    QTableView *confusionTable() const { return w->m_confusionTable; }
    QSpinBox *pairCount() const { return w->m_pairCount; }
    QPushButton *confusionDrillButton() const { return w->m_confusionDrillButton; }
    QChartView *cardChart() const { return w->m_cardChart; }
    QChartView *matchChart() const { return w->m_matchChart; }
    QAction *exportTakesAction() const { return w->m_exportTakesAction; }
    QAction *exportMatchesAction() const { return w->m_exportMatchesAction; }
    QAction *resetAction() const { return w->m_resetAction; }
    QAction *backAction() const { return w->m_backAction; }
};

struct HelpWindowControls {
    const HelpWindow *w;
    QTextBrowser *browser() const { return w->m_browser; }
    QAction *backAction() const { return w->m_backAction; }
};

struct AboutBoxControls {
    const AboutBox *w;
    ui::PictureBox *icon() const { return w->m_icon; }
    QLabel *title() const { return w->m_title; }
    QLabel *version() const { return w->m_version; }
    QLabel *description() const { return w->m_description; }
    QLabel *disclaimer() const { return w->m_disclaimer; }
    QPushButton *okButton() const { return w->m_okButton; }
};

inline StartMenuControls controls(const StartMenu *w) { return {w}; }
inline HelpWindowControls controls(const HelpWindow *w) { return {w}; }
inline AboutBoxControls controls(const AboutBox *w) { return {w}; }
inline MatchWindowControls controls(const MatchWindow *w) { return {w}; }
inline ReadingWindowControls controls(const ReadingWindow *w) { return {w}; }
inline SettingsWindowControls controls(const SettingsWindow *w) { return {w}; }
inline EditorWindowControls controls(const EditorWindow *w) { return {w}; }
inline StatisticsWindowControls controls(const StatisticsWindow *w) { return {w}; }
template <class Window>
    requires std::is_base_of_v<QWidget, Window>
auto controls(const Window &w)
{
    return controls(&w);
}
template <class Window>
auto controls(const std::unique_ptr<Window> &w) { return controls(w.get()); }
