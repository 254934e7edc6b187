#pragma once

#include "DocumentImporter.h"

// HTML pages through Qt's HTML import, decoded with the charset the page declares.
class HtmlImporter : public DocumentImporter
{
public:
    Result import(const Request &request, QTextDocument *document) const override;

    // Why the markup nests too deeply for the HTML import, or an empty string. The import
    // walks the element tree recursively and in quadratic time on depth.
    static QString nestingError(QStringView html);

    // The markup with every table cell's colspan and rowspan cut to ImportLimits::MaxCellSpan.
    static QString boundSpans(const QString &html);

    // The page's <title>, its author's <meta> and the language of its <html> element.
    static DocumentMetadata metadataOf(const QString &html);
};
