#pragma once

#include "DocumentImporter.h"

// RTF and plain text, as the reader has always opened them.
class TextImporter : public DocumentImporter
{
public:
    Result import(const Request &request, QTextDocument *document) const override;
};
