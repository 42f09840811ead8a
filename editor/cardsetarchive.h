// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A card set as one .zip file, to pass on and to keep.
//
// Export writes karudata.dat and the pictures (karueNN.jpg) and readings
// (karuonNN.wav) of cards 1 to 49 that the folder has, in one folder named
// after the set, through QSaveFile: the old file stays whole until the new
// one is. A picture or reading that an import would refuse is left out and
// listed, so that every exported set can be read back.
//
// Import treats the archive as hostile. Only karudata.dat, karueNN.jpg and
// karuonNN.wav (NN 01 to 49, any letter case) are taken, at the top level
// or in one top-level folder; any other file is skipped and listed. The
// whole archive is refused, with the reason, when an entry
//  - names an absolute path or climbs out with "..",
//  - is a link (symbolic or hard) or a device, pipe or socket,
//  - is encrypted, or larger than MaxEntryBytes (counted as it is
//    unpacked, whatever its header declares), or the taken files together
//    pass MaxTotalBytes, or there are more than MaxEntries entries,
//  - is a picture the picture check refuses, a reading the decoder cannot
//    play whole, or a karudata.dat with no card count of 1 to 49 (or none).
// Files are unpacked into a hidden folder beside the new one
// (<setsFolder>/.import-XXXXXX), each under the name this code gives it,
// never the archive's; the hidden folder is renamed to <setsFolder>/<name>
// only when every file is good, and removed otherwise. Nothing is left on
// disk by a refusal, and an existing folder is never replaced.
//
// Pure functions of their arguments and the disk; run them on a worker
// thread (a 49-card set takes about a second). The picture check is passed
// in because reading pictures needs Qt Gui: the program passes
// picturecheck::problem (editor/picturecheck.h).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace cardsetarchive {

// Six minutes of a 48 kHz mono reading, or a photo of 50 megapixels; a
// bomb is unpacked no further than this.
inline constexpr qint64 MaxEntryBytes = 32LL * 1024 * 1024;
inline constexpr qint64 MaxDataFileBytes = 64 * 1024;
inline constexpr qint64 MaxTotalBytes = 512LL * 1024 * 1024;
inline constexpr int MaxEntries = 500;

// Why a picture cannot be shown, or empty when it can.
using PictureCheck = std::function<QString(const QByteArray &bytes)>;

enum class Problem {
    None,
    BadName,        // the new set's name cannot be a folder name
    Exists,         // <setsFolder>/<name> is already there
    NotArchive,     // not a zip archive
    Damaged,        // the archive breaks off or fails its checks
    Unsafe,         // an absolute path, "..", a link or a device
    Encrypted,
    TooLarge,       // an entry or the whole unpacks past its cap
    TooManyEntries,
    BadPicture,
    BadReading,
    BadDataFile,
    NoDataFile,
    WriteFailed,    // the disk refused (full, read-only, ...)
};

// A file not taken, and why, both for the user.
struct Skipped {
    QString name;
    QString why;
};

struct Result {
    Problem problem = Problem::None;
    QString reason;        // for the user, in Japanese; empty on success
    QString path;          // the new folder, or the archive written
    QStringList taken;     // file names, as written (karue01.jpg, ...)
    // Left out; an import refused lists those it found before the refusal.
    QList<Skipped> skipped;

    bool ok() const { return problem == Problem::None; }
};

// Why name cannot be a set's folder name, or empty when it can: no
// separators or control characters, not hidden, at most 255 UTF-8 bytes.
QString nameProblem(const QString &name);

// Reads the archive at zipPath (or its bytes) into <setsFolder>/<name>,
// creating setsFolder when needed.
Result importFile(const QString &zipPath, const QString &setsFolder, const QString &name, const PictureCheck &check);
Result importBytes(const QByteArray &zip, const QString &setsFolder, const QString &name, const PictureCheck &check);

// Writes the set in folder to zipPath.
Result exportSet(const QString &folder, const QString &zipPath, const PictureCheck &check);

} // namespace cardsetarchive
