#include "DocumentFormat.h"

#include "ZipArchive.h"

#include <QFileInfo>

namespace {
// Text files may carry the odd stray control character (a form feed, an old end-of-file
// mark); a binary file is full of them.
constexpr double MaxControlShare = 0.01;

QByteArrayView skipSpaceAndBom(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    qsizetype i = 0;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i);
}

bool startsWithNoCase(QByteArrayView data, QByteArrayView prefix)
{
    return data.size() >= prefix.size() &&
           data.first(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

bool looksLikeHtml(QByteArrayView data)
{
    QByteArrayView head = skipSpaceAndBom(data.first(qMin<qsizetype>(data.size(), 4096)));
    if (startsWithNoCase(head, "<!DOCTYPE html") || startsWithNoCase(head, "<html"))
        return true;
    // XHTML starts with an XML declaration and perhaps comments before its root.
    if (startsWithNoCase(head, "<?xml") || startsWithNoCase(head, "<!--"))
        return QByteArray(head.data(), head.size()).toLower().contains("<html");
    return false;
}

DocumentFormat::Kind sniffZip(QByteArrayView data)
{
    ZipArchive zip;
    if (!zip.open(data))
        return DocumentFormat::Unknown;
    const QByteArray mimetype =
        zip.read(QStringLiteral("mimetype"), 256).value_or(QByteArray()).trimmed();
    if (mimetype == "application/epub+zip")
        return DocumentFormat::Epub;
    if (mimetype == "application/vnd.oasis.opendocument.text")
        return DocumentFormat::Odt;
    if (zip.contains(QStringLiteral("[Content_Types].xml")) &&
        zip.contains(QStringLiteral("word/document.xml")))
        return DocumentFormat::Docx;
    return DocumentFormat::Unknown;
}
} // namespace

DocumentFormat::Kind DocumentFormat::sniff(QByteArrayView data, const QString &fileName)
{
    if (data.startsWith("{\\rtf"))
        return Rtf;
    if (data.startsWith("%PDF-"))
        return Pdf;
    if (data.startsWith("PK\x03\x04"))
        return sniffZip(data);
    if (!looksLikeText(data))
        return Unknown;
    if (looksLikeHtml(data))
        return Html;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"md" || suffix == u"markdown")
        return Markdown;
    if (suffix == u"html" || suffix == u"htm" || suffix == u"xhtml")
        return Html;
    return PlainText;
}

bool DocumentFormat::looksLikeText(QByteArrayView data)
{
    // UTF-16 text is full of NUL bytes; its byte-order mark says what it is.
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        if (data.size() % 2 != 0)
            return false;
        const bool littleEndian = data.startsWith("\xFF\xFE");
        qsizetype controls = 0;
        for (qsizetype i = 2; i + 1 < data.size(); i += 2) {
            const char16_t unit = littleEndian ? char16_t(uchar(data[i]) | uchar(data[i + 1]) << 8)
                                               : char16_t(uchar(data[i]) << 8 | uchar(data[i + 1]));
            if (unit == 0)
                return false;
            if (unit < 0x20 && unit != '\t' && unit != '\n' && unit != '\r' && unit != '\f')
                ++controls;
        }
        return controls <= data.size() / 2 * MaxControlShare;
    }
    qsizetype controls = 0;
    for (const char c : data) {
        const uchar b = uchar(c);
        if (b == 0)
            return false;
        if ((b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != 0x1A) ||
            b == 0x7F)
            ++controls;
    }
    return controls <= data.size() * MaxControlShare;
}

QString DocumentFormat::describe(Kind kind)
{
    switch (kind) {
    case Rtf:
        return QStringLiteral("RTF document");
    case PlainText:
        return QStringLiteral("text file");
    case Pdf:
        return QStringLiteral("PDF document");
    case Epub:
        return QStringLiteral("EPUB book");
    case Docx:
        return QStringLiteral("DOCX document");
    case Odt:
        return QStringLiteral("ODT document");
    case Html:
        return QStringLiteral("HTML page");
    case Markdown:
        return QStringLiteral("Markdown text");
    case Unknown:
        break;
    }
    return QStringLiteral("file");
}
