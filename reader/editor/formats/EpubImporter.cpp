#include "EpubImporter.h"

#include "BoundedXmlReader.h"
#include "HtmlImporter.h"
#include "ImportLimits.h"
#include "PictureStore.h"
#include "ZipArchive.h"

#include "../DocumentChapters.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
QString folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

// Reads the whole part through the bounded reader: a chapter nested deeper than the cap,
// or declaring entities, is refused before Qt's HTML import sees it.
QString checkXml(const QByteArray &data)
{
    BoundedXmlReader xml(data);
    while (!xml.atEnd())
        xml.next();
    return xml.hasError() ? xml.errorString() : QString();
}

// Picture references of a chapter rewritten to the archive's own names, with the pictures
// added to the document; references outside the archive are dropped from the page.
QString bindPictures(QString html, const QString &chapterFolder, ZipArchive &zip,
                     PictureStore &pictures)
{
    static const QRegularExpression reference(
        QStringLiteral(
            "(<(?:img|image)\\b[^>]*?\\s(?:src|xlink:href|href)\\s*=\\s*)([\"'])(.*?)\\2"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString out;
    qsizetype last = 0;
    auto it = reference.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(html).sliced(last, m.capturedStart(3) - last);
        const auto path = ZipArchive::resolve(chapterFolder, m.captured(3));
        out += path ? pictures.addFromArchive(zip, *path) : QString();
        last = m.capturedEnd(3);
    }
    out += QStringView(html).sliced(last);
    return out;
}

// Style sheets a chapter links to, put inline: Qt's HTML import reads <style> but fetches
// nothing, and some producers carry all bold and italic in classes.
QString inlineStyleSheets(const QString &html, const QString &chapterFolder, ZipArchive &zip)
{
    static const QRegularExpression link(
        QStringLiteral("<link\\b[^>]*?href\\s*=\\s*([\"'])(.*?)\\1[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype last = 0;
    auto it = link.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(html).sliced(last, m.capturedStart() - last);
        last = m.capturedEnd();
        if (!m.captured(0).contains(QStringLiteral("stylesheet"), Qt::CaseInsensitive))
            continue;
        const auto path = ZipArchive::resolve(chapterFolder, m.captured(2));
        const std::optional<QByteArray> css =
            path ? zip.read(*path, ImportLimits::MaxStyleSheetBytes) : std::nullopt;
        if (css)
            out += QStringLiteral("<style>") + QString::fromUtf8(*css).remove(u'<') +
                   QStringLiteral("</style>");
    }
    out += QStringView(html).sliced(last);
    return out;
}

// A cover, title page or table of contents restates what the book is; it is read with the
// chapter it comes before rather than as a chapter of its own.
bool isFrontMatter(const QString &html)
{
    static const QRegularExpression type(
        QStringLiteral("epub:type\\s*=\\s*[\"'][^\"']*\\b(?:cover|titlepage|halftitlepage|toc)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return type.match(html).hasMatch();
}

// Inserted after other text, a chapter's first paragraph takes the format of the one it
// is inserted into, and a heading there would no longer be one; the level is put back.
void keepLeadingHeading(const QString &html, QTextDocument *document, int position)
{
    static const QRegularExpression heading(
        QStringLiteral("<body\\b[^>]*>\\s*(?:<(?:section|div|header)\\b[^>]*>\\s*)*<h([1-6])\\b"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = heading.match(html);
    if (!m.hasMatch())
        return;
    QTextBlockFormat format;
    format.setHeadingLevel(m.capturedView(1).toInt());
    QTextCursor(document->findBlock(position)).mergeBlockFormat(format);
}

// SVG "image" elements are not part of Qt's HTML subset; an <img> shows the same picture.
QString svgImagesAsImg(QString html)
{
    static const QRegularExpression svgImage(
        QStringLiteral("<svg\\b[^>]*>.*?<image\\b[^>]*?\\s(?:xlink:href|href)\\s*=\\s*([\"'])(.*?)"
                       "\\1.*?</svg>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return html.replace(svgImage, QStringLiteral("<img src=\"\\2\"/>"));
}
} // namespace

DocumentImporter::Result EpubImporter::import(const Request &request, QTextDocument *document) const
{
    ZipArchive zip;
    if (!zip.open(request.data))
        return Result::failure(zip.error());

    // META-INF/container.xml names the package document.
    const std::optional<QByteArray> container = zip.read(QStringLiteral("META-INF/container.xml"));
    if (!container)
        return Result::failure(zip.error());
    QString packagePath;
    {
        BoundedXmlReader xml(*container);
        while (!xml.atEnd() && packagePath.isEmpty()) {
            if (xml.next() == QXmlStreamReader::StartElement && xml.name() == u"rootfile")
                packagePath = xml.attribute(u"full-path");
        }
        if (xml.hasError())
            return Result::failure(
                QStringLiteral("its container is damaged (%1)").arg(xml.errorString()));
    }
    const auto package = ZipArchive::resolve(QString(), packagePath, false);
    if (!package)
        return Result::failure(QStringLiteral("it names no package document inside the book"));
    const std::optional<QByteArray> opf = zip.read(*package);
    if (!opf)
        return Result::failure(zip.error());

    // The manifest maps ids to files; the spine lists the chapters in reading order.
    QHash<QString, QString> manifest;
    QStringList spine;
    {
        BoundedXmlReader xml(*opf);
        while (!xml.atEnd()) {
            if (xml.next() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"item")
                manifest.insert(xml.attribute(u"id"), xml.attribute(u"href"));
            else if (xml.name() == u"itemref" && xml.attribute(u"linear") != u"no")
                spine.append(xml.attribute(u"idref"));
            if (spine.size() > ImportLimits::MaxSpineItems)
                return Result::failure(QStringLiteral("its spine lists more than %1 chapters")
                                           .arg(ImportLimits::MaxSpineItems));
        }
        if (xml.hasError())
            return Result::failure(
                QStringLiteral("its package document is damaged (%1)").arg(xml.errorString()));
    }
    if (spine.isEmpty())
        return Result::failure(QStringLiteral("its spine lists no chapters"));

    const QString packageFolder = folderOf(*package);
    QStringList chapters;
    for (const QString &id : spine) {
        const QString href = manifest.value(id);
        const auto path = ZipArchive::resolve(packageFolder, href, false);
        // A spine entry leading outside the book is a broken or hostile file, not a chapter
        // to skip quietly.
        if (!path)
            return Result::failure(
                QStringLiteral("its spine names \"%1\", which is not a file inside the book")
                    .arg(href.isEmpty() ? id : href));
        chapters.append(*path);
    }

    Result result;
    result.metadata = DocumentMetadata::fromDublinCore(*opf);
    PictureStore pictures(document, &result.images);
    QTextCursor cursor(document);
    for (int i = 0; i < chapters.size(); ++i) {
        if (request.cancelled())
            return Result::cancelledResult();
        const std::optional<QByteArray> data = zip.read(chapters[i]);
        if (!data)
            return Result::failure(zip.error());
        const QString xmlError = checkXml(*data);
        if (!xmlError.isEmpty())
            return Result::failure(
                QStringLiteral("the chapter \"%1\" is damaged (%2)").arg(chapters[i], xmlError));
        QStringDecoder decoder = QStringDecoder::decoderForHtml(*data);
        QString html = decoder.isValid() ? decoder.decode(*data) : QString::fromUtf8(*data);
        html = bindPictures(svgImagesAsImg(html), folderOf(chapters[i]), zip, pictures);
        html = inlineStyleSheets(html, folderOf(chapters[i]), zip);
        // Each chapter starts a paragraph of its own.
        if (i > 0 && !cursor.block().text().isEmpty()) {
            // The new paragraph takes the last one's format, but not its chapter mark.
            QTextBlockFormat format = cursor.blockFormat();
            format.clearProperty(DocumentChapters::StartProperty);
            format.clearProperty(DocumentChapters::FrontMatterProperty);
            cursor.insertBlock(format);
        }
        const int start = cursor.position();
        cursor.insertHtml(HtmlImporter::boundSpans(html));
        DocumentChapters::markStart(document, start, QString(), isFrontMatter(html));
        keepLeadingHeading(html, document, start);
        request.report(int((i + 1) * 100 / chapters.size()));
    }
    return result;
}
