// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Card recordings decoded ahead of their reading. Decoding reads the file
// (a card folder may lie on a slow stick or a network share) and converts
// its samples, so it runs on a worker thread of its own; the result comes
// back to the thread that owns the cache before anything uses it.
//
// A decoded file is used only while the file on disk is still the one that
// was decoded (same size and modification time), so a recording replaced
// between two runs is read afresh.

#include "sound/audiodecode.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <memory>

class ClipCache : public QObject
{
    Q_OBJECT

public:
    using ClipPtr = std::shared_ptr<const audio::Clip>;

    // How many decoded files are kept: the one playing, the next, and the
    // one a run reads twice.
    static constexpr int Capacity = 4;

    explicit ClipCache(QObject *parent = nullptr);
    ~ClipCache() override;

    // Starts decoding path, unless the file as it is now is decoded or being
    // decoded already.
    void request(const QString &path);
    // The decoded file (taken or refused), if it is ready and still what is
    // on disk; null otherwise.
    ClipPtr find(const QString &path);
    // A decode of path is under way.
    bool pending(const QString &path) const;

Q_SIGNALS:
    // A decode of path has finished; find(path) has it now.
    void ready(const QString &path);

private:
    struct Stamp {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Stamp &) const = default;
    };
    struct Entry {
        Stamp stamp;
        ClipPtr clip; // null while pending
    };
    static Stamp stampOf(const QString &path);
    void accept(const QString &path, const Stamp &stamp, const ClipPtr &clip);
    void touch(const QString &path);

    QHash<QString, Entry> m_entries;
    QStringList m_order; // least recently wanted first
    QThread m_thread;
    QObject *m_worker = nullptr;
};
