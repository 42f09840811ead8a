// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The card-set editor: the 49 cards of the set as label, number and
// picture, the card count and the card folder, with a folder chooser over
// the grid. Sets are made here too: new ones and copies (札の組), each
// card's picture from any picture file, its reading recorded, taken from a
// sound file, heard or removed, and a set written to or read from one
// .zip file. Nothing of the set is written until 保存: pictures and
// readings changed wait in PendingMedia, and every entry shows what its
// card will lack.

#include "data/cardstate.h"
#include "editor/cardphoto.h"
#include "editor/cardsetsave.h"
#include "editor/pendingmedia.h"

#include <QMainWindow>
#include <QPointer>
#include <QThreadPool>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

class DirList;
class DriveList;
class EditorHost;
class EntryPicture;
class FileList;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMessageBox;
class QProgressBar;
class QProgressDialog;
class QPushButton;
class RecordingWindow;
class QTemporaryFile;
class QTimer;
class SoundDevice;

class EditorWindow : public QMainWindow
{
    Q_OBJECT

public:
    // host gives 聞く its sound device and tells whether a set is in use;
    // without one there is nothing to listen with and no set is in use.
    explicit EditorWindow(CardState &data, EditorHost *host = nullptr);
    ~EditorWindow() override;

    // Where 新しい札の組, 複製 and 読み込む put sets: the card state's sets
    // folder, or cardsets::defaultRoot() when it has none, unless set (the
    // tests use folders of their own).
    void setSetsFolder(const QString &folder) { m_setsFolder = folder; }
    // The folder whose set the grid shows, where its pictures and readings
    // come from.
    const QString &shownFolder() const { return m_shownFolder; }

    // 1 while the folder chooser is open.
    qint16 folderMode() const { return m_folderMode; }

    // Fills the window from the card state in memory.
    void showCardState();
    // 保存: checks and saves the folder, the labels, the count and the
    // pictures and readings changed; true when saved.
    bool save();
    // フォルダ変更 opens the folder chooser; フォルダ確定 closes it and reads
    // the chosen folder (asking first about media changes not saved).
    void toggleFolderChooser();
    // 戻る: hides the window, label edits and all; media changes not saved
    // are asked about first.
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

    // Pictures and readings changed here, waiting for 保存. Cards are 1 to
    // 49. A recording or an audio file, once made into its finished WAV,
    // comes in through keepReading.
    const PendingMedia &pendingMedia() const { return m_pending; }
    void keepPicture(int card, const QByteArray &jpeg, const QImage &image);
    void keepReading(int card, const QByteArray &wav);
    // 写真を消す, 音声を消す.
    void removePicture(int card);
    void removeReading(int card);
    // Picture files for the entries from card on, one each, in file-name
    // order: a drop, or 写真を選ぶ…. Made into card pictures off the UI
    // thread; several at once are asked about before they replace pictures.
    void takePictureFiles(int card, const QStringList &files);
    // Whether picture files are still being made; picturesMade() follows
    // when the last is done or the work is cancelled.
    bool makingPictures() const { return m_picturesAsked > 0; }
    void cancelPictures();
    // 聞く: the reading waiting for 保存, or else the saved one.
    void listen(int card);
    // The entry's menu (写真を選ぶ… … 音声を消す) at a point of the screen.
    void showEntryMenu(int card, const QPoint &globalPos);
    // 新しい札の組… and この札の組を複製…: the name dialog.
    void askNewSet();
    // The grid shows the set in folder, as フォルダ確定 would (its pictures,
    // its own labels and count), once media changes are settled.
    void showSetIn(const QString &folder);
    void askDuplicate(std::function<void()> then = {});
    // 録音する…: the recording window for card, one at a time; what it
    // keeps comes in through keepReading. The window that is open already
    // is brought forward instead.
    void record(int card);
    RecordingWindow *recordingWindow() const;
    // 音声ファイルを選ぶ…: the sound file made into card's reading off the UI
    // thread (readingMade() follows), or refused with the reason.
    void takeReadingFile(int card, const QString &file);
    // 書き出す…: the shown set as one .zip file, chosen in a file dialog.
    // Changes not saved are asked about first: the archive holds what is
    // saved, so the user may save first (はい), write the set as saved
    // (いいえ) or stay (キャンセル).
    void askExport();
    void exportTo(const QString &zipPath);
    // 読み込む…: a .zip file chosen in a file dialog, then the name of the
    // set to make from it; the new set is then shown.
    void askImport();
    void importFrom(const QString &zipPath, const QString &name);
    // Whether an export or import is going on (archiveDone() follows).
    bool archiveBusy() const;
    // Runs change at once when the shown set's folder can be written; else
    // says why not and offers to make a copy first, and runs change on the
    // copy once it is shown.
    void whenWritable(std::function<void()> change);

Q_SIGNALS:
    void picturesMade();
    // A copy asked for by 複製 has been made (or could not be).
    void duplicateDone();
    // 保存 made what the window shows the program's card set.
    void cardSetSaved();
    // A sound file chosen for a reading has been made ready or refused.
    void readingMade();
    // An export or import has ended, well or not.
    void archiveDone();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The suites reach the controls through this (tests/windowcontrols.h).
    friend struct EditorWindowControls;

    void load();
    void makeMenus();
    void makeProgressPanel();
    // DataHyoji itself, once media changes are settled.
    void fillFromCardState();
    // Runs proceed unless media changes not saved are kept by the user:
    // asks はい (save first) / いいえ (drop them) / キャンセル (stay).
    void whenMediaSettled(std::function<void()> proceed);
    void discardMedia();
    // The grid goes on showing what it shows, now as the set in folder.
    void showCopiedSet(const QString &folder);
    // Which entries' reading files are there on disk, in the shown folder.
    void scanReadings();
    bool readingAfterSave(int k) const;
    bool pictureOnDisk(int card) const;
    // The marks and accessible name of entry k.
    void refreshEntry(int k);
    void refreshEntries();
    // The card whose entry (label, number, picture) holds a point of the
    // client area, or 0.
    int entryAt(const QPoint &clientPoint) const;
    void askReplace(const QList<int> &cards, std::function<void()> replace);
    void startPictures(const QList<std::pair<int, QString>> &work);
    void pictureMade(int card, quint64 generation, const QString &file, const cardphoto::Made &made);
    void showProgress();
    void listened(int notifyCode);
    void stopListening();
    void showChooser(bool shown);
    // Marks a label box whose text the file cannot hold as typed, and one
    // beyond the card count.
    void styleLabelBox(int k);
    // Fills the label boxes from a label table, with count cards in play.
    void showLabels(const CardState::LabelTable &labels, int count);
    void showFolder(const QString &folder);
    // Whether 保存 would write anything: media changes, or labels or a
    // count that differ from the folder's karudata.dat (or no such file).
    bool hasUnsavedChanges() const;
    void chooseExportFile();
    // Runs work on the window's pool under a progress dialog that nothing
    // but its end closes; done gets the result.
    template <class Work, class Done>
    void runArchiveWork(const QString &text, Work work, Done done);
    // A notice that waits for nothing.
    void tell(const QString &title, const QString &text, bool problem);
    // The recording window belongs to the set shown when it was opened.
    void closeRecordingUnlessFor(const QString &folder);

    CardState &m_data;

    // Top line.
    QLabel *m_folderLabel;  // the folder of the set being edited
    QLineEdit *m_countBox;  // the card count
    // The grid: entry k shows card k + 1.
    std::array<QLineEdit *, CardState::MaxCards> m_labelBoxes;
    std::array<QLabel *, CardState::MaxCards> m_numberLabels;
    std::array<EntryPicture *, CardState::MaxCards> m_pictureBoxes;
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

    EditorHost *m_host;
    QWidget *m_client;
    QString m_setsFolder;
    PendingMedia m_pending;
    std::array<bool, CardState::MaxCards> m_readingOnDisk{};
    bool m_closing = false; // the close box, once media changes are settled

    // 札の組 and its items; the entry menu, for the card m_menuCard.
    QMenu *m_setMenu;
    QAction *m_newSetAction;
    QAction *m_duplicateAction;
    QAction *m_exportAction;
    QAction *m_importAction;
    QMenu *m_entryMenu;
    QAction *m_choosePictureAction;
    QAction *m_removePictureAction;
    QAction *m_recordAction;
    QAction *m_chooseReadingAction;
    QAction *m_listenAction;
    QAction *m_removeReadingAction;
    int m_menuCard = 0;
    QPointer<QMessageBox> m_question; // the one question up, if any
    QPointer<QMessageBox> m_notice;   // a notice that waits for nothing
    bool m_copying = false;

    // Picture files being made, on a pool of the window's own (the match
    // window waits on the global one). A result is taken only while its
    // card's generation is the one it was asked with (a later request or a
    // removal moves it on) and its batch is not cancelled.
    QThreadPool m_pool;
    std::array<quint64, CardState::MaxCards> m_pictureGeneration{};
    quint64 m_pictureBatch = 0;
    std::shared_ptr<std::atomic_bool> m_cancelled; // of the batch going on
    int m_picturesAsked = 0;
    int m_picturesDone = 0;
    QStringList m_pictureProblems;
    QFrame *m_progressPanel;
    QLabel *m_progressLabel;
    QProgressBar *m_progressBar;
    QPushButton *m_cancelButton;
    QTimer *m_progressTimer;

    // Readings from sound files being made: a result is taken only while
    // its card's generation is the one it was asked with (a later reading
    // or a removal moves it on) and the same set is shown.
    std::array<quint64, CardState::MaxCards> m_readingGeneration{};
    QPointer<RecordingWindow> m_recording;
    QString m_recordingFolder;
    QPointer<QProgressDialog> m_archiveProgress;

    // 聞く
    SoundDevice *m_sound = nullptr;
    std::unique_ptr<QTemporaryFile> m_listenFile;
};
