// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// karudata.dat of any length and content, read by the start-up loading,
// then saved back by the card-set editor: the count is brought into range,
// every label field is read, the file is never written over, and a save is
// refused exactly when a label holds what the file cannot keep.

#include "data/module1.h"
#include "data/records.h"
#include "editor/cardsetsave.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {
// Text that a bad byte sequence decodes to, or a control character: never
// part of a label the user meant.
bool unreadable(const QString &label)
{
    for (QChar c : label)
        if (c == QChar::ReplacementCharacter || c.category() == QChar::Other_Control)
            return true;
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static fuzzing::ScratchFolder scratch;
    scratch.reset();
    const QByteArray input = fuzzing::bytes(data, size);
    const QString dataFile = scratch.defaultCardFolder() + QStringLiteral("/karudata.dat");
    fuzzing::writeFile(dataFile, input);
    const bool hasRecord = recordCount(input.size(), DataRecord::Size) >= 1;

    Module1 loaded(scratch.program());
    loaded.LoadCardFolder();
    const QList<Module1::Notice> notices = loaded.takeNotices();
    FUZZ_CHECK(loaded.cardDataPath() == dataFile);
    FUZZ_CHECK(loaded.cardCount() >= 1 && loaded.cardCount() <= Module1::MaxCards);
    if (hasRecord) {
        FUZZ_CHECK(fuzzing::readFile(dataFile) == input);
        const DataRecord record = DataRecord::fromBytes(input);
        for (int k = 1; k <= Module1::MaxCards; ++k) {
            FUZZ_CHECK(loaded.label(k) == record.label(k));
            FUZZ_CHECK(loaded.label(k).size() <= DataRecord::LabelWidth);
        }
        const qint16 stored = record.count();
        if (stored >= 1 && stored <= Module1::MaxCards) {
            FUZZ_CHECK(notices.isEmpty());
            FUZZ_CHECK(loaded.cardCount() == stored);
        } else {
            FUZZ_CHECK(notices.size() == 1 && notices[0].kind == Module1::Notice::CountOutOfRange);
        }
    } else {
        FUZZ_CHECK(notices.isEmpty());
        FUZZ_CHECK(loaded.cardCount() == Module1::DefaultCount);
        FUZZ_CHECK(loaded.label(1) == QStringLiteral("あ"));
        FUZZ_CHECK(fuzzing::readFile(dataFile).size() == DataRecord::Size);
    }

    // Saving the set as loaded, from the editor.
    SaveRequest request;
    request.folder = loaded.cardFolder();
    request.countText = QString::number(loaded.cardCount());
    bool anyUnreadable = false;
    for (int k = 1; k <= Module1::MaxCards; ++k) {
        const QString &label = loaded.label(k);
        request.labels[k - 1] = label;
        // What the file decodes to, it can hold again, unless it stands for bytes it could not read.
        FUZZ_CHECK(unreadable(label) == (fitLabel(label).state == LabelFit::Unstorable));
        anyUnreadable = anyUnreadable || unreadable(label);
    }
    CardSetSaver saver(loaded);
    const QStringList problems = saver.check(request);
    FUZZ_CHECK(problems.isEmpty() == !anyUnreadable);
    if (anyUnreadable) {
        const QByteArray before = fuzzing::readFile(dataFile);
        FUZZ_CHECK(saver.save(request).outcome == CardSetSaver::Refused);
        FUZZ_CHECK(fuzzing::readFile(dataFile) == before);
        return 0;
    }
    FUZZ_CHECK(saver.save(request).outcome == CardSetSaver::Saved);
    Module1 again(scratch.program());
    again.LoadCardFolder();
    FUZZ_CHECK(again.takeNotices().isEmpty());
    FUZZ_CHECK(again.cardCount() == loaded.cardCount());
    for (int k = 1; k <= Module1::MaxCards; ++k)
        FUZZ_CHECK(again.label(k) == fitLabel(request.labels[k - 1]).stored);
    return 0;
}
