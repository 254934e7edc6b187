#pragma once

#include "DocumentImporter.h"

// Markdown through Qt's Markdown import.
class MarkdownImporter : public DocumentImporter
{
public:
    Result import(const Request &request, QTextDocument *document) const override;

    // Reads a YAML front matter block ("---" lines around "title:", "author:", "lang:")
    // at the start of the text and removes it: it describes the text and is not part of it.
    static DocumentMetadata takeFrontMatter(QString &markdown);
};
