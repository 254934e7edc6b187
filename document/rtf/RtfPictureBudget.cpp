#include "RtfPictureBudget.h"

#include <QTextDocument>
#include <QVariant>
#include <algorithm>
#include <cmath>

namespace {
const char *const UsedProperty = "parlancePictureBytes";
const char *const LeftOutProperty = "parlancePicturesLeftOut";
} // namespace

void RtfPictureBudget::startReading(QTextDocument *document)
{
    if (document && document->isEmpty()) {
        document->setProperty(UsedProperty, QVariant());
        document->setProperty(LeftOutProperty, QVariant());
    }
}

bool RtfPictureBudget::reserve(QTextDocument *document, qint64 bytes)
{
    if (!document)
        return bytes <= MaxDocumentBytes;
    const qint64 used = document->property(UsedProperty).toLongLong();
    if (bytes > MaxDocumentBytes - used)
        return false;
    document->setProperty(UsedProperty, used + bytes);
    return true;
}

void RtfPictureBudget::noteLeftOut(QTextDocument *document)
{
    if (document)
        document->setProperty(LeftOutProperty, document->property(LeftOutProperty).toInt() + 1);
}

int RtfPictureBudget::takeLeftOut(QTextDocument *document)
{
    if (!document)
        return 0;
    const int count = document->property(LeftOutProperty).toInt();
    document->setProperty(LeftOutProperty, QVariant());
    return count;
}

QSize RtfPictureBudget::keptSize(const QSize &source, const QSizeF &display)
{
    if (source.isEmpty())
        return source;
    // Shown on a high-resolution screen or printed, a picture may use up to twice its
    // displayed size in pixels; more is never seen.
    const double limitWidth = std::min<double>(MaxSide, std::max(1.0, display.width() * 2));
    const double limitHeight = std::min<double>(MaxSide, std::max(1.0, display.height() * 2));
    const double scale =
        std::min({1.0, limitWidth / source.width(), limitHeight / source.height()});
    return QSize(std::max(1, int(std::lround(source.width() * scale))),
                 std::max(1, int(std::lround(source.height() * scale))));
}

QImage RtfPictureBudget::placeholder()
{
    static const QImage image = [] {
        QImage frame(8, 8, QImage::Format_RGB32);
        frame.fill(QColor(0xd8, 0xd8, 0xd8));
        return frame;
    }();
    return image;
}
