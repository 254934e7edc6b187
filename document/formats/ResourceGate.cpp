#include "ResourceGate.h"

#include "ImportLimits.h"
#include "RegularFile.h"
#include "ZipArchive.h"

#include "../EditorDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QUrl>
#include <algorithm>

namespace {
const char *const LeftOutProperty = "parlanceLeftOut";
const char *const MoreLeftOutProperty = "parlanceMoreLeftOut";
// Longer names are cut short in messages: a data address can be megabytes long.
constexpr int MaxShownName = 100;
// Names kept for the message; a document naming thousands of missing files is told as
// these and "more".
constexpr int MaxNotes = 20;

bool isInside(const QString &path, const QString &folder)
{
    if (folder.isEmpty())
        return false;
    return path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

// The bytes of a "data:" address, which carries them itself.
std::optional<QByteArray> dataBytes(const QUrl &name, qint64 maxBytes, QString *why)
{
    const QByteArray text = name.toEncoded();
    const qsizetype comma = text.indexOf(',');
    if (comma < 0) {
        *why = QStringLiteral("it is a damaged data address");
        return std::nullopt;
    }
    // Encoded text is never shorter than what it carries, so nothing larger is decoded.
    const QByteArray header = text.left(comma).toLower();
    QByteArray bytes = QByteArray::fromPercentEncoding(text.mid(comma + 1));
    if (header.endsWith(";base64"))
        bytes = QByteArray::fromBase64(bytes);
    if (bytes.size() > maxBytes) {
        *why = QStringLiteral("it is larger than %1 MB").arg(maxBytes / (1024 * 1024));
        return std::nullopt;
    }
    return bytes;
}
} // namespace

ResourceGate::ResourceGate(EditorDocument *document, const QString &documentFile,
                           const std::atomic_bool *cancel)
    : m_document(document), m_cancel(cancel), m_pictures(document, nullptr)
{
    if (!documentFile.isEmpty()) {
        m_folder = QFileInfo(documentFile).absolutePath();
        m_tree = QFileInfo(m_folder).canonicalFilePath();
    }
    m_document->setResourceGate(this);
}

ResourceGate::~ResourceGate()
{
    m_document->setResourceGate(nullptr);
}

void ResourceGate::useArchive(ZipArchive *archive, const QString &folder)
{
    m_archive = archive;
    m_archiveFolder = folder;
}

QVariant ResourceGate::fetch(int type, const QUrl &name)
{
    if (m_cancel && m_cancel->load())
        return QVariant();
    // In an archive the same relative name means another file in another chapter.
    const QString key = QString::number(type) + m_archiveFolder + u'\n' + name.toString();
    const auto known = m_fetched.constFind(key);
    if (known != m_fetched.constEnd())
        return *known;
    QVariant value;
    if (type == QTextDocument::ImageResource) {
        value = picture(name);
    } else if (type == QTextDocument::StyleSheetResource) {
        if (const std::optional<Found> css = read(name, ImportLimits::MaxStyleSheetBytes))
            value = QString::fromUtf8(css->bytes);
    } else {
        noteLeftOut(m_document, name.toString(),
                    QStringLiteral("only pictures and style sheets are read"));
    }
    m_fetched.insert(key, value);
    return value;
}

QVariant ResourceGate::picture(const QUrl &name)
{
    const std::optional<Found> found = read(name, ImportLimits::MaxImageBytes);
    if (!found)
        return QVariant();
    const QString stored = m_pictures.add(found->place, found->bytes);
    if (stored.isEmpty())
        return QVariant();
    // Added as a resource just now, so this finds it without asking anyone.
    return m_document->resource(QTextDocument::ImageResource, QUrl(stored));
}

void ResourceGate::addNamedPictures(QStringList *images)
{
    for (const QString &name : EditorDocument::pictureNames(*m_document)) {
        const QUrl url(name);
        // The document answers from its pictures, else asks this gate.
        QVariant picture = m_document->resource(QTextDocument::ImageResource, url);
        if (!picture.isValid())
            picture = QImage();
        m_document->addResource(QTextDocument::ImageResource, url, picture);
        if (images)
            images->append(name);
    }
}

std::optional<ResourceGate::Found> ResourceGate::read(const QUrl &name, qint64 maxBytes)
{
    const QString written = name.toString();
    const auto refuse = [&](const QString &why) -> std::optional<Found> {
        noteLeftOut(m_document, written, why);
        return std::nullopt;
    };
    if (written.isEmpty())
        return std::nullopt;
    if (written.contains(QChar(0)))
        return refuse(QStringLiteral("it is not a name a file can have"));
    const QString scheme = name.scheme().toLower();
    if (scheme == u"data") {
        QString why;
        if (std::optional<QByteArray> bytes = dataBytes(name, maxBytes, &why))
            return Found{*bytes, written};
        return refuse(why);
    }
    if (scheme == u"http" || scheme == u"https" || scheme == u"ftp")
        return refuse(QStringLiteral("it is on the network, and nothing is downloaded"));
    if (!scheme.isEmpty() && scheme != u"file")
        return refuse(QStringLiteral("it is not a file of this document"));
    if (m_archive) {
        const std::optional<QString> path =
            scheme.isEmpty() ? ZipArchive::resolve(m_archiveFolder, written) : std::nullopt;
        if (!path)
            return refuse(QStringLiteral("it is outside the document"));
        const std::optional<QByteArray> bytes = m_archive->read(*path, maxBytes);
        if (!bytes)
            return refuse(m_archive->error());
        return Found{*bytes, QStringLiteral("archive:/") + *path};
    }
    if (m_folder.isEmpty())
        return refuse(QStringLiteral("the document comes from no folder that could hold it"));
    const QString path = scheme.isEmpty() ? QDir(m_folder).filePath(name.path(QUrl::FullyDecoded))
                                          : name.toLocalFile();
    return readFile(written, path, maxBytes);
}

std::optional<ResourceGate::Found> ResourceGate::readFile(const QString &written,
                                                          const QString &path, qint64 maxBytes)
{
    const auto refuse = [&](const QString &why) -> std::optional<Found> {
        noteLeftOut(m_document, written, why);
        return std::nullopt;
    };
    const QString outside = QStringLiteral("it is outside the document's folder");
    // Told by the name first, so that a file elsewhere is refused whether or not it exists.
    const QString lexical = QDir::cleanPath(QDir(m_folder).absoluteFilePath(path));
    if (!isInside(lexical, QDir::cleanPath(m_folder)) && !isInside(lexical, m_tree))
        return refuse(outside);
    // Then by where it really is: a link inside the folder may lead anywhere.
    const QString canonical = QFileInfo(lexical).canonicalFilePath();
    if (canonical.isEmpty())
        return refuse(QStringLiteral("it does not exist"));
    if (!isInside(canonical, m_tree))
        return refuse(outside);
    const RegularFile::Result file = RegularFile::read(canonical, maxBytes, m_cancel, false);
    if (file.problem == RegularFile::Problem::Cancelled)
        return std::nullopt;
    if (!file.ok())
        return refuse(file.reason(maxBytes));
    return Found{file.data, QUrl::fromLocalFile(canonical).toString()};
}

void ResourceGate::noteLeftOut(QTextDocument *document, const QString &name, const QString &why)
{
    if (!document)
        return;
    const QString shown =
        name.size() > MaxShownName ? name.left(MaxShownName) + QStringLiteral("...") : name;
    QStringList notes = document->property(LeftOutProperty).toStringList();
    const QString prefix = shown + QStringLiteral(" (");
    if (std::any_of(notes.cbegin(), notes.cend(),
                    [&](const QString &note) { return note.startsWith(prefix); }))
        return;
    if (notes.size() >= MaxNotes) {
        document->setProperty(MoreLeftOutProperty, true);
        return;
    }
    notes.append(prefix + why + u')');
    document->setProperty(LeftOutProperty, notes);
}

QStringList ResourceGate::takeLeftOut(QTextDocument *document)
{
    if (!document)
        return {};
    QStringList notes = document->property(LeftOutProperty).toStringList();
    if (document->property(MoreLeftOutProperty).toBool())
        notes.append(QStringLiteral("and more"));
    document->setProperty(LeftOutProperty, QVariant());
    document->setProperty(MoreLeftOutProperty, QVariant());
    return notes;
}
