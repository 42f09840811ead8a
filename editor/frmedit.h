// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The card-set editor: the 49 cards of the set as label, number and
// picture, the card count and the card folder, with a folder chooser over
// the grid. Nothing is written until 保存.

#include "data/module1.h"
#include "editor/cardsetsave.h"

#include <QMainWindow>

#include <array>

class DirList;
class DriveList;
class FileList;
class Module1;
class QAction;
class QLabel;
class QLineEdit;
namespace ui { class PictureBox; }

class FrmEdit : public QMainWindow
{
    Q_OBJECT

public:
    explicit FrmEdit(Module1 &data);

    // Top line.
    std::array<QLabel *, 3> Label2; // "現在のかるたフォルダ", "かるたの枚数", "枚"
    QLabel *Label3;                 // the folder of the set being edited
    QLineEdit *Text2;               // the card count
    // The grid: entry k shows card k + 1.
    std::array<QLineEdit *, Module1::MaxCards> Text1;
    std::array<QLabel *, Module1::MaxCards> Label1;
    std::array<ui::PictureBox *, Module1::MaxCards> Img1;
    // The folder chooser, hidden until フォルダ変更.
    DriveList *Drive1;
    DirList *Dir1;
    FileList *File1;
    QAction *mnuWrite;  // 保存
    QAction *mnuForuda; // フォルダ変更 / フォルダ確定
    QAction *mnuEnd;    // 戻る

    // 1 while the folder chooser is open.
    qint16 folderMode() const { return FolderMode; }

    void DataHyoji();
    void mnuWrite_Click();
    void RecWrite();
    void mnuForuda_Click();
    void mnuEnd_Click();
    void Drive1_Change();
    void Dir1_Change();
    void Dir1_KeyPress(int keyAscii);
    void FolRead();
    void DataClear();

    // What 保存 would save now.
    SaveRequest saveRequest() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void showChooser(bool shown);
    // Marks a label box whose text the file cannot hold as typed, and one
    // beyond the card count.
    void styleLabelBox(int k);
    // Fills the label boxes from a label table, with count cards in play.
    void showLabels(const Module1::LabelTable &labels, int count);
    void showFolder(const QString &folder);
    void nameImage(int k);

    Module1 &m_data;
    qint16 FolderMode = 0;
    // The folder whose set the grid shows; Esc in the chooser returns to it.
    QString m_shownFolder;
    bool m_placed = false;
    QPalette m_plainText1;
};
