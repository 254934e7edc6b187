#pragma once

#include "DocumentImporter.h"

// PDF through poppler: the text of each page in reading order, lines joined into paragraphs,
// words hyphenated at a line end joined again, each page ending its paragraph.
class PdfImporter : public DocumentImporter
{
public:
    Result import(const Request &request, QTextDocument *document) const override;
};
