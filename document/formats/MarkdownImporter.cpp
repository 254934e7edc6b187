#include "MarkdownImporter.h"

#include "HtmlImporter.h"
#include "ResourceGate.h"

#include "../PlainTextDecoder.h"

#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// A front matter block longer than this is not one; the text is left as it is.
constexpr qsizetype MaxFrontMatter = 64 * 1024;

QString unquoted(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value.trimmed();
}
} // namespace

DocumentMetadata MarkdownImporter::takeFrontMatter(QString &markdown)
{
    static const QRegularExpression block(
        QStringLiteral("\\A---[ \\t]*\\r?\\n(.*?)\\r?\\n(?:---|\\.\\.\\.)[ \\t]*(?:\\r?\\n|\\z)"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression entry(QStringLiteral("^([A-Za-z_-]+)\\s*:\\s*(.*)$"));
    DocumentMetadata metadata;
    const QRegularExpressionMatch m = block.match(QStringView(markdown).left(MaxFrontMatter));
    if (!m.hasMatch())
        return metadata;
    // Only a block of YAML entries is front matter; a rule, a paragraph and a rule are text.
    const QStringList lines = m.captured(1).split(u'\n');
    for (const QString &line : lines)
        if (!line.trimmed().isEmpty() && !entry.match(line).hasMatch() && !line.front().isSpace() &&
            !line.startsWith(u'-') && !line.startsWith(u'#'))
            return metadata;
    QString key;
    QStringList authors;
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (const auto e = entry.match(line); e.hasMatch()) {
            key = e.captured(1).toLower();
            QString value = e.captured(2).trimmed();
            if (key == u"author" && value.startsWith(u'[') && value.endsWith(u']'))
                for (const QString &name : value.mid(1, value.size() - 2).split(u','))
                    authors.append(unquoted(name));
            else if (key == u"author" && !value.isEmpty())
                authors.append(unquoted(value));
            else if (key == u"title")
                metadata.title = unquoted(value);
            else if (key == u"lang" || key == u"language")
                metadata.language = DocumentMetadata::languageTag(unquoted(value));
        } else if (key == u"author" && trimmed.startsWith(u"- ")) {
            authors.append(unquoted(trimmed.mid(2))); // a list of authors, one per line
        }
    }
    authors.removeAll(QString());
    metadata.author = authors.join(QStringLiteral(", "));
    markdown.remove(0, m.capturedEnd());
    return metadata;
}

DocumentImporter::Result MarkdownImporter::import(const Request &request,
                                                  QTextDocument *document) const
{
    QString markdown = PlainTextDecoder::decode(request.data);
    Result result;
    result.metadata = takeFrontMatter(markdown);
    // Markdown may carry HTML, which goes through the same HTML import.
    const QString error = HtmlImporter::nestingError(markdown);
    if (!error.isEmpty())
        return Result::failure(error);
    request.report(10);
    // The document is new and empty, so setMarkdown serves; QTextCursor::insertMarkdown
    // crashes in Qt 6.4 on an empty list item after a carriage return ("\r+"). Inside an
    // edit block: Qt's import lays out the paragraph again after every piece of text it adds,
    // so a paragraph of many small pieces ("*a*b" repeated) took minutes per hundred kilobytes.
    QTextCursor block(document);
    block.beginEditBlock();
    document->setMarkdown(HtmlImporter::boundSpans(markdown));
    block.endEditBlock();
    if (request.resources)
        request.resources->addNamedPictures(&result.images);
    request.report(100);
    return result;
}
