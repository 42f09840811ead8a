// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the match window asks of whoever keeps the windows (the hub in
// app/): the settings a match starts from, the settings window when the
// player asks for it, the training record, and what has been told once in
// this run. The match window knows the hub by this alone, so nothing in
// match/ includes a header from app/.

#include <QString>

class MatchSettings;
class RecordReader;
class TrainingRecord;

class MatchHost
{
public:
    virtual ~MatchHost() = default;
    // The settings the next match starts from. Where no settings window
    // exists (never opened, or discarded by its close box) one is made,
    // hidden and with its defaults, and kept.
    virtual MatchSettings &matchSettings() = 0;
    // ｺﾝﾋﾟｭｰﾀのﾚﾍﾞﾙ: the settings window, shown without being modal.
    virtual void showSettings() = 0;
    // The one training record of the program, written from the UI thread
    // without waiting for the disk, and the reader for its queries. Both
    // are opened on first use and live as long as the hub.
    virtual TrainingRecord &trainingRecord() = 0;
    virtual RecordReader &recordReader() = 0;
    // True the first time it is asked about a notice in this run of the
    // program, false after: a window closed and made again is the same run.
    virtual bool firstTimeThisRun(const QString &notice) = 0;
};
