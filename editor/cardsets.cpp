// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/cardsets.h"

#include "data/cardstate.h"
#include "data/cp932.h"
#include "data/records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace cardsets {

namespace {
// Characters no folder name may hold on one of the systems a set may be
// copied to (a memory stick formatted for another system included).
const QString Forbidden = QStringLiteral("/\\:*?\"<>|");

// Makes a set in a hidden folder of root, then renames it to name. fill
// puts the files in; it returns an error text, empty when all went well.
template <class Fill>
Outcome makeSet(const QString &root, const QString &name, Fill fill)
{
    Outcome out;
    if (!QDir().mkpath(root)) {
        out.error = QStringLiteral("札の組のフォルダ「%1」を作れませんでした。").arg(root);
        return out;
    }
    QTemporaryDir staging(root + QStringLiteral("/.new-XXXXXX"));
    if (!staging.isValid()) {
        out.error = QStringLiteral("「%1」に書き込めませんでした（%2）。").arg(root, staging.errorString());
        return out;
    }
    out.error = fill(staging.path());
    if (!out.ok())
        return out;
    const QString folder = root + u'/' + name;
    // rename(2) would put a new set in place of an empty folder made by
    // someone else meanwhile: look once more just before.
    if (QFileInfo::exists(folder) || !QDir().rename(staging.path(), folder)) {
        out.error = QStringLiteral("「%1」を作れませんでした。同じ名前のフォルダができていないか確かめてください。").arg(folder);
        return out;
    }
    staging.setAutoRemove(false);
    out.folder = folder;
    return out;
}

QString writeData(const QString &folder, const QByteArray &record)
{
    QString error;
    if (!CardState::writeRecord(folder + u'/' + QLatin1String(CardState::DataFileName), record, &error))
        return QStringLiteral("%1 を書き込めませんでした（%2）。").arg(QLatin1String(CardState::DataFileName), error);
    return {};
}

// "1〜3、5" for 1, 2, 3, 5.
QString cardRanges(const QList<int> &cards)
{
    QStringList parts;
    for (int i = 0; i < cards.size();) {
        int j = i;
        while (j + 1 < cards.size() && cards[j + 1] == cards[j] + 1)
            ++j;
        parts << (j > i ? QStringLiteral("%1〜%2").arg(cards[i]).arg(cards[j]) : QString::number(cards[i]));
        i = j + 1;
    }
    return parts.join(QStringLiteral("、"));
}
} // namespace

QString defaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/sets");
}

QString nameProblem(const CardState &data, const QString &root, const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("名前を入れてください。");
    if (name != name.trimmed())
        return QStringLiteral("名前の前後に空白は入れられません。");
    for (const QChar c : name) {
        if (Forbidden.contains(c) || c.category() == QChar::Other_Control)
            return QStringLiteral("名前に「%1」は使えません（使えない文字：%2）。")
                .arg(c.category() == QChar::Other_Control ? QStringLiteral("制御文字") : QString(c), Forbidden);
    }
    if (name.startsWith(u'.'))
        return QStringLiteral("「.」で始まる名前は使えません。");
    if (!cp932::canEncode(name))
        return QStringLiteral("名前に %1 に記録できない文字が含まれています。").arg(QLatin1String(CardState::FolderFileName));
    const QString folder = QDir::cleanPath(root) + u'/' + name;
    if (!data.storablePath(folder).ok) {
        // The longest name that karupath.dat can hold here, in half-width
        // characters: a set in the user's sets folder is stored by its
        // name (CardState::SetsMarker), one elsewhere by its whole path.
        int room = FolderRecord::PathWidth;
        while (room > 0 && !data.storablePath(QDir::cleanPath(root) + u'/' + QString(room, u'x')).ok)
            --room;
        if (room == 0)
            return QStringLiteral("札の組を置くフォルダ「%1」の名前が長すぎて、%2 に記録できません。")
                .arg(root, QLatin1String(CardState::FolderFileName));
        return QStringLiteral("名前が長すぎます。札の組の名前は %1 に記録できる長さ、"
                              "半角 %2 文字（全角 %3 文字）までです。")
            .arg(QLatin1String(CardState::FolderFileName))
            .arg(room)
            .arg(room / 2);
    }
    if (QFileInfo::exists(folder))
        return QStringLiteral("「%1」という札の組はもうあります。別の名前にしてください。").arg(name);
    return {};
}

Outcome create(const QString &root, const QString &name, int count)
{
    return makeSet(root, name, [count](const QString &staging) {
        DataRecord record; // every label empty
        record.setCount(qint16(qBound(1, count, CardState::MaxCards)));
        return writeData(staging, record.bytes());
    });
}

Outcome duplicate(const QString &root, const QString &name, const QString &from, const QByteArray &dataRecord)
{
    return makeSet(root, name, [&from, &dataRecord](const QString &staging) -> QString {
        const QString data = from + u'/' + QLatin1String(CardState::DataFileName);
        const bool hasData = CardState::readStoredSet(from).has_value();
        if (hasData ? !QFile::copy(data, staging + u'/' + QLatin1String(CardState::DataFileName))
                    : !writeData(staging, dataRecord).isEmpty())
            return QStringLiteral("%1 を写せませんでした。").arg(data);
        for (int n = 1; n <= CardState::MaxCards; ++n) {
            for (const QString &source : {CardState::picturePathIn(from, n), CardState::soundPathIn(from, n)}) {
                if (QFileInfo(source).isFile() && !QFile::copy(source, staging + u'/' + QFileInfo(source).fileName()))
                    return QStringLiteral("%1 を写せませんでした。").arg(source);
            }
        }
        return QString();
    });
}

Missing missingMedia(const QString &folder, int count)
{
    Missing missing;
    auto present = [](const QString &path) {
        const QFileInfo info(path);
        return info.isFile() && info.size() > 0;
    };
    for (int n = 1; n <= qMin(count, int(CardState::MaxCards)); ++n) {
        if (!present(CardState::picturePathIn(folder, n)))
            missing.pictures << n;
        if (!present(CardState::soundPathIn(folder, n)))
            missing.readings << n;
    }
    return missing;
}

QString missingText(const Missing &missing)
{
    QStringList lines;
    if (!missing.pictures.isEmpty())
        lines << QStringLiteral("写真のない札：%1 枚（%2 番）").arg(missing.pictures.size()).arg(cardRanges(missing.pictures));
    if (!missing.readings.isEmpty())
        lines << QStringLiteral("音声のない札：%1 枚（%2 番）").arg(missing.readings.size()).arg(cardRanges(missing.readings));
    return lines.join(u'\n');
}

} // namespace cardsets
