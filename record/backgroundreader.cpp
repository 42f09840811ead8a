// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "record/backgroundreader.h"

#include <memory>

// Lives in the reader's thread; the RecordReader is made there on first use.
class BackgroundReader::Worker : public QObject
{
public:
    explicit Worker(const QString &path) : m_path(path) {}

    RecordReader &reader()
    {
        if (!m_reader)
            m_reader = std::make_unique<RecordReader>(m_path);
        return *m_reader;
    }
    // Closes the connection in the thread that opened it.
    void close() { m_reader.reset(); }

private:
    QString m_path;
    std::unique_ptr<RecordReader> m_reader;
};

BackgroundReader::BackgroundReader(const QString &databasePath, const QString &threadName, QObject *parent)
    : QObject(parent), m_worker(new Worker(databasePath))
{
    qRegisterMetaType<RecordReader::Statistics>();
    m_thread.setObjectName(threadName);
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

BackgroundReader::~BackgroundReader()
{
    m_cancelExport = true;
    ++m_latestStatistics;
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(worker, [worker] {
        worker->close();
        QThread::currentThread()->quit();
    }, Qt::QueuedConnection);
    m_thread.wait();
    delete m_worker;
}

void BackgroundReader::readStatistics(quint64 request, const QString &cardFolder, const QStringList &labels,
                                      record::Period period, qint64 nowMs)
{
    m_latestStatistics = request;
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(worker, [this, worker, request, cardFolder, labels, period, nowMs] {
        if (request != m_latestStatistics)
            return;
        RecordReader &reader = worker->reader();
        const RecordReader::Statistics statistics = reader.statistics(cardFolder, labels, period, nowMs);
        Q_EMIT statisticsRead(request, statistics, int(reader.state()), reader.problemText());
    }, Qt::QueuedConnection);
}

void BackgroundReader::exportCsv(quint64 request, bool matches, const QString &fileName, const QString &cardFolder)
{
    m_cancelExport = false;
    Worker *worker = m_worker;
    QMetaObject::invokeMethod(worker, [this, worker, request, matches, fileName, cardFolder] {
        const RecordReader::Progress progress = [this, request](qint64 written, qint64 total) {
            Q_EMIT exportProgress(request, written, total);
            return !m_cancelExport;
        };
        QString error;
        RecordReader &reader = worker->reader();
        const bool done = matches ? reader.exportMatches(fileName, cardFolder, &error, progress)
                                  : reader.exportTakes(fileName, cardFolder, &error, progress);
        Q_EMIT exported(request, done, error);
    }, Qt::QueuedConnection);
}

void BackgroundReader::cancelExport()
{
    m_cancelExport = true;
}
