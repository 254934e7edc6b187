#include "HtmlImporter.h"

#include "HtmlReadableMarkup.h"
#include "ImportLimits.h"
#include "MarkupSplice.h"
#include "ResourceGate.h"

#include "../PlainTextDecoder.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace {
// Elements that must be closed and so nest for real; unclosed <p> or <li> do not count.
const QSet<QString> &nestingElements()
{
    static const QSet<QString> names = {
        QStringLiteral("div"),     QStringLiteral("span"),   QStringLiteral("table"),
        QStringLiteral("ul"),      QStringLiteral("ol"),     QStringLiteral("blockquote"),
        QStringLiteral("b"),       QStringLiteral("i"),      QStringLiteral("u"),
        QStringLiteral("em"),      QStringLiteral("strong"), QStringLiteral("font"),
        QStringLiteral("sub"),     QStringLiteral("sup"),    QStringLiteral("section"),
        QStringLiteral("article"), QStringLiteral("a"),      QStringLiteral("s"),
        QStringLiteral("small"),   QStringLiteral("big"),    QStringLiteral("dl"),
        QStringLiteral("pre"),     QStringLiteral("code"),   QStringLiteral("center")};
    return names;
}
} // namespace

QString HtmlImporter::nestingError(QStringView html)
{
    // Qt's HTML parser keeps opening unknown elements too; a tag count bounds that as well.
    static const QRegularExpression tag(QStringLiteral("<(/?)([A-Za-z][A-Za-z0-9]*)[^>]*?(/?)>"));
    int depth = 0;
    int unclosed = 0;
    auto it = tag.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString name = m.captured(2).toLower();
        if (!nestingElements().contains(name)) {
            if (m.capturedView(1).isEmpty() && m.capturedView(3).isEmpty())
                ++unclosed;
            continue;
        }
        if (!m.capturedView(1).isEmpty())
            depth = qMax(0, depth - 1);
        else if (m.capturedView(3).isEmpty())
            ++depth;
        if (depth > ImportLimits::MaxXmlDepth)
            return QStringLiteral("its HTML nests more than %1 levels deep")
                .arg(ImportLimits::MaxXmlDepth);
    }
    Q_UNUSED(unclosed);
    return QString();
}

QString HtmlImporter::boundSpans(const QString &html)
{
    static const QRegularExpression span(
        QStringLiteral("\\b(?:colspan|rowspan)\\s*=\\s*[\"']?\\s*\\+?([0-9]+)"),
        QRegularExpression::CaseInsensitiveOption);
    return MarkupSplice::replace(html, span, 1, [](const QRegularExpressionMatch &m) {
        bool ok = false;
        const int value = m.capturedView(1).toInt(&ok);
        return ok && value <= ImportLimits::MaxCellSpan
                   ? std::nullopt
                   : std::optional<QString>(QString::number(ImportLimits::MaxCellSpan));
    });
}

DocumentMetadata HtmlImporter::metadataOf(const QString &html)
{
    constexpr auto Options =
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption;
    static const QRegularExpression title(QStringLiteral("<title\\b[^>]*>(.*?)</title\\s*>"),
                                          Options);
    static const QRegularExpression meta(QStringLiteral("<meta\\b[^>]*>"), Options);
    static const QRegularExpression attribute(
        QStringLiteral("\\b(name|content)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"), Options);
    static const QRegularExpression language(
        QStringLiteral("<html\\b[^>]*?\\s(?:xml:)?lang\\s*=\\s*[\"']?([A-Za-z0-9_-]+)"), Options);
    // Entities and tags inside a value come out as the text they stand for.
    const auto text = [](const QString &markup) {
        return QTextDocumentFragment::fromHtml(markup).toPlainText().simplified();
    };
    // What describes the page is in its head; the body may be long.
    const qsizetype body = html.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
    const QString head = body < 0 ? html : html.left(body);
    DocumentMetadata metadata;
    if (const auto m = title.match(head); m.hasMatch())
        metadata.title = text(m.captured(1));
    for (auto it = meta.globalMatch(head); it.hasNext() && metadata.author.isEmpty();) {
        QString name;
        QString content;
        for (auto a = attribute.globalMatch(it.next().captured()); a.hasNext();) {
            const QRegularExpressionMatch m = a.next();
            const QString value = m.captured(2) + m.captured(3) + m.captured(4);
            (m.captured(1).compare(u"name", Qt::CaseInsensitive) == 0 ? name : content) = value;
        }
        if (name.compare(u"author", Qt::CaseInsensitive) == 0)
            metadata.author = text(content);
    }
    if (const auto m = language.match(head); m.hasMatch())
        metadata.language = DocumentMetadata::languageTag(m.captured(1));
    return metadata;
}

DocumentImporter::Result HtmlImporter::import(const Request &request, QTextDocument *document) const
{
    // The charset a page declares (meta charset, http-equiv, or a byte-order mark) decides;
    // without one, UTF-8 and then Latin-1 as for plain text.
    QString html;
    QStringDecoder decoder = QStringDecoder::decoderForHtml(request.data);
    if (decoder.isValid()) {
        html = decoder.decode(request.data);
        if (decoder.hasError())
            html = PlainTextDecoder::decode(request.data);
    } else {
        html = PlainTextDecoder::decode(request.data);
    }
    const QString error = nestingError(html);
    if (!error.isEmpty())
        return Result::failure(error);
    if (request.cancelled())
        return Result::cancelledResult();
    request.report(10);
    const HtmlReadableMarkup readable(html);
    QTextCursor(document).insertHtml(boundSpans(readable.html()));
    readable.markNotes(document);
    Result result;
    if (request.resources)
        request.resources->addNamedPictures(&result.images);
    result.metadata = metadataOf(html);
    request.report(100);
    return result;
}
