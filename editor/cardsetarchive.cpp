// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editor/cardsetarchive.h"

#include "data/cardstate.h"
#include "data/records.h"
#include "sound/audiodecode.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <stdio.h>
#include <unistd.h>

#include <memory>

namespace cardsetarchive {

namespace {

using ReadArchive = std::unique_ptr<archive, int (*)(archive *)>;

constexpr int MiB = 1024 * 1024;

Result refuse(Problem problem, const QString &reason)
{
    Result r;
    r.problem = problem;
    r.reason = reason;
    return r;
}

QString sizeText(qint64 bytes)
{
    return bytes >= MiB ? QStringLiteral("%1 MB").arg(bytes / MiB) : QStringLiteral("%1 KB").arg(bytes / 1024);
}

QString libarchiveError(archive *a)
{
    const char *text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("原因不明");
}

enum class Kind { Other, DataFile, Picture, Reading };

// The file a name stands for, in the one spelling the program looks for.
Kind kindOf(const QString &fileName, QString *canonical)
{
    static const QRegularExpression media(QStringLiteral("^karu(e|on)(0[1-9]|[1-4][0-9])\\.(jpg|wav)$"));
    const QString lower = fileName.toLower();
    if (lower == QLatin1String(CardState::DataFileName)) {
        *canonical = lower;
        return Kind::DataFile;
    }
    const QRegularExpressionMatch m = media.match(lower);
    if (!m.hasMatch() || (m.captured(1) == QLatin1String("e")) != (m.captured(3) == QLatin1String("jpg")))
        return Kind::Other;
    *canonical = lower;
    return m.captured(1) == QLatin1String("e") ? Kind::Picture : Kind::Reading;
}

QString dataFileProblem(const QByteArray &bytes)
{
    if (recordCount(bytes.size(), DataRecord::Size) == 0)
        return QStringLiteral("%1 バイトしかありません").arg(bytes.size());
    const qint16 count = DataRecord::fromBytes(bytes).count();
    if (count < 1 || count > CardState::MaxCards)
        return QStringLiteral("札の枚数が %1 です。1 から %2 のはずです").arg(count).arg(CardState::MaxCards);
    return {};
}

// Why the contents of a file of this kind would be refused, or empty.
QString contentProblem(Kind kind, const QByteArray &bytes, const PictureCheck &check, Problem *problem)
{
    QString why;
    switch (kind) {
    case Kind::DataFile:
        *problem = Problem::BadDataFile;
        why = dataFileProblem(bytes);
        break;
    case Kind::Picture:
        *problem = Problem::BadPicture;
        why = check(bytes);
        break;
    case Kind::Reading: {
        *problem = Problem::BadReading;
        // A reading that plays only in part would be a card that stops
        // mid-word in every match: it is refused.
        const audio::Clip clip = audio::decode(bytes);
        if (!clip.ok())
            why = clip.reason;
        else if (clip.source.partial)
            why = QStringLiteral("途中で切れています");
        break;
    }
    case Kind::Other:
        break;
    }
    return why;
}

QString contentReason(Kind kind, const QString &name, const QString &why)
{
    switch (kind) {
    case Kind::DataFile:
        return QStringLiteral("%1 が札の組のものではありません（%2）。").arg(name, why);
    case Kind::Picture:
        return QStringLiteral("写真「%1」を読めません（%2）。").arg(name, why);
    default:
        return QStringLiteral("読み「%1」を再生できません（%2）。").arg(name, why);
    }
}

bool writeSynced(const QString &path, const QByteArray &bytes, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.write(bytes) != bytes.size() || !file.flush()
        || ::fsync(file.handle()) != 0) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void syncFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Moves from to to, unless to exists (even as an empty folder, which a
// plain rename would replace). 0, or the errno.
int renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: check, then rename.
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        return EEXIST;
    return ::rename(f.constData(), t.constData()) == 0 ? 0 : errno;
}

// What an entry's name says about where it would go.
struct Place {
    QString unsafe;      // why the name is refused, or empty
    QStringList parts;   // the path without empty and "." parts
};

Place placeOf(const QByteArray &raw)
{
    Place p;
    const QString name = QString::fromUtf8(raw);
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (name.startsWith(u'/') || name.startsWith(u'\\') || drive.match(name).hasMatch()) {
        p.unsafe = QStringLiteral("絶対パス");
        return p;
    }
    // Some Windows programs separate with a backslash: it counts as one
    // for "..". It does not split folders, since it is also the second
    // byte of many a code page 932 character in an old zip's folder name.
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    if (name.split(separators).contains(QStringLiteral("..")))
        p.unsafe = QStringLiteral("「..」でフォルダの外を指す名前");
    for (const QString &part : name.split(u'/', Qt::SkipEmptyParts))
        if (part != QLatin1String("."))
            p.parts << part;
    return p;
}

// libarchive gives names in the thread's locale, and none at all for a
// UTF-8 name the locale cannot spell (the C locale): for as long as it
// lives, this thread's locale is C.UTF-8 whatever the user's is.
class Utf8Names
{
public:
    Utf8Names() : m_locale(::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr)))
    {
        if (m_locale)
            m_previous = ::uselocale(m_locale);
    }
    ~Utf8Names()
    {
        if (m_locale) {
            ::uselocale(m_previous);
            ::freelocale(m_locale);
        }
    }
    Utf8Names(const Utf8Names &) = delete;
    Utf8Names &operator=(const Utf8Names &) = delete;

private:
    locale_t m_locale;
    locale_t m_previous = LC_GLOBAL_LOCALE;
};

class Importer
{
public:
    Importer(archive *a, const PictureCheck &check) : m_archive(a), m_check(check) {}
    // The files passed over, kept apart from the result so that a refusal
    // still lists those found before it.
    const QList<Skipped> &skipped() const { return m_skipped; }

    // Unpacks every taken file into folder; fills result (taken, skipped,
    // or the refusal).
    void run(const QString &folder, Result &result)
    {
        QSet<QString> seen;
        QString topFolder;
        bool haveData = false;
        int entries = 0;
        qint64 total = 0;
        for (;;) {
            archive_entry *entry = nullptr;
            const int status = archive_read_next_header(m_archive, &entry);
            if (status == ARCHIVE_EOF)
                break;
            if (status < ARCHIVE_WARN) {
                result = refuse(entries == 0 ? Problem::NotArchive : Problem::Damaged,
                                entries == 0 ? QStringLiteral("ZIP ファイルとして読めません（%1）。").arg(libarchiveError(m_archive))
                                             : QStringLiteral("ZIP ファイルが壊れています（%1）。").arg(libarchiveError(m_archive)));
                return;
            }
            if (++entries > MaxEntries) {
                result = refuse(Problem::TooManyEntries, QStringLiteral("ファイルが多すぎます（%1 個まで）。").arg(MaxEntries));
                return;
            }
            const char *rawName = archive_entry_pathname(entry);
            if (!rawName)
                rawName = archive_entry_pathname_utf8(entry);
            const QByteArray raw = rawName ? QByteArray(rawName) : QByteArray();
            const QString shown = raw.isEmpty() ? QStringLiteral("（名前のないファイル）") : QString::fromUtf8(raw);
            const Place place = placeOf(raw);
            QString unsafe = place.unsafe;
            const mode_t type = archive_entry_filetype(entry);
            if (type == AE_IFLNK || archive_entry_hardlink(entry))
                unsafe = QStringLiteral("リンク");
            else if (type != AE_IFREG && type != AE_IFDIR)
                unsafe = QStringLiteral("特殊なファイル（デバイスなど）");
            if (!unsafe.isEmpty()) {
                result = refuse(Problem::Unsafe, QStringLiteral("「%1」は%2です。安全のため、この ZIP ファイルは読み込みません。").arg(shown, unsafe));
                return;
            }
            if (type == AE_IFDIR)
                continue;

            QString canonical;
            const Kind kind = place.parts.isEmpty() ? Kind::Other : kindOf(place.parts.last(), &canonical);
            QString skip;
            if (place.parts.size() > 2)
                skip = QStringLiteral("フォルダの奥にあります");
            else if (place.parts.size() == 2 && !topFolder.isEmpty() && place.parts.first() != topFolder)
                skip = QStringLiteral("2 つ目のフォルダにあります");
            else if (kind == Kind::Other)
                skip = QStringLiteral("札の組のファイルではありません");
            else if (seen.contains(canonical))
                skip = QStringLiteral("同じ名前のファイルが先にあります");
            if (!skip.isEmpty()) {
                m_skipped << Skipped{shown, skip};
                continue;
            }
            if (place.parts.size() == 2)
                topFolder = place.parts.first();
            seen.insert(canonical);

            if (archive_entry_is_encrypted(entry)) {
                result = refuse(Problem::Encrypted, QStringLiteral("「%1」は暗号化されていて読めません。").arg(shown));
                return;
            }
            const qint64 cap = kind == Kind::DataFile ? MaxDataFileBytes : MaxEntryBytes;
            QByteArray bytes;
            if (!readEntry(entry, cap, total, shown, bytes, result))
                return;
            total += bytes.size();
            Problem problem = Problem::None;
            const QString why = contentProblem(kind, bytes, m_check, &problem);
            if (!why.isEmpty()) {
                result = refuse(problem, contentReason(kind, shown, why));
                return;
            }
            QString error;
            if (!writeSynced(folder + u'/' + canonical, bytes, &error)) {
                result = refuse(Problem::WriteFailed, QStringLiteral("%1 を書き込めませんでした（%2）。").arg(canonical, error));
                return;
            }
            haveData = haveData || kind == Kind::DataFile;
            result.taken << canonical;
        }
        if (!haveData)
            result = refuse(Problem::NoDataFile, QStringLiteral("%1 が入っていません。札の組の ZIP ファイルではないようです。")
                                                     .arg(QLatin1String(CardState::DataFileName)));
    }

private:
    // The entry's bytes, read no further than one byte past its cap (and
    // the archive's), whatever its header says.
    bool readEntry(archive_entry *entry, qint64 cap, qint64 total, const QString &shown, QByteArray &bytes, Result &result)
    {
        auto tooLarge = [&] {
            result = refuse(Problem::TooLarge, QStringLiteral("「%1」が大きすぎます（%2 まで）。").arg(shown, sizeText(cap)));
            return false;
        };
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > cap)
            return tooLarge();
        // Room for what the header declares, which is no more than the cap:
        // a file read in pieces is not copied again each time it grows.
        if (archive_entry_size_is_set(entry))
            bytes.reserve(qsizetype(archive_entry_size(entry)));
        for (;;) {
            // The pieces are read where libarchive unpacked them.
            const void *piece = nullptr;
            size_t n = 0;
            la_int64_t at = 0;
            const int status = archive_read_data_block(m_archive, &piece, &n, &at);
            if (status == ARCHIVE_EOF)
                return true;
            if (status != ARCHIVE_OK || at != bytes.size()) {
                result = refuse(Problem::Damaged, QStringLiteral("ZIP ファイルの「%1」が壊れています（%2）。").arg(shown, libarchiveError(m_archive)));
                return false;
            }
            if (bytes.size() + qint64(n) > cap)
                return tooLarge();
            if (total + bytes.size() + qint64(n) > MaxTotalBytes) {
                result = refuse(Problem::TooLarge, QStringLiteral("中身が合わせて %1 を超えています。").arg(sizeText(MaxTotalBytes)));
                return false;
            }
            bytes.append(static_cast<const char *>(piece), qsizetype(n));
        }
    }

    archive *m_archive;
    const PictureCheck &m_check;
    QList<Skipped> m_skipped;
};

Result importFrom(const std::function<int(archive *)> &open, const QString &setsFolder, const QString &name,
                  const PictureCheck &check)
{
    if (const QString why = nameProblem(name); !why.isEmpty())
        return refuse(Problem::BadName, why);
    const QString target = setsFolder + u'/' + name;
    const QString exists = QStringLiteral("「%1」という札の組はもうあります。別の名前にしてください。").arg(name);
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return refuse(Problem::Exists, exists);
    if (!QDir().mkpath(setsFolder))
        return refuse(Problem::WriteFailed, QStringLiteral("フォルダ「%1」を作れませんでした。").arg(setsFolder));
    QTemporaryDir hidden(setsFolder + QStringLiteral("/.import-XXXXXX"));
    if (!hidden.isValid())
        return refuse(Problem::WriteFailed, QStringLiteral("フォルダ「%1」に書き込めませんでした（%2）。").arg(setsFolder, hidden.errorString()));

    const Utf8Names utf8;
    ReadArchive a(archive_read_new(), archive_read_free);
    // The central directory is what every unzip program goes by; the local
    // headers, which may tell another story, are not trusted for names.
    archive_read_support_format_zip_seekable(a.get());
    Result result;
    if (open(a.get()) != ARCHIVE_OK)
        return refuse(Problem::NotArchive, QStringLiteral("ZIP ファイルとして読めません（%1）。").arg(libarchiveError(a.get())));
    Importer importer(a.get(), check);
    importer.run(hidden.path(), result);
    result.skipped = importer.skipped();
    if (!result.ok())
        return result;

    syncFolder(hidden.path());
    // QTemporaryDir makes its folder private to the user; a set is as
    // readable as any other folder the user makes.
    QFile::setPermissions(hidden.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                             | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    if (const int error = renameNoReplace(hidden.path(), target); error == EEXIST || error == ENOTEMPTY)
        return refuse(Problem::Exists, exists);
    else if (error != 0)
        return refuse(Problem::WriteFailed, QStringLiteral("「%1」を作れませんでした（%2）。").arg(target, QString::fromLocal8Bit(strerror(error))));
    hidden.setAutoRemove(false);
    syncFolder(setsFolder);
    result.path = target;
    return result;
}

// libarchive writes the archive through this into a QSaveFile.
la_ssize_t writeToSaveFile(archive *, void *file, const void *data, size_t size)
{
    const qint64 n = static_cast<QSaveFile *>(file)->write(static_cast<const char *>(data), qint64(size));
    return n == qint64(size) ? la_ssize_t(n) : -1;
}

} // namespace

QString nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("札の組の名前が空です。");
    if (name != name.trimmed())
        return QStringLiteral("札の組の名前の前後に空白があります。");
    if (name.startsWith(u'.'))
        return QStringLiteral("札の組の名前を「.」で始めることはできません。");
    for (const QChar c : name)
        if (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control)
            return QStringLiteral("札の組の名前に「/」「\\」や制御文字は使えません。");
    if (name.toUtf8().size() > 255)
        return QStringLiteral("札の組の名前が長すぎます。");
    return {};
}

Result importFile(const QString &zipPath, const QString &setsFolder, const QString &name, const PictureCheck &check)
{
    const QByteArray path = QFile::encodeName(zipPath);
    return importFrom([&](archive *a) { return archive_read_open_filename(a, path.constData(), 64 * 1024); },
                      setsFolder, name, check);
}

Result importBytes(const QByteArray &zip, const QString &setsFolder, const QString &name, const PictureCheck &check)
{
    return importFrom([&](archive *a) { return archive_read_open_memory(a, zip.constData(), size_t(zip.size())); },
                      setsFolder, name, check);
}

Result exportSet(const QString &folder, const QString &zipPath, const PictureCheck &check)
{
    struct File {
        QString name;
        QByteArray bytes;
        QDateTime modified;
    };
    QList<File> files;
    Result result;
    qint64 total = 0;
    auto take = [&](const QString &name, Kind kind) {
        QFile file(folder + u'/' + name);
        if (!file.exists())
            return true;
        const qint64 cap = kind == Kind::DataFile ? MaxDataFileBytes : MaxEntryBytes;
        QString why;
        QByteArray bytes;
        if (!file.open(QIODevice::ReadOnly))
            why = file.errorString();
        else if (file.size() > cap)
            why = QStringLiteral("%1 を超えています").arg(sizeText(cap));
        else if ((bytes = file.read(cap + 1)).size() > cap || file.error() != QFileDevice::NoError)
            why = file.errorString();
        Problem problem = Problem::None;
        if (why.isEmpty())
            why = contentProblem(kind, bytes, check, &problem);
        if (!why.isEmpty()) {
            if (kind == Kind::DataFile) {
                result = refuse(Problem::BadDataFile, contentReason(kind, name, why));
                return false;
            }
            result.skipped << Skipped{name, why};
            return true;
        }
        total += bytes.size();
        files << File{name, bytes, QFileInfo(file).lastModified()};
        return true;
    };
    const QString dataFile = QLatin1String(CardState::DataFileName);
    if (!QFileInfo::exists(folder + u'/' + dataFile))
        return refuse(Problem::NoDataFile, QStringLiteral("「%1」に %2 がありません。").arg(folder, dataFile));
    if (!take(dataFile, Kind::DataFile))
        return result;
    for (int n = 1; n <= CardState::MaxCards; ++n) {
        take(QStringLiteral("karue%1.jpg").arg(CardState::cardNumberText(n)), Kind::Picture);
        take(QStringLiteral("karuon%1.wav").arg(CardState::cardNumberText(n)), Kind::Reading);
    }
    if (total > MaxTotalBytes)
        return refuse(Problem::TooLarge, QStringLiteral("札の組が合わせて %1 を超えています。").arg(sizeText(MaxTotalBytes)));

    // One folder in the archive, so that unpacking it by hand makes one
    // folder and not a hundred files.
    QString top = QFileInfo(QDir::cleanPath(folder)).fileName();
    if (top.isEmpty() || !nameProblem(top).isEmpty())
        top = QStringLiteral("karuta");

    const Utf8Names utf8;
    QSaveFile out(zipPath);
    if (!out.open(QIODevice::WriteOnly))
        return refuse(Problem::WriteFailed, QStringLiteral("「%1」に書き込めません（%2）。").arg(zipPath, out.errorString()));
    std::unique_ptr<archive, int (*)(archive *)> a(archive_write_new(), archive_write_free);
    archive_write_set_format_zip(a.get());
    // Names marked as UTF-8, so that a Japanese folder name reads right
    // everywhere.
    archive_write_set_format_option(a.get(), "zip", "hdrcharset", "UTF-8");
    QString error;
    if (archive_write_open2(a.get(), &out, nullptr, writeToSaveFile, nullptr, nullptr) != ARCHIVE_OK)
        error = libarchiveError(a.get());
    for (const File &f : std::as_const(files)) {
        if (!error.isEmpty())
            break;
        std::unique_ptr<archive_entry, void (*)(archive_entry *)> e(archive_entry_new(), archive_entry_free);
        archive_entry_set_pathname_utf8(e.get(), (top + u'/' + f.name).toUtf8().constData());
        archive_entry_set_filetype(e.get(), AE_IFREG);
        archive_entry_set_perm(e.get(), 0644);
        archive_entry_set_size(e.get(), f.bytes.size());
        archive_entry_set_mtime(e.get(), f.modified.toSecsSinceEpoch(), 0);
        // A JPEG does not shrink; a WAV does a little.
        if (f.name.endsWith(QLatin1String(".jpg")))
            archive_write_zip_set_compression_store(a.get());
        else
            archive_write_zip_set_compression_deflate(a.get());
        if (archive_write_header(a.get(), e.get()) != ARCHIVE_OK
            || archive_write_data(a.get(), f.bytes.constData(), size_t(f.bytes.size())) != f.bytes.size())
            error = libarchiveError(a.get());
        else
            result.taken << f.name;
    }
    if (error.isEmpty() && archive_write_close(a.get()) != ARCHIVE_OK)
        error = libarchiveError(a.get());
    if (!error.isEmpty() || !out.commit()) {
        out.cancelWriting();
        return refuse(Problem::WriteFailed, QStringLiteral("「%1」を書き込めませんでした（%2）。")
                                                .arg(zipPath, error.isEmpty() ? out.errorString() : error));
    }
    result.path = zipPath;
    return result;
}

} // namespace cardsetarchive
