// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sound/clipcache.h"

#include <QHashFunctions>

ClipCache::ClipCache(QObject *parent) : QObject(parent)
{
}

ClipCache::~ClipCache()
{
    // A decode under way finishes first; what it posts back dies with this.
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

quint64 ClipCache::fingerprint(const QByteArray &bytes)
{
    // Not for security: two different recordings of the same length share
    // it with a chance of one in 2^64.
    return qHashBits(bytes.constData(), size_t(bytes.size()), 0x9e3779b97f4a7c15ULL);
}

void ClipCache::touch(const QString &path)
{
    m_order.removeOne(path);
    m_order.append(path);
    // The oldest decoded files go; one still being decoded stays until its
    // result has come back.
    for (qsizetype i = 0; m_order.size() > Capacity && i < m_order.size() - 1;) {
        if (!pending(m_order.at(i))) {
            m_entries.remove(m_order.at(i));
            m_order.removeAt(i);
        } else {
            ++i;
        }
    }
}

void ClipCache::request(const QString &path)
{
    if (pending(path)) {
        touch(path);
        return;
    }
    decode(path, QByteArray(), m_entries.value(path));
}

ClipCache::ClipPtr ClipCache::take(const QString &path)
{
    audio::Problem problem = audio::Problem::None;
    QString reason;
    const QByteArray bytes = audio::readBounded(path, &problem, &reason);
    if (problem != audio::Problem::None) {
        m_entries.remove(path);
        auto refused = std::make_shared<audio::Clip>();
        refused->problem = problem;
        refused->reason = reason;
        return refused;
    }
    const quint64 print = fingerprint(bytes);
    const auto it = m_entries.constFind(path);
    if (it != m_entries.constEnd() && it->clip && it->size == bytes.size() && it->fingerprint == print) {
        const ClipPtr clip = it->clip;
        touch(path);
        return clip;
    }
    // What is under way may be of other bytes; take() is asked again when it
    // is back, and reads the file again.
    if (!pending(path))
        decode(path, bytes, {});
    return nullptr;
}

void ClipCache::decode(const QString &path, const QByteArray &bytes, const Entry &known)
{
    ++m_pending[path];
    touch(path);
    if (!m_worker) {
        m_worker = new QObject;
        m_worker->moveToThread(&m_thread);
        m_thread.setObjectName(QStringLiteral("clip decoder"));
        m_thread.start(QThread::LowPriority);
    }
    // Only the path and the bytes go over, and only the result comes back.
    QMetaObject::invokeMethod(
        m_worker,
        [this, path, bytes, known] {
            Entry entry;
            QByteArray file = bytes;
            if (file.isNull()) {
                audio::Problem problem = audio::Problem::None;
                QString reason;
                file = audio::readBounded(path, &problem, &reason);
                if (problem != audio::Problem::None) {
                    auto refused = std::make_shared<audio::Clip>();
                    refused->problem = problem;
                    refused->reason = reason;
                    entry.clip = refused;
                }
            }
            if (!entry.clip) {
                entry.size = file.size();
                entry.fingerprint = fingerprint(file);
                if (known.clip && known.size == entry.size && known.fingerprint == entry.fingerprint)
                    entry.clip = known.clip;
                else
                    entry.clip = std::make_shared<const audio::Clip>(audio::decode(file));
            }
            QMetaObject::invokeMethod(this, [this, path, entry] { accept(path, entry); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void ClipCache::accept(const QString &path, const Entry &entry)
{
    if (--m_pending[path] <= 0)
        m_pending.remove(path);
    // A file that could not be read is not kept: take() reads it again.
    if (entry.size >= 0)
        m_entries.insert(path, entry);
    else
        m_entries.remove(path);
    touch(path);
    Q_EMIT ready(path);
}
