#pragma once

// Card pictures at the size of their box, for the match table. A camera
// photo is shown from the thumbnail the camera stored in it when that is big
// enough; any other picture is decoded at box size. Each result is kept, so
// that the next match lays out the same cards at once, until its file
// changes.

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>

class CardPictures
{
public:
    // The picture of the file at the given size in device pixels, or a null
    // image when it cannot be read.
    QImage load(const QString &path, QSize target);

    // How the last load() got its picture, for tests and benchmarks.
    enum class Source { None, Kept, Thumbnail, Decoded };
    Source lastSource() const { return m_lastSource; }

    void clear() { m_kept.clear(); }

private:
    QImage fromThumbnail(const QString &path, QSize target) const;

    struct Kept {
        qint64 size = -1;
        QDateTime modified;
        QSize target;
        QImage image;
    };
    QHash<QString, Kept> m_kept;
    Source m_lastSource = Source::None;
};
