// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Card recordings decoded ahead of their reading. Decoding reads the file
// (a card folder may lie on a slow stick or a network share) and converts
// its samples, so it runs on a worker thread of its own; the result comes
// back to the thread that owns the cache before anything uses it.
//
// A decoded recording is handed out only for the very bytes it was decoded
// from: take() reads the file as it is at that moment and compares its
// content, so a recording replaced since, even by one of the same size and
// modification time, is decoded afresh. The cache's own thread may read the
// disk; it is never the user-interface thread.

#include "sound/audiodecode.h"

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

    // Reads and decodes path on the worker, unless a decode of it is under
    // way already; a file whose content is what was decoded last time is not
    // decoded again.
    void request(const QString &path);
    // Reads path now, on the calling thread, and gives the recording decoded
    // from exactly these bytes; a file that cannot be read gives a refused
    // clip at once. Null while a decode is under way: ready(path) follows,
    // and then take() again.
    ClipPtr take(const QString &path);
    // A decode of path is under way.
    bool pending(const QString &path) const { return m_pending.value(path) > 0; }

    // A fingerprint of a file's content.
    static quint64 fingerprint(const QByteArray &bytes);

Q_SIGNALS:
    // A decode of path has finished.
    void ready(const QString &path);

private:
    struct Entry {
        quint64 fingerprint = 0;
        qint64 size = -1;
        ClipPtr clip;
    };
    // Decodes on the worker: bytes when the caller has read them already,
    // else the file (unless its content is still known's).
    void decode(const QString &path, const QByteArray &bytes, const Entry &known);
    void accept(const QString &path, const Entry &entry);
    void touch(const QString &path);

    QHash<QString, Entry> m_entries;
    QHash<QString, int> m_pending; // decodes under way, by path
    QStringList m_order;           // least recently wanted first
    QThread m_thread;
    QObject *m_worker = nullptr;
};
