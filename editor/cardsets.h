// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The user's own card sets, made in the editor: new ones and copies, each a
// folder of its own under one folder (the sets folder in the user's data
// folder). A set appears under its name only whole: it is made in a hidden
// folder beside its place and renamed into place at the end, so a failure
// or a crash leaves nothing that looks like a set.

#include <QList>
#include <QString>

class CardState;

namespace cardsets {

// <user data folder>/sets: ~/.local/share/ginrei-karuta/sets.
QString defaultRoot();

// Why name cannot be the name of a new set in root, for the user; empty
// when it can. It must be one plain folder name, new in root, and the
// set's path must fit karupath.dat (CardState::storablePath).
QString nameProblem(const CardState &data, const QString &root, const QString &name);

struct Outcome {
    QString folder; // the new set's folder
    QString error;  // for the user; empty when it was made
    bool ok() const { return error.isEmpty(); }
};

// A new set of count cards (1 to 49) with empty labels and no media.
Outcome create(const QString &root, const QString &name, int count);

// A copy of the set in from, named name: its karudata.dat (or, when it has
// none that can be read, dataRecord) and the pictures and readings of cards
// 1 to 49 that it has. Reads and writes whole files, so the editor runs it
// off the UI thread; it touches no shared state.
Outcome duplicate(const QString &root, const QString &name, const QString &from, const QByteArray &dataRecord);

// The cards 1 to count that have no picture, and no reading, in folder.
struct Missing {
    QList<int> pictures;
    QList<int> readings;
};
Missing missingMedia(const QString &folder, int count);
// The same for the user, one line per kind; empty when nothing is missing.
QString missingText(const Missing &missing);

} // namespace cardsets
