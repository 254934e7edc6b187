#include "ZipArchive.h"

#include "ImportLimits.h"

#include <QStringList>
#include <QUrl>
#include <zip.h>

ZipArchive::ZipArchive() : m_budget(ImportLimits::MaxDecompressedSize) {}

ZipArchive::~ZipArchive()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool ZipArchive::open(QByteArrayView data)
{
    m_data = data.toByteArray();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(m_data.constData(), m_data.size(), 0, &error);
    if (source)
        m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!m_zip) {
        m_error = QStringLiteral("the archive is damaged (%1)")
                      .arg(QString::fromUtf8(zip_error_strerror(&error)));
        if (source)
            zip_source_free(source);
        zip_error_fini(&error);
        return false;
    }
    zip_error_fini(&error);
    if (zip_get_num_entries(m_zip, 0) > ImportLimits::MaxArchiveEntries) {
        m_error = QStringLiteral("the archive lists more than %1 entries")
                      .arg(ImportLimits::MaxArchiveEntries);
        zip_discard(m_zip);
        m_zip = nullptr;
        return false;
    }
    return true;
}

bool ZipArchive::contains(const QString &name) const
{
    return m_zip && zip_name_locate(m_zip, name.toUtf8().constData(), 0) >= 0;
}

std::optional<QByteArray> ZipArchive::read(const QString &name, qint64 maxBytes)
{
    if (!m_zip)
        return std::nullopt;
    const zip_int64_t index = zip_name_locate(m_zip, name.toUtf8().constData(), 0);
    if (index < 0) {
        m_error = QStringLiteral("the part \"%1\" is missing").arg(name);
        return std::nullopt;
    }
    zip_file_t *file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file) {
        m_error = QStringLiteral("the part \"%1\" cannot be read (%2)")
                      .arg(name, QString::fromUtf8(zip_strerror(m_zip)));
        return std::nullopt;
    }
    const qint64 limit = maxBytes < 0 ? m_budget : qMin(maxBytes, m_budget);
    QByteArray bytes;
    char buffer[64 * 1024];
    bool failed = false;
    // The sizes an entry claims are not trusted: reading stops at the limit, whatever the
    // header says, and a damaged stream ends the read.
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n < 0) {
            failed = true;
            m_error = QStringLiteral("the part \"%1\" is damaged").arg(name);
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + n > limit) {
            failed = true;
            m_error = limit == m_budget
                          ? QStringLiteral("it unpacks to more than %1 MB")
                                .arg(ImportLimits::MaxDecompressedSize / (1024 * 1024))
                          : QStringLiteral("the part \"%1\" is too large").arg(name);
            break;
        }
        // Grow geometrically: QByteArray::append on its own reallocates to the exact size,
        // which turns a large part into quadratic copying.
        if (bytes.capacity() < bytes.size() + n)
            bytes.reserve(qMax(bytes.capacity() * 2, bytes.size() + n));
        bytes.append(buffer, n);
    }
    zip_fclose(file);
    if (failed)
        return std::nullopt;
    m_budget -= bytes.size();
    return bytes;
}

std::optional<QString> ZipArchive::resolve(const QString &baseFolder, const QString &reference,
                                           bool allowParent)
{
    const QUrl url(reference);
    if (reference.isEmpty() || url.isRelative() == false || reference.startsWith(u'/') ||
        reference.startsWith(u'\\'))
        return std::nullopt;
    // Fragments name a place inside a chapter; the file is what counts here.
    QString path = QUrl::fromPercentEncoding(url.path(QUrl::FullyEncoded).toUtf8());
    if (path.isEmpty() || path.startsWith(u'/'))
        return std::nullopt;
    if (!allowParent && path.split(u'/').contains(QStringLiteral("..")))
        return std::nullopt;
    QStringList parts;
    for (const QString &part : (baseFolder + u'/' + path).split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            // A reference that climbs above the archive's root points outside it.
            if (parts.isEmpty())
                return std::nullopt;
            parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(u'/');
}
