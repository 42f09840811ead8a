#include "data/exifthumbnail.h"

#include <QtEndian>

namespace exif {

namespace {
// Reads the TIFF structure of an Exif block, every offset checked against
// its size: the block comes from whatever file the user put there.
class Tiff
{
public:
    explicit Tiff(QByteArrayView data) : m_data(data)
    {
        if (data.size() >= 8 && data.first(2) == "II")
            m_little = true;
        else if (data.size() >= 8 && data.first(2) == "MM")
            m_little = false;
        else
            return;
        m_ok = u16(2) == 42;
    }

    bool ok() const { return m_ok; }
    qsizetype size() const { return m_data.size(); }
    bool has(qint64 offset, qint64 length) const { return offset >= 0 && length >= 0 && offset + length <= m_data.size(); }

    quint32 u16(qint64 at) const
    {
        const auto *p = reinterpret_cast<const uchar *>(m_data.data() + at);
        return m_little ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p);
    }
    quint32 u32(qint64 at) const
    {
        const auto *p = reinterpret_cast<const uchar *>(m_data.data() + at);
        return m_little ? qFromLittleEndian<quint32>(p) : qFromBigEndian<quint32>(p);
    }
    // The value of a SHORT or LONG entry, or -1.
    qint64 value(qint64 entry) const
    {
        const quint32 type = u16(entry + 2);
        if (u32(entry + 4) != 1)
            return -1;
        if (type == 3)
            return u16(entry + 8);
        if (type == 4)
            return u32(entry + 8);
        return -1;
    }
    QByteArray bytes(qint64 offset, qint64 length) const { return m_data.sliced(offset, length).toByteArray(); }

private:
    QByteArrayView m_data;
    bool m_little = true;
    bool m_ok = false;
};

QByteArray fromTiff(QByteArrayView block)
{
    const Tiff tiff(block);
    if (!tiff.ok())
        return {};
    // IFD0 describes the photo; the IFD after it, the thumbnail.
    const qint64 ifd0 = tiff.u32(4);
    if (!tiff.has(ifd0, 2))
        return {};
    const qint64 entries0 = tiff.u16(ifd0);
    const qint64 next = ifd0 + 2 + 12 * entries0;
    if (!tiff.has(next, 4))
        return {};
    const qint64 ifd1 = tiff.u32(next);
    if (ifd1 == 0 || ifd1 == ifd0 || !tiff.has(ifd1, 2))
        return {};
    const qint64 entries1 = tiff.u16(ifd1);
    if (!tiff.has(ifd1 + 2, 12 * entries1))
        return {};
    qint64 offset = -1, length = -1;
    for (qint64 i = 0; i < entries1; ++i) {
        const qint64 entry = ifd1 + 2 + 12 * i;
        const quint32 tag = tiff.u16(entry);
        if (tag == 0x0201)
            offset = tiff.value(entry);
        else if (tag == 0x0202)
            length = tiff.value(entry);
    }
    if (offset <= 0 || length < 4 || !tiff.has(offset, length))
        return {};
    QByteArray thumb = tiff.bytes(offset, length);
    // A JPEG from start to end marker, nothing else.
    if (!thumb.startsWith("\xFF\xD8") || !thumb.endsWith("\xFF\xD9"))
        return {};
    return thumb;
}
} // namespace

QByteArray thumbnail(const QByteArray &head)
{
    if (!head.startsWith("\xFF\xD8"))
        return {};
    qsizetype pos = 2;
    // The Exif block is one of the application segments before the picture
    // data starts.
    while (pos + 4 <= head.size()) {
        if (uchar(head[pos]) != 0xFF)
            return {};
        const uchar marker = uchar(head[pos + 1]);
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // picture data, or the end
            return {};
        const qsizetype length = qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(head.constData() + pos + 2));
        if (length < 2)
            return {};
        if (marker == 0xE1 && length >= 8 && pos + 2 + length <= head.size()
            && QByteArrayView(head).sliced(pos + 4, 6) == QByteArrayView("Exif\0\0", 6)) {
            return fromTiff(QByteArrayView(head).sliced(pos + 10, length - 8));
        }
        pos += 2 + length;
    }
    return {};
}

} // namespace exif
