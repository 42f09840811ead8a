// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A RecordReader on a thread of its own, for 成績: the window asks for its
// figures or an export here and goes on at once, so that the UI thread
// never waits for the file, however large the record. The reader is made,
// used and destroyed in that thread, with its own connection.
//
// Each request carries a number the caller chooses; the answer comes back
// with it, by a signal queued to the caller's thread. A request for
// figures that a later one has made stale by the time it would start is
// not read at all, and the caller ignores an answer it no longer wants.

#include "record/recordreader.h"

#include <QObject>
#include <QThread>

#include <atomic>

class BackgroundReader : public QObject
{
    Q_OBJECT

public:
    BackgroundReader(const QString &databasePath, const QString &threadName, QObject *parent = nullptr);
    // Stops an export at its next row, lets the request being read end,
    // and ends the thread.
    ~BackgroundReader() override;

    // RecordReader::statistics, answered by statisticsRead.
    void readStatistics(quint64 request, const QString &cardFolder, const QStringList &labels, record::Period period,
                        qint64 nowMs);
    // RecordReader::exportTakes or exportMatches, told by exportProgress and
    // answered by exported.
    void exportCsv(quint64 request, bool matches, const QString &fileName, const QString &cardFolder);
    // Stops the export being written at its next row: it leaves no file.
    void cancelExport();

Q_SIGNALS:
    // state is the reader's RecordState, with problemText for a problem.
    void statisticsRead(quint64 request, const RecordReader::Statistics &statistics, int state,
                        const QString &problemText);
    void exportProgress(quint64 request, qint64 written, qint64 total);
    // done false with error empty: the export was stopped.
    void exported(quint64 request, bool done, const QString &error);

private:
    class Worker;
    QThread m_thread;
    Worker *m_worker;
    // The latest request for figures, and whether an export is to stop:
    // both read by the worker as it goes.
    std::atomic<quint64> m_latestStatistics{0};
    std::atomic<bool> m_cancelExport{false};
};
