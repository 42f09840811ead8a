// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Saving what the card-set editor shows: the folder, the 49 labels, the
// card count and the pictures and readings changed in the editor. The
// request is checked first and nothing is written when a check fails; then
// the changed pictures and readings are written into the chosen folder,
// karupath.dat, and karudata.dat there, and only when all are on disk does
// the program-wide state take the new set. A failed write leaves files and
// state as they were.

#include "data/cardstate.h"
#include "editor/pendingmedia.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

// How a label will look in its two-byte field of karudata.dat.
struct LabelFit {
    enum State {
        Fits,       // stored as typed
        Cut,        // stored shortened to what fits; the editor keeps the whole text
        Unstorable, // has characters the file cannot hold, or that stand for bytes that could not be read: the save is refused
    };
    State state = Fits;
    QString stored; // the field's text as it will read back (without its space fill)
};
LabelFit fitLabel(const QString &text);

// The card count as typed: the leading number of the text, rounded ties to
// even. nullopt when it is not a card count the editor can save (1 to 49).
std::optional<qint16> cardCountFromText(const QString &text);

// Everything the editor shows that a save takes, as texts.
struct SaveRequest {
    QString folder;                                   // the folder label
    std::array<QString, CardState::MaxCards> labels{};  // label box of card k + 1 at k
    QString countText;                                // the count box
    PendingMedia media;                               // pictures and readings not saved yet
};

class CardSetSaver
{
public:
    // How a record reaches its file. CardState::writeRecord unless replaced.
    using Writer = std::function<bool(const QString &path, const QByteArray &record, QString *error)>;

    explicit CardSetSaver(CardState &data);
    void setWriter(Writer writer) { m_writer = std::move(writer); }

    // What stands in the way of saving request, one explanation per problem;
    // empty when it can be saved.
    QStringList check(const SaveRequest &request) const;

    enum Outcome {
        Saved,   // both files written, the program-wide state changed
        Refused, // a check failed: nothing written
        Failed,  // a file could not be written: files and state as before
    };
    struct Result {
        Outcome outcome = Refused;
        QString message; // for the user; empty when saved
    };
    Result save(const SaveRequest &request);

private:
    CardState &m_data;
    Writer m_writer;
};
