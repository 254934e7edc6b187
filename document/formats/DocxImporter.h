#pragma once

#include "DocumentImporter.h"

// DOCX (Office Open XML text): word/document.xml with its styles, numbering and pictures.
class DocxImporter : public DocumentImporter
{
public:
    Result import(const Request &request, QTextDocument *document) const override;
};
