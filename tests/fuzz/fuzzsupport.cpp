// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "tests/fuzz/fuzzsupport.h"

#include "data/records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

void fail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

namespace {
QString scratchBase()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}
} // namespace

ScratchFolder::ScratchFolder() : m_dir(scratchBase() + QStringLiteral("/ginrei-fuzz-XXXXXX"))
{
    if (!m_dir.isValid()) {
        std::fprintf(stderr, "no scratch folder: %s\n", qPrintable(m_dir.errorString()));
        std::abort();
    }
    m_root = QFileInfo(m_dir.path()).canonicalFilePath();
    m_program = m_root + QStringLiteral("/program");
    reset();
}

void ScratchFolder::reset()
{
    QDir(m_program).removeRecursively();
    QDir().mkpath(defaultCardFolder());
    const QString kana = m_program + QStringLiteral("/sets/kana");
    QDir().mkpath(kana);
    DataRecord record;
    record.setCount(12);
    for (int k = 1; k <= 12; ++k)
        record.setLabel(k, QString(QChar(u'か' + k)));
    writeFile(kana + QStringLiteral("/karudata.dat"), record.bytes());
}

bool ScratchFolder::contains(const QString &path) const
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && (canonical == m_root || canonical.startsWith(m_root + u'/'));
}

} // namespace fuzzing
