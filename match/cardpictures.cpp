#include "match/cardpictures.h"

#include "data/exifthumbnail.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cmath>

namespace {
// More than a few sets' worth of cards means the pictures come and go; then
// the oldest are not worth keeping.
constexpr int MaxKept = 200;
} // namespace

QImage CardPictures::fromThumbnail(const QString &path, QSize target) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray thumb = exif::thumbnail(file.read(exif::HeadBytes));
    file.close();
    if (thumb.isEmpty())
        return {};
    const QImage small = QImage::fromData(thumb, "JPEG");
    if (small.isNull() || small.width() < target.width() || small.height() < target.height())
        return {};
    // Some cameras letterbox a wide photo inside a 4:3 thumbnail: only a
    // thumbnail of the photo's own shape shows the same picture.
    const QSize photo = QImageReader(path).size();
    if (!photo.isValid())
        return {};
    const double photoShape = double(photo.width()) / photo.height();
    const double thumbShape = double(small.width()) / small.height();
    if (std::abs(thumbShape / photoShape - 1.0) > 0.02)
        return {};
    return small.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage CardPictures::load(const QString &path, QSize target)
{
    m_lastSource = Source::None;
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    const auto found = m_kept.constFind(path);
    if (found != m_kept.constEnd() && found->size == info.size() && found->modified == info.lastModified()
        && found->target == target) {
        m_lastSource = Source::Kept;
        return found->image;
    }

    QImage image = fromThumbnail(path, target);
    m_lastSource = Source::Thumbnail;
    if (image.isNull()) {
        QImageReader reader(path);
        // Decoded at the box's size, not the file's: the JPEG decoder then
        // skips most of the work.
        const QSize full = reader.size();
        if (full.isValid() && target.isValid() && full.width() > target.width() && full.height() > target.height())
            reader.setScaledSize(target);
        image = reader.read();
        m_lastSource = Source::Decoded;
    }
    if (image.isNull()) {
        m_lastSource = Source::None;
        m_kept.remove(path);
        return {};
    }
    if (m_kept.size() >= MaxKept)
        m_kept.clear();
    m_kept.insert(path, Kept{info.size(), info.lastModified(), target, image});
    return image;
}
