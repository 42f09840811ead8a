// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "data/records.h"

#include "data/cp932.h"

#include <QtEndian>

qint64 recordCount(qint64 size, int recordSize)
{
    if (size <= 0 || recordSize <= 0)
        return 0;
    const qint64 whole = size / recordSize;
    const qint64 twiceRest = 2 * (size % recordSize);
    if (twiceRest > recordSize || (twiceRest == recordSize && whole % 2 == 1))
        return whole + 1;
    return whole;
}

namespace {
QByteArray paddedRecord(QByteArrayView bytes, int size)
{
    QByteArray record = bytes.first(qMin<qsizetype>(bytes.size(), size)).toByteArray();
    record.append(size - record.size(), ' ');
    return record;
}

qint16 readInt16(const QByteArray &bytes, int offset)
{
    return qFromLittleEndian<qint16>(bytes.constData() + offset);
}

void writeInt16(QByteArray &bytes, int offset, qint16 value)
{
    qToLittleEndian<qint16>(value, bytes.data() + offset);
}
} // namespace

FolderRecord::FolderRecord() : m_bytes(Size, ' ')
{
    writeInt16(m_bytes, 0, 0);
}

FolderRecord FolderRecord::fromBytes(QByteArrayView bytes)
{
    FolderRecord record;
    record.m_bytes = paddedRecord(bytes, Size);
    return record;
}

FolderRecord FolderRecord::forFolder(const QString &folder)
{
    FolderRecord record;
    writeInt16(record.m_bytes, 0, qint16(qMin<qsizetype>(folder.size(), 32767)));
    record.m_bytes.replace(2, PathWidth, cp932::encodeField(folder, PathWidth));
    return record;
}

qint16 FolderRecord::length() const
{
    return readInt16(m_bytes, 0);
}

QString FolderRecord::folder() const
{
    const qint16 n = length();
    if (n < 0)
        return {};
    const QString path = cp932::decode(pathField());
    if (n <= path.size())
        return path.left(n);
    // A length beyond the stored text: the whole text, which ends in fill.
    qsizetype end = path.size();
    while (end > 0 && path[end - 1] == u' ')
        --end;
    return path.left(end);
}

DataRecord::DataRecord() : m_bytes(Size, ' ')
{
    writeInt16(m_bytes, 0, 0);
}

DataRecord DataRecord::fromBytes(QByteArrayView bytes)
{
    DataRecord record;
    record.m_bytes = paddedRecord(bytes, Size);
    return record;
}

qint16 DataRecord::count() const
{
    return readInt16(m_bytes, 0);
}

void DataRecord::setCount(qint16 count)
{
    writeInt16(m_bytes, 0, count);
}

QByteArray DataRecord::labelField(int k) const
{
    Q_ASSERT(k >= 1 && k <= LabelFields);
    return m_bytes.mid(labelOffset(k), LabelWidth);
}

QString DataRecord::label(int k) const
{
    return cp932::decodeField(labelField(k));
}

bool DataRecord::setLabel(int k, const QString &text)
{
    Q_ASSERT(k >= 1 && k <= LabelFields);
    bool cut = false;
    m_bytes.replace(labelOffset(k), LabelWidth, cp932::encodeField(text, LabelWidth, &cut));
    return !cut;
}
