// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The pictures and readings changed in the card-set editor and not saved
// yet. Nothing reaches the card folder before 保存: until then each card
// may have, apart for its picture and for its reading, the finished bytes
// of the file to write (a JPEG, a 16-bit 48 kHz WAV) or the word that its
// file goes. 保存 writes them (CardSetSaver) and clears this.

#include <QByteArray>

#include <array>
#include <optional>

class PendingMedia
{
public:
    enum class Kind { Picture, Reading };

    // One card's waiting change of one kind: the bytes to write, or, with
    // removed set, that the card's file is to go.
    struct Change {
        bool removed = false;
        QByteArray bytes;
    };

    // Cards are numbered 1 to 49; anything else is ignored.
    void set(Kind kind, int card, const QByteArray &bytes);
    void remove(Kind kind, int card);
    // Drops a waiting change: the card's file stays as it is on disk.
    void forget(Kind kind, int card);
    std::optional<Change> change(Kind kind, int card) const;

    void setPicture(int card, const QByteArray &jpeg) { set(Kind::Picture, card, jpeg); }
    void setReading(int card, const QByteArray &wav) { set(Kind::Reading, card, wav); }
    void removePicture(int card) { remove(Kind::Picture, card); }
    void removeReading(int card) { remove(Kind::Reading, card); }
    std::optional<Change> picture(int card) const { return change(Kind::Picture, card); }
    std::optional<Change> reading(int card) const { return change(Kind::Reading, card); }

    bool hasChanges() const;
    // Whether card has a waiting change of either kind.
    bool hasChange(int card) const;
    void clear();

    // Whether the card will have a file of that kind after a save, given
    // whether it has one on disk now.
    bool willHave(Kind kind, int card, bool onDisk) const;

private:
    static constexpr int Cards = 49;
    using Slots = std::array<std::optional<Change>, Cards>;
    Slots &slotsOf(Kind kind) { return kind == Kind::Picture ? m_pictures : m_readings; }
    const Slots &slotsOf(Kind kind) const { return kind == Kind::Picture ? m_pictures : m_readings; }
    static bool valid(int card) { return card >= 1 && card <= Cards; }

    Slots m_pictures;
    Slots m_readings;
};
