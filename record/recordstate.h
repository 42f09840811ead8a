// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Whether the training record can be kept, and what to tell the user when
// it cannot. A problem is never a reason to stop a match: the match plays
// on unrecorded, and the user is told once, with the folder or file named
// so that they can look at it themselves.

#include <QString>

enum class RecordState {
    Opening,          // the file is being opened; takes handed over meanwhile wait
    Recording,
    FolderUnwritable, // the data folder cannot be created or written
    Damaged,          // the file is not a database, or not a record, or is damaged: left as it is
    NewerVersion,     // written by a newer version of the program: never written to, never downgraded
    DiskFull,         // the disk filled up while recording: what was written before stays
    WriteFailed,      // any other failure to write
    ReadFailed,       // the statistics could not read the file, for another reason than damage
};

// Whether the record is given up for this run.
bool isRecordProblem(RecordState state);

// The one message for a problem, naming the data folder or the file
// (databasePath is the file; its folder is named when the folder is the
// trouble). detail is the database's own words for an unexpected failure.
// Empty for a state that is not a problem.
QString recordProblemText(RecordState state, const QString &databasePath, const QString &detail = QString());
