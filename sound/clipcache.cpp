// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sound/clipcache.h"

#include <QFileInfo>

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

ClipCache::Stamp ClipCache::stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    return {true, info.size(), info.lastModified()};
}

void ClipCache::touch(const QString &path)
{
    m_order.removeOne(path);
    m_order.append(path);
    // The oldest decoded files go; one still being decoded stays until its
    // result has come back.
    for (qsizetype i = 0; m_order.size() > Capacity && i < m_order.size() - 1;) {
        if (m_entries.value(m_order.at(i)).clip) {
            m_entries.remove(m_order.at(i));
            m_order.removeAt(i);
        } else {
            ++i;
        }
    }
}

void ClipCache::request(const QString &path)
{
    const Stamp stamp = stampOf(path);
    const auto it = m_entries.constFind(path);
    if (it != m_entries.constEnd() && it->stamp == stamp) {
        touch(path);
        return;
    }
    m_entries.insert(path, Entry{stamp, nullptr});
    touch(path);
    if (!m_worker) {
        m_worker = new QObject;
        m_worker->moveToThread(&m_thread);
        m_thread.setObjectName(QStringLiteral("clip decoder"));
        m_thread.start(QThread::LowPriority);
    }
    // Only the path goes over and only the result comes back.
    QMetaObject::invokeMethod(
        m_worker,
        [this, path, stamp] {
            ClipPtr clip = std::make_shared<const audio::Clip>(audio::decodeFile(path));
            QMetaObject::invokeMethod(this, [this, path, stamp, clip] { accept(path, stamp, clip); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void ClipCache::accept(const QString &path, const Stamp &stamp, const ClipPtr &clip)
{
    auto it = m_entries.find(path);
    // Asked for again after the file changed: a newer decode is on its way.
    if (it == m_entries.end() || it->stamp != stamp || it->clip)
        return;
    it->clip = clip;
    Q_EMIT ready(path);
}

ClipCache::ClipPtr ClipCache::find(const QString &path)
{
    const auto it = m_entries.constFind(path);
    if (it == m_entries.constEnd() || !it->clip || it->stamp != stampOf(path))
        return nullptr;
    touch(path);
    return it->clip;
}

bool ClipCache::pending(const QString &path) const
{
    const auto it = m_entries.constFind(path);
    return it != m_entries.constEnd() && !it->clip;
}
