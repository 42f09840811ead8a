// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/cardsetsave.h"

#include "data/cp932.h"
#include "data/numtext.h"
#include "data/records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
// The ideographic space a save puts at position 0 of the label table.
constexpr char16_t SavedBlankLabel = u'\u3000';

QString cleanFolder(const QString &folder)
{
    QString f = QDir::cleanPath(folder);
    while (f.size() > 1 && f.endsWith(u'/'))
        f.chop(1);
    return f;
}

// The record already in the card data file, so that what a save does not
// set (label field 50, the filler) stays as it was. A file that counts as
// empty, or cannot be read, gives a record of spaces.
DataRecord existingDataRecord(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DataRecord();
    const QByteArray head = file.read(DataRecord::Size);
    if (recordCount(file.size(), DataRecord::Size) == 0)
        return DataRecord();
    return DataRecord::fromBytes(head);
}

// The file's whole contents before a save touches it.
struct FileBefore {
    bool existed = false;
    QByteArray bytes;
    QString error; // set when it exists but cannot be read
};

FileBefore readBefore(const QString &path)
{
    FileBefore before;
    QFile file(path);
    if (!file.exists())
        return before;
    before.existed = true;
    if (!file.open(QIODevice::ReadOnly)) {
        before.error = file.errorString();
        return before;
    }
    before.bytes = file.readAll();
    return before;
}

// Puts a file back as it was, in one step.
bool restore(const QString &path, const FileBefore &before, QString *error)
{
    if (!before.existed) {
        QFile file(path);
        if (file.exists() && !file.remove()) {
            *error = file.errorString();
            return false;
        }
        return true;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(before.bytes) != before.bytes.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

// Every picture and reading file a save has replaced or removed, with what
// it held before, so that a save that fails later can put them all back.
struct Touched {
    QString path;
    FileBefore before;
};

// Writes the waiting changes into folder, each file in one step. Stops at
// the first that cannot be written, with *error naming it; what was written
// up to there is in *touched.
bool writeMedia(const QString &folder, const PendingMedia &media, QList<Touched> *touched, QString *error)
{
    for (int n = 1; n <= CardState::MaxCards; ++n) {
        for (const PendingMedia::Kind kind : {PendingMedia::Kind::Picture, PendingMedia::Kind::Reading}) {
            const std::optional<PendingMedia::Change> change = media.change(kind, n);
            if (!change)
                continue;
            const QString path = kind == PendingMedia::Kind::Picture ? CardState::picturePathIn(folder, n)
                                                                     : CardState::soundPathIn(folder, n);
            const FileBefore before = readBefore(path);
            if (!before.error.isEmpty()) {
                // What cannot be read could not be put back either.
                *error = QStringLiteral("%1 を読み込めません（%2）").arg(path, before.error);
                return false;
            }
            if (change->removed) {
                QFile file(path);
                if (before.existed && !file.remove()) {
                    *error = QStringLiteral("%1 を消せませんでした（%2）").arg(path, file.errorString());
                    return false;
                }
            } else {
                QSaveFile file(path);
                if (!file.open(QIODevice::WriteOnly) || file.write(change->bytes) != change->bytes.size()
                    || !file.commit()) {
                    *error = QStringLiteral("%1 を書き込めませんでした（%2）").arg(path, file.errorString());
                    file.cancelWriting();
                    return false;
                }
            }
            touched->append({path, before});
        }
    }
    return true;
}

// Puts back every file in touched; the names of those that could not be.
QStringList undoMedia(const QList<Touched> &touched)
{
    QStringList failed;
    for (auto it = touched.crbegin(); it != touched.crend(); ++it) {
        QString error;
        if (!restore(it->path, it->before, &error))
            failed << QStringLiteral("%1（%2）").arg(it->path, error);
    }
    return failed;
}

QString undoneText(const QList<Touched> &touched)
{
    const QStringList failed = undoMedia(touched);
    if (failed.isEmpty())
        return touched.isEmpty() ? QString() : QStringLiteral("\n（書き込んだ写真と音声は元に戻しました。）");
    return QStringLiteral("\n\n次の写真と音声を元に戻せませんでした：\n") + failed.join(u'\n');
}

const QString ChooseAnother = QStringLiteral("「フォルダ変更」で別のフォルダを選んでから、もう一度保存してください。");
} // namespace

namespace {
// What bytes the decoder could not read turn into (U+FFFD, or a control
// character for a lone bad byte), and control characters in general: no
// label the user meant. Saved, they would not even give back the bytes
// they were read from.
bool hasUnreadableCharacters(QStringView text)
{
    for (QChar c : text)
        if (c == QChar::ReplacementCharacter || c.category() == QChar::Other_Control)
            return true;
    return false;
}
} // namespace

LabelFit fitLabel(const QString &text)
{
    LabelFit fit;
    if (hasUnreadableCharacters(text) || !cp932::canEncode(text)) {
        fit.state = LabelFit::Unstorable;
        return fit;
    }
    bool cut = false;
    const QByteArray field = cp932::encodeField(text, DataRecord::LabelWidth, &cut);
    fit.stored = cp932::decodeField(field);
    fit.state = cut ? LabelFit::Cut : LabelFit::Fits;
    return fit;
}

std::optional<qint16> cardCountFromText(const QString &text)
{
    const std::optional<qint16> count = roundToInt16(leadingNumber(text));
    if (!count || *count < 1 || *count > CardState::MaxCards)
        return std::nullopt;
    return count;
}

CardSetSaver::CardSetSaver(CardState &data) : m_data(data), m_writer(&CardState::writeRecord)
{
}

QStringList CardSetSaver::check(const SaveRequest &request) const
{
    QStringList problems;

    if (!cardCountFromText(request.countText)) {
        const QString typed = request.countText.trimmed();
        problems << (typed.isEmpty() ? QStringLiteral("かるたの枚数が入っていません。")
                                     : QStringLiteral("かるたの枚数「%1」は使えません。").arg(typed))
                        + QStringLiteral("1 から %1 までの数を入れてください。").arg(CardState::MaxCards);
    }

    // One line for all of them: a damaged file can spoil every label.
    QStringList unstorable;
    for (int k = 0; k < CardState::MaxCards; ++k) {
        if (fitLabel(request.labels[k]).state == LabelFit::Unstorable)
            unstorable << QStringLiteral("%1 番").arg(k + 1);
    }
    if (!unstorable.isEmpty())
        problems << QStringLiteral("%1 の文字には、%2 に記録できない文字（読み取れなかった文字や制御文字を含む）が含まれています。"
                                   "別の文字に直してください。")
                        .arg(unstorable.join(QStringLiteral("、")), QLatin1String(CardState::DataFileName));

    const QString folder = cleanFolder(request.folder);
    if (request.folder.trimmed().isEmpty()) {
        problems << QStringLiteral("かるたフォルダが決まっていません。") + ChooseAnother;
    } else if (!QDir::isAbsolutePath(folder) || !QFileInfo(folder).isDir()) {
        problems << QStringLiteral("かるたフォルダ「%1」が見つかりません。").arg(request.folder) + ChooseAnother;
    } else if (QDir(folder).isRoot()) {
        // The program never reads a card set from the root at start-up, so
        // one saved there would be lost at the next start.
        problems << QStringLiteral("ルートフォルダ「%1」はかるたフォルダにできません。").arg(folder) + ChooseAnother;
    } else if (const CardState::StoredPath stored = m_data.storablePath(folder); !stored.ok) {
        problems << stored.why + u'\n' + ChooseAnother;
    } else if (!m_data.folderIsWritable(folder)) {
        // The installed default set is the usual case: it belongs to the system.
        problems << QStringLiteral("かるたフォルダ「%1」には書き込めません（インストールされた標準の札のフォルダなど）。\n"
                                   "自分の札は、書き込めるフォルダにまとめてください。")
                        .arg(folder)
                        + ChooseAnother;
    }
    return problems;
}

CardSetSaver::Result CardSetSaver::save(const SaveRequest &request)
{
    const QStringList problems = check(request);
    if (!problems.isEmpty())
        return {Refused, QStringLiteral("保存できませんでした。\n\n") + problems.join(QStringLiteral("\n\n"))};

    const qint16 count = *cardCountFromText(request.countText);
    const QString folder = cleanFolder(request.folder);
    const QString storedFolder = m_data.storablePath(folder).text;
    const QString folderFile = m_data.folderFilePath();

    // Kept so that the folder file can be put back if the data file fails.
    const FileBefore before = readBefore(folderFile);
    if (!before.error.isEmpty())
        return {Failed, QStringLiteral("保存できませんでした。\n\n%1 を読み込めません（%2）。何も書き換えていません。")
                            .arg(folderFile, before.error)};

    QString error;
    QList<Touched> touched;
    if (!writeMedia(folder, request.media, &touched, &error))
        return {Failed, QStringLiteral("保存できませんでした。\n\n%1。").arg(error) + undoneText(touched)};

    // The folder file is written and closed before the data file is opened.
    if (!m_writer(folderFile, FolderRecord::forFolder(storedFolder).bytes(), &error)) {
        const QString undone = undoneText(touched);
        return {Failed, QStringLiteral("保存できませんでした。\n\n%1 を書き込めませんでした（%2）。%3")
                            .arg(folderFile, error, undone.isEmpty() ? QStringLiteral("何も書き換えていません。") : undone)};
    }

    const QString dataPath = folder + u'/' + QLatin1String(CardState::DataFileName);
    DataRecord record = existingDataRecord(dataPath);
    CardState::LabelTable labels = m_data.labels();
    for (int k = 1; k <= CardState::MaxCards; ++k) {
        record.setLabel(k, request.labels[k - 1]);
        labels[k] = request.labels[k - 1]; // the table keeps the text as typed
    }
    labels[0] = QString(QChar(SavedBlankLabel));
    record.setCount(count);

    if (!m_writer(dataPath, record.bytes(), &error)) {
        QString message = QStringLiteral("保存できませんでした。\n\nかるたフォルダ「%1」に %2 を書き込めませんでした（%3）。\n"
                                         "このフォルダには保存できません。")
                              .arg(folder, QLatin1String(CardState::DataFileName), error)
            + ChooseAnother;
        QString restoreError;
        if (restore(folderFile, before, &restoreError))
            message += QStringLiteral("\n（%1 は元に戻しました。）").arg(QLatin1String(CardState::FolderFileName));
        else
            message += QStringLiteral("\n\n%1 を元に戻せませんでした（%2）。次に起動したときには「%3」が使われます。")
                           .arg(folderFile, restoreError, folder);
        return {Failed, message + undoneText(touched)};
    }

    m_data.adoptSavedSet(folder, labels, count);
    return {Saved, {}};
}
