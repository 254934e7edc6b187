#include "EpubImporter.h"

#include "BoundedXmlReader.h"
#include "HtmlImporter.h"
#include "HtmlReadableMarkup.h"
#include "ImportLimits.h"
#include "MarkupSplice.h"
#include "PictureStore.h"
#include "ResourceGate.h"
#include "ZipArchive.h"

#include "../DocumentChapters.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
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
QString bindPictures(const QString &html, const QString &chapterFolder, ZipArchive &zip,
                     PictureStore &pictures, QTextDocument *document)
{
    static const QRegularExpression reference(
        QStringLiteral(
            "(<(?:img|image)\\b[^>]*?\\s(?:src|xlink:href|href)\\s*=\\s*)([\"'])(.*?)\\2"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return MarkupSplice::replace(html, reference, 3, [&](const QRegularExpressionMatch &m) {
        const auto path = ZipArchive::resolve(chapterFolder, m.captured(3));
        if (!path)
            ResourceGate::noteLeftOut(document, m.captured(3),
                                      QStringLiteral("it is outside the document"));
        return std::optional<QString>(path ? pictures.addFromArchive(zip, *path) : QString());
    });
}

// Style sheets a chapter links to, put inline: Qt's HTML import reads <style> but fetches
// nothing, and some producers carry all bold and italic in classes.
QString inlineStyleSheets(const QString &html, const QString &chapterFolder, ZipArchive &zip)
{
    static const QRegularExpression link(
        QStringLiteral("<link\\b[^>]*?href\\s*=\\s*([\"'])(.*?)\\1[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    // A link to anything else goes as well: the import could not use it.
    return MarkupSplice::replace(html, link, 0, [&](const QRegularExpressionMatch &m) {
        if (!m.captured(0).contains(QStringLiteral("stylesheet"), Qt::CaseInsensitive))
            return std::optional<QString>(QString());
        const auto path = ZipArchive::resolve(chapterFolder, m.captured(2));
        const std::optional<QByteArray> css =
            path ? zip.read(*path, ImportLimits::MaxStyleSheetBytes) : std::nullopt;
        return std::optional<QString>(css ? QStringLiteral("<style>") +
                                                QString::fromUtf8(*css).remove(u'<') +
                                                QStringLiteral("</style>")
                                          : QString());
    });
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

// SVG "image" elements are not part of Qt's HTML subset; an <img> shows the same picture.
QString svgImagesAsImg(QString html)
{
    static const QRegularExpression svgImage(
        QStringLiteral("<svg\\b[^>]*>.*?<image\\b[^>]*?\\s(?:xlink:href|href)\\s*=\\s*([\"'])(.*?)"
                       "\\1.*?</svg>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return html.replace(svgImage, QStringLiteral("<img src=\"\\2\"/>"));
}

// Appends a chapter as paragraphs of its own. Qt's import pours the first block of what it
// inserts into the block the cursor is in, taking that block's format: a heading opening a
// chapter after a list would become the list's next item ("2. Chapter Two") and lose its
// heading level. A paragraph holding only a word joiner goes first and takes that place;
// the joiner is removed again. Returns where the chapter starts.
int appendChapter(QTextCursor &cursor, QString html)
{
    if (cursor.position() == 0) {
        cursor.insertHtml(html);
        return 0;
    }
    static const QRegularExpression body(QStringLiteral("<body\\b[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = body.match(html);
    const qsizetype at = m.hasMatch() ? m.capturedEnd() : 0;
    const int joiner = cursor.position();
    cursor.insertHtml(html.insert(at, QStringLiteral("<p>&#8288;</p>")));
    QTextCursor remove(cursor.document());
    remove.setPosition(joiner);
    remove.setPosition(joiner + 1, QTextCursor::KeepAnchor);
    if (remove.selectedText() != QString(QChar(0x2060)))
        return joiner + 2;
    remove.removeSelectedText();
    return joiner + 1;
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
    QSet<QString> navigation; // the book's table of contents, for reading systems
    QStringList spine;
    {
        BoundedXmlReader xml(*opf);
        while (!xml.atEnd()) {
            if (xml.next() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"item") {
                manifest.insert(xml.attribute(u"id"), xml.attribute(u"href"));
                if (xml.attribute(u"properties").split(u' ').contains(u"nav"))
                    navigation.insert(xml.attribute(u"id"));
            } else if (xml.name() == u"itemref" && xml.attribute(u"linear") != u"no") {
                spine.append(xml.attribute(u"idref"));
            }
            if (spine.size() > ImportLimits::MaxSpineItems)
                return Result::failure(QStringLiteral("its spine lists more than %1 chapters")
                                           .arg(ImportLimits::MaxSpineItems));
        }
        if (xml.hasError())
            return Result::failure(
                QStringLiteral("its package document is damaged (%1)").arg(xml.errorString()));
    }
    // The table of contents is not read as the book's first pages; the chapters it lists
    // keep their headings.
    QStringList chapterIds;
    for (const QString &id : spine)
        if (!navigation.contains(id))
            chapterIds.append(id);
    if (!chapterIds.isEmpty())
        spine = chapterIds;
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
        html = bindPictures(svgImagesAsImg(html), folderOf(chapters[i]), zip, pictures, document);
        html = inlineStyleSheets(html, folderOf(chapters[i]), zip);
        // Backgrounds and style sheets the chapter names are looked up beside it.
        if (request.resources)
            request.resources->useArchive(&zip, folderOf(chapters[i]));
        const bool frontMatter = isFrontMatter(html);
        HtmlReadableMarkup readable(std::move(html));
        const int chapterStart = cursor.position();
        // In a statement of its own, so that the chapter's markup has one owner when the
        // joining paragraph goes in.
        QString markup = HtmlImporter::boundSpans(readable.takeHtml());
        const int start = appendChapter(cursor, std::move(markup));
        readable.markNotes(document, chapterStart);
        DocumentChapters::markStart(document, start, QString(), frontMatter);
        request.report(int((i + 1) * 100 / chapters.size()));
    }
    return result;
}
