#include "RtfPicture.h"

#include "RtfKeyword.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

namespace {
constexpr double TwipsPerPixel = 15.0;
// Pictures larger than this on screen are certainly damaged values.
constexpr double MaxPixels = 20000;
} // namespace

void RtfPicture::reset()
{
    *this = RtfPicture();
}

void RtfPicture::controlWord(int id, int parameter)
{
    const int size = std::clamp(parameter, 0, 1 << 20);
    switch (id) {
    case RtfKeyword::PngBlip:
        m_type = Type::Png;
        break;
    case RtfKeyword::JpegBlip:
        m_type = Type::Jpeg;
        break;
    case RtfKeyword::OtherBlip:
        m_type = Type::Other;
        break;
    case RtfKeyword::PicWidth:
        m_width = size;
        break;
    case RtfKeyword::PicHeight:
        m_height = size;
        break;
    case RtfKeyword::PicWidthGoal:
        m_goalWidth = size;
        break;
    case RtfKeyword::PicHeightGoal:
        m_goalHeight = size;
        break;
    case RtfKeyword::PicScaleX:
        m_scaleX = std::clamp(parameter, 1, 1000);
        break;
    case RtfKeyword::PicScaleY:
        m_scaleY = std::clamp(parameter, 1, 1000);
        break;
    default:
        break;
    }
}

void RtfPicture::appendHex(QByteArrayView hex)
{
    // Data of formats that are not shown is not kept.
    if (isWanted())
        m_hex.append(hex);
}

void RtfPicture::appendBinary(QByteArrayView bytes)
{
    if (isWanted())
        m_binary.append(bytes);
}

QByteArray RtfPicture::data() const
{
    return m_binary.isEmpty() ? QByteArray::fromHex(m_hex) : m_binary;
}

QImage RtfPicture::image() const
{
    if (!isWanted())
        return QImage();
    QImage image;
    image.loadFromData(data(), format());
    return image;
}

QSize RtfPicture::sourceSize() const
{
    if (!isWanted())
        return QSize();
    QByteArray bytes = data();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, format());
    return reader.size();
}

QImage RtfPicture::image(const QSize &size) const
{
    if (!isWanted())
        return QImage();
    QByteArray bytes = data();
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, format());
    const QSize source = reader.size();
    if (source.isValid() && size.isValid() && size != source)
        reader.setScaledSize(size);
    return reader.read();
}

QSizeF RtfPicture::displaySize(const QSize &source) const
{
    const double width =
        m_goalWidth > 0 ? m_goalWidth / TwipsPerPixel : (m_width > 0 ? m_width : source.width());
    const double height = m_goalHeight > 0 ? m_goalHeight / TwipsPerPixel
                                           : (m_height > 0 ? m_height : source.height());
    return QSizeF(std::clamp(width * m_scaleX / 100.0, 1.0, MaxPixels),
                  std::clamp(height * m_scaleY / 100.0, 1.0, MaxPixels));
}
