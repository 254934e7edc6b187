#include "PictureStore.h"

#include "ImportLimits.h"
#include "ResourceGate.h"
#include "ZipArchive.h"

#include "../rtf/RtfPictureBudget.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTextDocument>
#include <QUrl>

PictureStore::PictureStore(QTextDocument *document, QStringList *names)
    : m_document(document), m_names(names)
{
}

QString PictureStore::addFromArchive(ZipArchive &archive, const QString &path, QSize *size)
{
    const QString name = QStringLiteral("archive:/") + path;
    if (m_added.contains(name)) {
        if (size)
            *size = m_added.value(name);
        return name;
    }
    const std::optional<QByteArray> bytes = archive.read(path, ImportLimits::MaxImageBytes);
    if (!bytes) {
        ResourceGate::noteLeftOut(m_document, path, archive.error());
        return QString();
    }
    return add(name, *bytes, size);
}

QString PictureStore::add(const QString &name, const QByteArray &bytes, QSize *size)
{
    if (m_added.contains(name)) {
        if (size)
            *size = m_added.value(name);
        return name;
    }
    // Archive names are told by the path inside the document.
    const QString shownName = name.startsWith(QLatin1String("archive:/")) ? name.mid(9) : name;
    const auto tooMuch = [&] {
        ResourceGate::noteLeftOut(m_document, shownName,
                                  QStringLiteral("the document's pictures would take more "
                                                 "than %1 MB")
                                      .arg(RtfPictureBudget::MaxDocumentBytes / (1024 * 1024)));
        return QString();
    };
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The size the header claims is paid for before anything is decoded; QImageReader
    // itself refuses a picture beyond its own allocation limit.
    const QSize claimed = reader.size();
    if (claimed.isValid() &&
        !RtfPictureBudget::reserve(m_document, RtfPictureBudget::bytesFor(claimed)))
        return tooMuch();
    const QImage image = reader.read();
    if (image.isNull()) {
        ResourceGate::noteLeftOut(m_document, shownName,
                                  QStringLiteral("it is not a picture this program can show"));
        return QString();
    }
    if (!claimed.isValid() &&
        !RtfPictureBudget::reserve(m_document, RtfPictureBudget::bytesFor(image.size())))
        return tooMuch();
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    m_added.insert(name, image.size());
    if (m_names)
        m_names->append(name);
    if (size)
        *size = image.size();
    return name;
}

void PictureStore::leaveOut(const QString &name, const QString &why)
{
    ResourceGate::noteLeftOut(m_document, name, why);
}

QImage PictureStore::imageOf(const QTextDocument &document, const QString &name)
{
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(name));
    if (resource.typeId() == QMetaType::QImage)
        return resource.value<QImage>();
    if (resource.typeId() == QMetaType::QPixmap)
        return resource.value<QPixmap>().toImage();
    if (resource.typeId() == QMetaType::QByteArray)
        return QImage::fromData(resource.toByteArray());
    return QImage();
}
