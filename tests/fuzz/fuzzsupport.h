// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Shared by the fuzz targets: a check that stops the run the way a crash
// does (so that libFuzzer keeps the input), and a throw-away program folder
// that is laid out afresh for every input, so that one input's files never
// change what the next one sees.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#define FUZZ_CHECK(condition)                                                                                         \
    do {                                                                                                              \
        if (!(condition))                                                                                             \
            fuzzing::fail(#condition, __FILE__, __LINE__);                                                            \
    } while (false)

namespace fuzzing {

[[noreturn]] void fail(const char *condition, const char *file, int line);

QByteArray bytes(const uint8_t *data, size_t size);
QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// A program folder in memory (/dev/shm when there is one):
//   program/ondat/       the default card folder, no data file
//   program/sets/kana/   a second card folder with a 12-card data file
class ScratchFolder
{
public:
    ScratchFolder();
    QString program() const { return m_program; }
    QString defaultCardFolder() const { return m_program + QStringLiteral("/ondat"); }
    // Lays the folder out again, removing whatever the last input left.
    void reset();
    // Whether path (once links are resolved) lies inside the scratch folder.
    bool contains(const QString &path) const;

private:
    QTemporaryDir m_dir;
    QString m_root;
    QString m_program;
};

} // namespace fuzzing
