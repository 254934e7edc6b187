#include "MarkdownImporter.h"

#include "HtmlImporter.h"
#include "ResourceGate.h"

#include "../PlainTextDecoder.h"

#include <QTextCursor>
#include <QTextDocument>

DocumentImporter::Result MarkdownImporter::import(const Request &request,
                                                  QTextDocument *document) const
{
    const QString markdown = PlainTextDecoder::decode(request.data);
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
    Result result;
    if (request.resources)
        request.resources->addNamedPictures(&result.images);
    request.report(100);
    return result;
}
