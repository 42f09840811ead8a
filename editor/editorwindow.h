// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The card-set editor: the 49 cards of the set as label, number and
// picture, the card count and the card folder, with a folder chooser over
// the grid. Nothing is written until 保存.

#include "data/cardstate.h"
#include "editor/cardsetsave.h"

#include <QMainWindow>

#include <array>

class DirList;
class DriveList;
class FileList;
class QAction;
class QLabel;
class QLineEdit;
namespace ui { class PictureBox; }

class EditorWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit EditorWindow(CardState &data);

    // 1 while the folder chooser is open.
    qint16 folderMode() const { return m_folderMode; }

    // Fills the window from the card state in memory.
    void showCardState();
    // 保存: checks and saves the folder, the labels and the count.
    void save();
    // フォルダ変更 opens the folder chooser; フォルダ確定 closes it and reads
    // the chosen folder.
    void toggleFolderChooser();
    // 戻る: hides the window, edits and all.
    void goBack();
    // A drive chosen in the drive list: the folder list goes to its root.
    void driveChosen();
    // The folder list moved to another folder.
    void folderEntered();
    // A key in the folder list, by its character code; Esc (27) cancels.
    void folderListKeyPressed(int keyAscii);
    // Counts the chosen folder's pictures, or shows the set saved there.
    void readChosenFolder();
    void clearPictures();

    // What 保存 would save now.
    SaveRequest saveRequest() const;

Q_SIGNALS:
    // 保存 made what the window shows the program's card set.
    void cardSetSaved();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The suites reach the controls through this (tests/windowcontrols.h).
    friend struct EditorWindowControls;

    void load();
    void showChooser(bool shown);
    // Marks a label box whose text the file cannot hold as typed, and one
    // beyond the card count.
    void styleLabelBox(int k);
    // Fills the label boxes from a label table, with count cards in play.
    void showLabels(const CardState::LabelTable &labels, int count);
    void showFolder(const QString &folder);
    // Gives picture box k an accessible name from its card's label.
    void namePicture(int k);

    CardState &m_data;

    // Top line.
    QLabel *m_folderLabel;  // the folder of the set being edited
    QLineEdit *m_countBox;  // the card count
    // The grid: entry k shows card k + 1.
    std::array<QLineEdit *, CardState::MaxCards> m_labelBoxes;
    std::array<QLabel *, CardState::MaxCards> m_numberLabels;
    std::array<ui::PictureBox *, CardState::MaxCards> m_pictureBoxes;
    // The folder chooser, hidden until フォルダ変更.
    DriveList *m_driveList;
    DirList *m_folderList;
    FileList *m_fileList;
    QAction *m_folderAction; // フォルダ変更 / フォルダ確定

    qint16 m_folderMode = 0;
    // The folder whose set the grid shows; Esc in the chooser returns to it.
    QString m_shownFolder;
    bool m_placed = false;
    QPalette m_plainLabelBox;
};
