// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "data/cardstate.h"

#include "data/cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
CardState::BeforeCommitHook beforeCommitHook = nullptr;

// The default set: the kana in あいう order without ん, then 銀.
constexpr char16_t DefaultLabels[] = u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを銀";
static_assert(std::size(DefaultLabels) - 1 == CardState::DefaultCount);

QString cleanFolder(const QString &folder)
{
    QString f = QDir::cleanPath(folder);
    while (f.size() > 1 && f.endsWith(u'/'))
        f.chop(1);
    return f;
}
} // namespace

CardState::CardState(const QString &programFolder, const QString &configFolder, const QString &setsFolder)
    : m_programFolder(cleanFolder(programFolder)),
      m_configFolder(configFolder.isEmpty() ? QString() : cleanFolder(configFolder)),
      m_setsFolder(setsFolder.isEmpty() ? QString() : cleanFolder(setsFolder))
{
}

bool CardState::fileSystemAllowsWriting(const QString &folder)
{
    // Asks for this user's rights (access(2)), so a read-only mount says no
    // and root, who may write anywhere else, says yes.
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

bool CardState::folderIsWritable(const QString &folder) const
{
    return m_writableProbe ? m_writableProbe(folder) : fileSystemAllowsWriting(folder);
}

QString CardState::defaultCardFolder() const
{
    return m_programFolder + u'/' + QLatin1String(DefaultFolderName);
}

void CardState::loadCardFolder()
{
    // An installed copy's folder belongs to the system, so the user's choice
    // of card folder is kept in the user's own config folder instead.
    const bool inConfigFolder = !m_configFolder.isEmpty() && !folderIsWritable(m_programFolder);
    m_folderFilePath = (inConfigFolder ? m_configFolder : m_programFolder) + u'/' + QLatin1String(FolderFileName);
    openFolderFile();
    // A read-only copy may come with a karupath.dat of its own (a
    // write-protected portable copy, or one an administrator set up). Its
    // card folder holds until the user saves a set, which goes to the
    // config folder and wins from then on.
    QString source = m_folderFilePath;
    if (inConfigFolder && m_folderFileRecords == 0 && m_readError.isEmpty() && !QFile::exists(m_folderFilePath)) {
        const QString beside = m_programFolder + u'/' + QLatin1String(FolderFileName);
        readFolderFile(beside);
        if (m_folderFileRecords >= 1 && m_readError.isEmpty())
            source = beside;
        else
            readFolderFile(m_folderFilePath);
    }

    if (!m_readError.isEmpty()) {
        // Unreadable is not empty: never write over a file we could not read.
        m_cardFolder = defaultCardFolder();
        notify(Notice::ReadFailed,
               QStringLiteral("%1 を読み込めませんでした（%2）。\n"
                              "今回は標準のかるたフォルダ「%3」を使います。")
                   .arg(source, m_readError, m_cardFolder));
    } else if (m_folderFileRecords >= 1) {
        const QString stored = m_folderRecord.folder();
        const QString folder = stored.isEmpty() ? QString() : resolveStoredPath(stored);
        // The root is never a card folder: a cut or empty path must not lead
        // to karudata.dat being created there.
        if (folder.isEmpty() || !QFileInfo(folder).isDir() || QDir(folder).isRoot()) {
            // Leave the file alone: the folder may be on a drive that is
            // simply not mounted today.
            m_cardFolder = defaultCardFolder();
            if (m_folderRecord.length() < 0)
                notify(Notice::FolderMissing,
                       QStringLiteral("%1 に記録された長さ（%2）が正しくないため、かるたフォルダが分かりません。\n"
                                      "今回は標準のかるたフォルダ「%3」を使います（%1 は書き換えません）。")
                           .arg(source)
                           .arg(m_folderRecord.length())
                           .arg(m_cardFolder));
            else if (stored.isEmpty())
                notify(Notice::FolderMissing,
                       QStringLiteral("%1 にかるたフォルダが記録されていません。\n"
                                      "今回は標準のかるたフォルダ「%2」を使います（%1 は書き換えません）。")
                           .arg(source, m_cardFolder));
            else
                notify(Notice::FolderMissing,
                       QStringLiteral("かるたフォルダ「%1」が見つかりません。\n"
                                      "今回は標準のかるたフォルダ「%2」を使います（%3 は書き換えません）。")
                           .arg(folder.isEmpty() ? stored : folder, m_cardFolder, source));
        } else {
            m_cardFolder = cleanFolder(folder);
        }
    } else {
        m_cardFolder = defaultCardFolder();
        const StoredPath stored = storablePath(m_cardFolder);
        QString error;
        // The config folder is the program's own to make; the program folder never is.
        if (inConfigFolder)
            QDir().mkpath(m_configFolder);
        if (!stored.ok)
            notify(Notice::PathNotStorable, stored.why);
        else if (!writeRecord(m_folderFilePath, FolderRecord::forFolder(stored.text).bytes(), &error))
            notify(Notice::WriteFailed,
                   QStringLiteral("%1 を書き込めませんでした（%2）。\n"
                                  "今回は標準のかるたフォルダ「%3」を使います。")
                       .arg(m_folderFilePath, error, m_cardFolder));
    }

    m_cardDataPath = m_cardFolder + u'/' + QLatin1String(DataFileName);
    loadCardData();
}

void CardState::loadCardData()
{
    openDataFile();
    if (!m_readError.isEmpty()) {
        setDefaultLabels();
        notify(Notice::ReadFailed,
               QStringLiteral("%1 を読み込めませんでした（%2）。\n"
                              "今回は標準の %3 枚のかるたで続けます（ファイルは書き換えません）。")
                   .arg(m_cardDataPath, m_readError)
                   .arg(DefaultCount));
        return;
    }
    if (m_dataFileRecords == 0) {
        createCardData();
        return;
    }
    for (int k = 1; k <= MaxCards; ++k)
        m_labels[k] = m_dataRecord.label(k);
    const qint16 stored = m_dataRecord.count();
    m_cardCount = qint16(qBound(1, int(stored), MaxCards));
    if (m_cardCount != stored)
        notify(Notice::CountOutOfRange,
               QStringLiteral("%1 に記録されたかるたの枚数 %2 は 1～%3 の範囲にありません。\n"
                              "今回は %4 枚として扱います（ファイルは書き換えません）。")
                   .arg(m_cardDataPath)
                   .arg(stored)
                   .arg(MaxCards)
                   .arg(m_cardCount));
}

void CardState::createCardData()
{
    setDefaultLabels();
    openDataFile();
    DataRecord record = m_dataRecord;
    for (int k = 1; k <= MaxCards; ++k)
        record.setLabel(k, m_labels[k]);
    record.setCount(m_cardCount);
    QString error;
    if (!writeRecord(m_cardDataPath, record.bytes(), &error))
        notify(Notice::WriteFailed,
               QStringLiteral("%1 を書き込めませんでした（%2）。\n"
                              "今回は標準の %3 枚のかるたで続けます。")
                   .arg(m_cardDataPath, error)
                   .arg(DefaultCount));
}

void CardState::setDefaultLabels()
{
    m_cardCount = DefaultCount;
    m_labels[0] = QStringLiteral(" ");
    for (int k = 1; k <= DefaultCount; ++k)
        m_labels[k] = QString(QChar(DefaultLabels[k - 1]));
    for (int k = DefaultCount + 1; k <= MaxCards; ++k)
        m_labels[k] = QStringLiteral(" ");
}

void CardState::openFolderFile()
{
    readFolderFile(m_folderFilePath);
}

void CardState::readFolderFile(const QString &path)
{
    QByteArray head;
    const qint64 size = readHead(path, FolderRecord::Size, &head);
    m_folderFileRecords = recordCount(size, FolderRecord::Size);
    m_folderRecord = FolderRecord::fromBytes(m_folderFileRecords ? QByteArrayView(head) : QByteArrayView());
}

void CardState::openDataFile()
{
    QByteArray head;
    const qint64 size = readHead(m_cardDataPath, DataRecord::Size, &head);
    m_dataFileRecords = recordCount(size, DataRecord::Size);
    // A file that counts as empty is replaced by a whole record when written;
    // a short one that counts reads its missing bytes as spaces.
    m_dataRecord = DataRecord::fromBytes(m_dataFileRecords ? QByteArrayView(head) : QByteArrayView());
}

qint64 CardState::readHead(const QString &path, int recordSize, QByteArray *head)
{
    head->clear();
    m_readError.clear();
    QFile file(path);
    if (!file.exists())
        return 0;
    if (!file.open(QIODevice::ReadOnly)) {
        m_readError = file.errorString();
        return 0;
    }
    // Only record 1 is used; the rest of a large file is not read.
    *head = file.read(recordSize);
    return file.size();
}

QList<CardState::Notice> CardState::takeNotices()
{
    return std::exchange(m_notices, {});
}

void CardState::notify(Notice::Kind kind, const QString &text)
{
    m_notices.append(Notice{kind, text});
}

QString CardState::cardNumberText(int n)
{
    return QString::number(n + 100).right(2);
}

QString CardState::cardPicturePath(int n) const
{
    return picturePathIn(m_cardFolder, n);
}

QString CardState::picturePathIn(const QString &folder, int n)
{
    return folder + QStringLiteral("/karue") + cardNumberText(n) + QStringLiteral(".jpg");
}

QString CardState::missingCardFolderText() const
{
    if (QFileInfo(m_cardFolder).isDir())
        return {};
    return QStringLiteral("かるたフォルダ「%1」が見つかりません。").arg(QDir::toNativeSeparators(m_cardFolder));
}

QString CardState::cardSoundPath(int n) const
{
    return soundPathIn(m_cardFolder, n);
}

QString CardState::soundPathIn(const QString &folder, int n)
{
    return folder + QStringLiteral("/karuon") + cardNumberText(n) + QStringLiteral(".wav");
}

namespace {
// The path of folder from inside base, or empty when it does not lie there.
QString pathInside(const QString &base, const QString &folder)
{
    if (base.isEmpty())
        return {};
    const QString relative = QDir(base).relativeFilePath(folder);
    if (QDir::isAbsolutePath(relative) || relative == u".." || relative.startsWith(QStringLiteral("../")))
        return {};
    return relative;
}

bool fitsFolderField(const QString &text)
{
    return !text.isEmpty() && cp932::canEncode(text) && cp932::byteLength(text) <= FolderRecord::PathWidth;
}
} // namespace

CardState::StoredPath CardState::storablePath(const QString &folder) const
{
    StoredPath result;
    const QString path = cleanFolder(folder);
    // Inside the program folder the path from there may fit where the whole
    // one does not: too long, or with a character code page 932 lacks in
    // the folder names above it (a program folder under "José", say). A
    // folder there whose name starts with '<' would read back as marked.
    const QString fromProgram = pathInside(m_programFolder, path);
    // The user's own sets lie deep in the home folder
    // (~/.local/share/ginrei-karuta/sets/…): from there, a name has room.
    const QString fromSets = pathInside(m_setsFolder, path);
    const QString marked = fromSets.isEmpty() ? QString() : QLatin1String(SetsMarker) + u'/' + fromSets;
    for (const QString &form : {path, fromProgram.startsWith(u'<') ? QString() : fromProgram, marked}) {
        if (fitsFolderField(form)) {
            result.ok = true;
            result.text = form;
            return result;
        }
    }
    if (!cp932::canEncode(path)) {
        result.why = QStringLiteral("フォルダ名「%1」には %2 に記録できない文字が含まれています。")
                         .arg(path, QLatin1String(FolderFileName));
        return result;
    }
    result.why = QStringLiteral("フォルダ「%1」のパスは長すぎて %2 に記録できません"
                                "（記録できるのは %3 バイトまでです。プログラムのフォルダか札の組のフォルダの中なら、"
                                "そこからの相対パスで記録します）。")
                     .arg(path, QLatin1String(FolderFileName))
                     .arg(FolderRecord::PathWidth);
    return result;
}

QString CardState::resolveStoredPath(const QString &stored) const
{
    const QString marker = QLatin1String(SetsMarker) + u'/';
    if (stored.startsWith(marker))
        return m_setsFolder.isEmpty() ? QString() : cleanFolder(m_setsFolder + u'/' + stored.mid(marker.size()));
    if (QDir::isAbsolutePath(stored))
        return cleanFolder(stored);
    return cleanFolder(m_programFolder + u'/' + stored);
}

bool CardState::writeRecord(const QString &path, const QByteArray &record, QString *error)
{
    // Keep whatever follows record 1 in an existing file.
    QByteArray contents = record;
    {
        QFile existing(path);
        if (existing.exists() && existing.open(QIODevice::ReadOnly) && existing.size() > record.size()) {
            existing.seek(record.size());
            contents += existing.readAll();
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(contents) != contents.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (beforeCommitHook)
        beforeCommitHook(path);
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void CardState::setBeforeCommitHook(BeforeCommitHook hook)
{
    beforeCommitHook = hook;
}

std::optional<CardState::StoredSet> CardState::readStoredSet(const QString &folder)
{
    QFile file(folder + u'/' + QLatin1String(DataFileName));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(DataRecord::Size);
    if (recordCount(file.size(), DataRecord::Size) == 0)
        return std::nullopt;
    const DataRecord record = DataRecord::fromBytes(head);
    StoredSet set;
    for (int k = 1; k <= MaxCards; ++k)
        set.labels[k] = record.label(k);
    set.count = qint16(qBound(1, int(record.count()), int(MaxCards)));
    return set;
}

void CardState::adoptSavedSet(const QString &cardFolder, const LabelTable &labels, qint16 count)
{
    m_cardFolder = cleanFolder(cardFolder);
    m_cardDataPath = m_cardFolder + u'/' + QLatin1String(DataFileName);
    m_labels = labels;
    m_cardCount = count;
}
