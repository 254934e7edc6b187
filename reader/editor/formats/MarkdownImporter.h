#pragma once

#include "DocumentImporter.h"

// Markdown through Qt's Markdown import.
class MarkdownImporter : public DocumentImporter
{
public:
    Result import(const Request &request, QTextDocument *document) const override;
};
