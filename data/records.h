// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The two fixed-size records of the card files. Integers are little-endian
// 16-bit, texts code page 932 filled with spaces. Only record 1 of each file
// is used.

#include <QByteArray>
#include <QString>

// Number of records in a file of size bytes: size / recordSize rounded to
// the nearest integer, ties to even. Only "zero or not" matters to callers,
// so a file of up to half a record counts as empty.
qint64 recordCount(qint64 size, int recordSize);

// karupath.dat: which folder holds the current card set.
class FolderRecord
{
public:
    static constexpr int Size = 52;
    static constexpr int PathWidth = 50;

    FolderRecord(); // length 0, path all spaces
    // The first record of a file's bytes; bytes missing at the end read as spaces.
    static FolderRecord fromBytes(QByteArrayView bytes);
    // A record naming folder: length = its number of characters.
    static FolderRecord forFolder(const QString &folder);

    qint16 length() const;
    QByteArray pathField() const { return m_bytes.mid(2, PathWidth); }
    // The stored folder: the first length characters of the decoded path, or
    // the whole path without its space fill when length is larger.
    // A negative length names no folder and gives an empty text.
    QString folder() const;

    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// karudata.dat: the card count and the label of each card.
class DataRecord
{
public:
    static constexpr int Size = 256;
    static constexpr int LabelWidth = 2;
    static constexpr int LabelFields = 50; // field 50 exists but is never read or set
    static constexpr int FillerOffset = 102;

    DataRecord(); // count 0, every field spaces
    static DataRecord fromBytes(QByteArrayView bytes);

    qint16 count() const;
    void setCount(qint16 count);
    // Label field k, 1 to 50.
    QString label(int k) const;
    QByteArray labelField(int k) const;
    // Stores text fitted to its two bytes; returns false when it had to be cut.
    bool setLabel(int k, const QString &text);

    const QByteArray &bytes() const { return m_bytes; }

private:
    static int labelOffset(int k) { return 2 + LabelWidth * (k - 1); }
    QByteArray m_bytes;
};
