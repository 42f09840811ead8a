// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The program-wide card state: which folder holds the card set, how many
// cards it has and what each is called, plus the orders the activities fill.
// It is loaded once, when the start menu is made, from two small files:
// karupath.dat beside the program and karudata.dat in the card folder.

#include "data/records.h"

#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class CardState
{
public:
    static constexpr int MaxCards = 49;     // the grid and the data file hold 49 cards
    static constexpr int LastPosition = 50; // arrays run from position 0 to 50
    static constexpr int DefaultCount = 46;
    static constexpr const char *FolderFileName = "karupath.dat";
    static constexpr const char *DataFileName = "karudata.dat";
    static constexpr const char *DefaultFolderName = "ondat";
    // Starts a stored folder that lies in the user's sets folder:
    // "<sets>/家族". No path this program writes starts with '<'.
    static constexpr const char *SetsMarker = "<sets>";

    using LabelTable = std::array<QString, LastPosition + 1>;
    using Order = std::array<qint16, LastPosition + 1>;

    // Something the user must be told about after loading; nothing is
    // stopped by it.
    struct Notice {
        enum Kind {
            FolderMissing,   // stored card folder empty or absent: default used
            CountOutOfRange, // stored count outside 1..49: clamped for this run
            ReadFailed,      // a file exists but cannot be read
            WriteFailed,     // a file cannot be created or written
            PathNotStorable, // a folder path that karupath.dat cannot hold
        };
        Kind kind;
        QString text;
    };

    // programFolder is the folder of the executable; the tests give their own.
    // configFolder is the user's own folder for karupath.dat, used when the
    // program folder cannot be written (an installed copy); left empty,
    // karupath.dat always lies beside the program, as in a portable copy.
    // setsFolder is where the user's own card sets are made (the editor's
    // 札の組); a set there is stored relative to it, which leaves room for
    // its name in karupath.dat. Left empty, no folder is stored that way.
    explicit CardState(const QString &programFolder, const QString &configFolder = QString(),
                       const QString &setsFolder = QString());

    // Whether files can be created in a folder. Decides where karupath.dat
    // lives, and tells a save into a read-only card folder (the installed
    // default set) before it is tried. The file system is asked unless a
    // probe is set: tests set one to have a read-only folder even as root,
    // who can write everywhere.
    using FolderProbe = std::function<bool(const QString &folder)>;
    void setWritableProbe(FolderProbe probe) { m_writableProbe = std::move(probe); }
    bool folderIsWritable(const QString &folder) const;
    static bool fileSystemAllowsWriting(const QString &folder);

    // Start-up loading, in this order: program folder, folder file, card
    // folder, card data file. Problems are collected as notices.
    void loadCardFolder();
    void loadCardData();
    void createCardData();
    void setDefaultLabels();
    // Read the file's current bytes into its record buffer and count its
    // records. A missing file reads as empty; nothing is created here.
    void openFolderFile();
    void openDataFile();

    QList<Notice> takeNotices();

    const QString &programFolder() const { return m_programFolder; }
    const QString &folderFilePath() const { return m_folderFilePath; }
    const QString &configFolder() const { return m_configFolder; }
    const QString &setsFolder() const { return m_setsFolder; }
    const QString &cardFolder() const { return m_cardFolder; }
    const QString &cardDataPath() const { return m_cardDataPath; }
    QString defaultCardFolder() const;
    qint16 cardCount() const { return m_cardCount; }
    const LabelTable &labels() const { return m_labels; }
    const QString &label(int position) const { return m_labels.at(position); }

    // Shared orders, positions 1 to the card count.
    Order &readingOrder() { return m_readingOrder; }
    Order &boardOrder() { return m_boardOrder; }
    qint16 &readingPosition() { return m_readingPosition; }

    // Card media, named by one rule: "karue"/"karuon" + the last two digits
    // of n + 100.
    static QString cardNumberText(int n);
    QString cardPicturePath(int n) const;
    // The same name in another folder (the editor counts a folder's pictures
    // before it becomes the card folder).
    static QString picturePathIn(const QString &folder, int n);
    QString cardSoundPath(int n) const;
    static QString soundPathIn(const QString &folder, int n);
    // Empty while the card folder is there; once it has been moved or
    // deleted behind the program's back, a sentence saying so.
    QString missingCardFolderText() const;

    // How a folder is written into karupath.dat: as it is when it fits in 50
    // bytes, else relative to the program folder when it lies inside it,
    // else as SetsMarker + "/" + its path from the sets folder when it lies
    // inside that. A path that fits in none of these forms, or has
    // characters that code page 932 cannot hold, cannot be stored: ok is
    // false and why says so.
    struct StoredPath {
        bool ok = false;
        QString text;
        QString why;
    };
    StoredPath storablePath(const QString &folder) const;
    // A stored folder as a usable path: relative ones lie in the program
    // folder, those marked with SetsMarker in the sets folder (empty when no
    // sets folder is known).
    QString resolveStoredPath(const QString &stored) const;

    // Record 1 written atomically; any bytes past it in the file are kept.
    // On failure the file is unchanged and *error says why.
    static bool writeRecord(const QString &path, const QByteArray &record, QString *error);

    // For tests only: called by writeRecord after the new bytes have gone
    // to the temporary file and before it replaces the old one, the moment
    // at which a crash or a kill would hurt most. Never set by the program.
    using BeforeCommitHook = void (*)(const QString &path);
    static void setBeforeCommitHook(BeforeCommitHook hook);

    // Record counts found by the last openFolderFile / openDataFile.
    qint64 folderFileRecords() const { return m_folderFileRecords; }
    qint64 dataFileRecords() const { return m_dataFileRecords; }

    // The card set stored in another folder's karudata.dat, without
    // touching the state: what the editor shows when that folder is chosen.
    // Empty when the folder has no readable data file. The count is kept to
    // 1..49 as at start-up.
    struct StoredSet {
        qint16 count = 0;
        LabelTable labels;
    };
    static std::optional<StoredSet> readStoredSet(const QString &folder);

    // Used by the card-set editor's save: replaces the state in one step
    // after both files have been written.
    void adoptSavedSet(const QString &cardFolder, const LabelTable &labels, qint16 count);

private:
    void notify(Notice::Kind kind, const QString &text);
    // openFolderFile on a given file.
    void readFolderFile(const QString &path);
    // The first recordSize bytes of the file and its whole size (0 when it
    // is missing or unreadable).
    qint64 readHead(const QString &path, int recordSize, QByteArray *head);

    QString m_programFolder;
    QString m_configFolder;
    QString m_setsFolder;
    FolderProbe m_writableProbe;
    QString m_folderFilePath;
    QString m_cardFolder;
    QString m_cardDataPath;
    qint16 m_cardCount = 0;
    LabelTable m_labels;
    Order m_readingOrder{};
    Order m_boardOrder{};
    qint16 m_readingPosition = 0;

    FolderRecord m_folderRecord;
    DataRecord m_dataRecord;
    QString m_readError; // why the last readHead could not read its file
    qint64 m_folderFileRecords = 0;
    qint64 m_dataFileRecords = 0;
    QList<Notice> m_notices;
};
