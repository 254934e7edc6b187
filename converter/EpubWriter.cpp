#include "EpubWriter.h"

#include "DocumentXhtml.h"
#include "SpeechError.h"

#include <QDateTime>
#include <QFile>
#include <QUuid>
#include <cmath>
#include <list>
#include <zip.h>

namespace {

const QString Css =
    QStringLiteral("body { font-family: serif; line-height: 1.5; margin: 0 5%; }\n"
                   "table { border-collapse: collapse; }\n"
                   "td { border: 1px solid #888; padding: 0.2em 0.4em; vertical-align: top; }\n"
                   "img { max-width: 100%; height: auto; }\n"
                   ".%1 { background-color: #fff2a8; color: #000; }\n");

QString audioMediaType(const QString &extension)
{
    return extension == QLatin1String("opus") ? QStringLiteral("audio/ogg; codecs=opus")
                                              : QStringLiteral("audio/mpeg");
}

QByteArray xml(const QString &text)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + text).toUtf8();
}

// libzip reads what it is given only when the archive is closed: the data lives until then.
class Archive
{
public:
    explicit Archive(const QString &path) : m_path(path)
    {
        int error = 0;
        m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!m_zip) {
            zip_error_t reason;
            zip_error_init_with_code(&reason, error);
            const QString text = QString::fromLocal8Bit(zip_error_strerror(&reason));
            zip_error_fini(&reason);
            fail(text);
        }
    }
    ~Archive()
    {
        if (m_zip)
            zip_discard(m_zip);
    }

    void add(const QString &name, const QByteArray &data, bool compress = true)
    {
        const QByteArray &kept = m_data.emplace_back(data);
        zip_source_t *source =
            zip_source_buffer(m_zip, kept.constData(), zip_uint64_t(kept.size()), 0);
        insert(name, source, compress);
    }
    void addFile(const QString &name, const QString &file)
    {
        zip_source_t *source = zip_source_file(m_zip, QFile::encodeName(file).constData(), 0, -1);
        insert(name, source, false);
    }
    // The archive is written to a file of its own beside the path and renamed over it.
    void close()
    {
        if (zip_close(m_zip) != 0)
            fail(QString::fromLocal8Bit(zip_strerror(m_zip)));
        m_zip = nullptr;
    }

private:
    void insert(const QString &name, zip_source_t *source, bool compress)
    {
        const zip_int64_t index =
            source ? zip_file_add(m_zip, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source)
                zip_source_free(source);
            fail(QString::fromLocal8Bit(zip_strerror(m_zip)));
        }
        // Audio and pictures are compressed already; the mimetype must be stored as it is.
        zip_set_file_compression(m_zip, zip_uint64_t(index),
                                 compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    [[noreturn]] void fail(const QString &reason) const
    {
        throw SpeechError(SpeechErrors::FileAccess,
                          QStringLiteral("Cannot write \"%1\": %2").arg(m_path, reason));
    }

    QString m_path;
    zip_t *m_zip = nullptr;
    std::list<QByteArray> m_data;
};

} // namespace

QString EpubWriter::pageHref(int page)
{
    return QStringLiteral("chapter%1.xhtml").arg(page);
}

QString EpubWriter::audioHref(int page, const QString &extension)
{
    return QStringLiteral("chapter%1.%2").arg(page).arg(extension);
}

QString EpubWriter::clock(double seconds)
{
    // Down to the millisecond, so that the last clip never ends past its audio.
    const qint64 ms = qint64(std::floor(qMax(0.0, seconds) * 1000));
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000)
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

void EpubWriter::addPicture(const QString &href, const QByteArray &png)
{
    m_pictures.append({href, png});
}

void EpubWriter::write(const QString &path, const Metadata &metadata) const
{
    Archive archive(path);
    // The mimetype comes first, stored, so that the book is known by its first bytes.
    archive.add(QStringLiteral("mimetype"), QByteArrayLiteral("application/epub+zip"), false);
    archive.add(QStringLiteral("META-INF/container.xml"),
                xml(QStringLiteral("<container version=\"1.0\" "
                                   "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                                   "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
                                   "media-type=\"application/oebps-package+xml\"/></rootfiles>\n"
                                   "</container>\n")));
    archive.add(QStringLiteral("OEBPS/content.opf"), packageDocument(metadata));
    archive.add(QStringLiteral("OEBPS/nav.xhtml"), navigation(metadata));
    archive.add(QStringLiteral("OEBPS/style.css"), Css.arg(QLatin1String(ActiveClass)).toUtf8());
    for (int i = 1; i <= m_pages.size(); ++i) {
        archive.add(QStringLiteral("OEBPS/") + pageHref(i), page(i, metadata));
        if (m_pages.at(i - 1).overlay.isEmpty())
            continue;
        archive.add(QStringLiteral("OEBPS/chapter%1.smil").arg(i), overlay(i));
        archive.addFile(QStringLiteral("OEBPS/") + audioHref(i, m_audioExtension),
                        m_pages.at(i - 1).audioFile);
    }
    for (const auto &[href, png] : m_pictures)
        archive.add(QStringLiteral("OEBPS/") + href, png, false);
    archive.close();
}

QByteArray EpubWriter::packageDocument(const Metadata &metadata) const
{
    const auto e = DocumentXhtml::escaped;
    QString meta;
    QString manifest;
    QString spine;
    double total = 0;
    for (int i = 1; i <= m_pages.size(); ++i) {
        const Page &page = m_pages.at(i - 1);
        const bool narrated = !page.overlay.isEmpty();
        manifest +=
            QStringLiteral("<item id=\"page%1\" href=\"%2\" "
                           "media-type=\"application/xhtml+xml\"%3/>\n")
                .arg(i)
                .arg(pageHref(i),
                     narrated ? QStringLiteral(" media-overlay=\"overlay%1\"").arg(i) : QString());
        spine += QStringLiteral("<itemref idref=\"page%1\"/>\n").arg(i);
        if (!narrated)
            continue;
        manifest += QStringLiteral("<item id=\"overlay%1\" href=\"chapter%1.smil\" "
                                   "media-type=\"application/smil+xml\"/>\n"
                                   "<item id=\"audio%1\" href=\"%2\" media-type=\"%3\"/>\n")
                        .arg(i)
                        .arg(audioHref(i, m_audioExtension), audioMediaType(m_audioExtension));
        meta +=
            QStringLiteral("<meta property=\"media:duration\" refines=\"#overlay%1\">%2</meta>\n")
                .arg(i)
                .arg(clock(page.seconds));
        total += page.seconds;
    }
    for (int i = 0; i < m_pictures.size(); ++i)
        manifest +=
            QStringLiteral("<item id=\"picture%1\" href=\"%2\" media-type=\"image/png\"/>\n")
                .arg(i + 1)
                .arg(e(m_pictures.at(i).first));
    if (total > 0)
        meta += QStringLiteral("<meta property=\"media:duration\">%1</meta>\n"
                               "<meta property=\"media:active-class\">%2</meta>\n")
                    .arg(clock(total), QLatin1String(ActiveClass));
    if (!metadata.narrator.isEmpty())
        meta += QStringLiteral("<meta property=\"media:narrator\">%1</meta>\n")
                    .arg(e(metadata.narrator));
    if (!metadata.author.isEmpty())
        meta += QStringLiteral("<dc:creator>%1</dc:creator>\n").arg(e(metadata.author));

    return xml(
        QStringLiteral("<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                       "unique-identifier=\"book-id\" xml:lang=\"%1\">\n"
                       "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                       "<dc:identifier id=\"book-id\">urn:uuid:%2</dc:identifier>\n"
                       "<dc:title>%3</dc:title>\n"
                       "<dc:language>%1</dc:language>\n"
                       "<meta property=\"dcterms:modified\">%4</meta>\n"
                       "%5</metadata>\n"
                       "<manifest>\n"
                       "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
                       "properties=\"nav\"/>\n"
                       "<item id=\"style\" href=\"style.css\" media-type=\"text/css\"/>\n"
                       "%6</manifest>\n"
                       "<spine>\n%7</spine>\n"
                       "</package>\n")
            .arg(e(metadata.language), QUuid::createUuid().toString(QUuid::WithoutBraces),
                 e(metadata.title),
                 QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")),
                 meta, manifest, spine));
}

QByteArray EpubWriter::navigation(const Metadata &metadata) const
{
    QString items;
    for (int i = 1; i <= m_pages.size(); ++i) {
        const QString title = m_pages.at(i - 1).title.simplified();
        items += QStringLiteral("<li><a href=\"%1\">%2</a></li>\n")
                     .arg(pageHref(i),
                          DocumentXhtml::escaped(
                              title.isEmpty() ? QStringLiteral("Chapter %1").arg(i) : title));
    }
    return xml(QStringLiteral(
                   "<!DOCTYPE html>\n"
                   "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
                   "xmlns:epub=\"http://www.idpf.org/2007/ops\" xml:lang=\"%1\" lang=\"%1\">\n"
                   "<head><meta charset=\"UTF-8\"/><title>%2</title></head>\n"
                   "<body>\n<nav epub:type=\"toc\" id=\"toc\"><h1>%2</h1>\n<ol>\n%3</ol>\n</nav>\n"
                   "</body>\n</html>\n")
                   .arg(DocumentXhtml::escaped(metadata.language),
                        DocumentXhtml::escaped(metadata.title), items));
}

QByteArray EpubWriter::page(int number, const Metadata &metadata) const
{
    const Page &page = m_pages.at(number - 1);
    const QString title =
        page.title.simplified().isEmpty() ? metadata.title : page.title.simplified();
    return xml(
        QStringLiteral("<!DOCTYPE html>\n"
                       "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
                       "xmlns:epub=\"http://www.idpf.org/2007/ops\" xml:lang=\"%1\" lang=\"%1\">\n"
                       "<head><meta charset=\"UTF-8\"/><title>%2</title>\n"
                       "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/></head>\n"
                       "<body>\n%3</body>\n</html>\n")
            .arg(DocumentXhtml::escaped(metadata.language), DocumentXhtml::escaped(title),
                 page.body));
}

QByteArray EpubWriter::overlay(int number) const
{
    return xml(QStringLiteral("<smil xmlns=\"http://www.w3.org/ns/SMIL\" "
                              "xmlns:epub=\"http://www.idpf.org/2007/ops\" version=\"3.0\">\n"
                              "<body>\n%1</body>\n</smil>\n")
                   .arg(m_pages.at(number - 1).overlay));
}
