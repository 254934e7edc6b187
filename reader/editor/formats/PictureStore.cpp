#include "PictureStore.h"

#include "ImportLimits.h"
#include "ZipArchive.h"

#include <QFile>
#include <QImage>
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
    return bytes ? add(name, *bytes, size) : QString();
}

QString PictureStore::addFromFile(const QString &path, QSize *size)
{
    const QString name = QUrl::fromLocalFile(path).toString();
    if (m_added.contains(name)) {
        if (size)
            *size = m_added.value(name);
        return name;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > ImportLimits::MaxImageBytes)
        return QString();
    return add(name, file.read(ImportLimits::MaxImageBytes), size);
}

QString PictureStore::add(const QString &name, const QByteArray &bytes, QSize *size)
{
    // QImage refuses pictures beyond its own allocation limit, so a picture header claiming
    // enormous dimensions is dropped here rather than allocated.
    const QImage image = QImage::fromData(bytes);
    if (image.isNull())
        return QString();
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    m_added.insert(name, image.size());
    if (m_names)
        m_names->append(name);
    if (size)
        *size = image.size();
    return name;
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
