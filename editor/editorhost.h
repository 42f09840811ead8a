// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the card-set editor asks of whoever keeps the windows (the hub in
// app/): a sound device to play a reading with, and whether a match or an
// automatic reading is using a card set. The editor knows the hub by this
// alone, so nothing in editor/ includes a header from app/.

#include <QString>

class QObject;
class SoundDevice;

class EditorHost
{
public:
    virtual ~EditorHost() = default;
    // A new sound device, owned by owner.
    virtual SoundDevice *makeSoundDevice(QObject *owner) = 0;
    // Why the pictures and readings of the set in folder may not be
    // replaced now, for the user: a match or an automatic reading that is
    // going on plays from that folder. Empty when nothing uses it.
    virtual QString cardSetInUse(const QString &folder) const = 0;
};
