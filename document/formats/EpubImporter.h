#pragma once

#include "DocumentImporter.h"

// EPUB 2 and 3: the chapters of the spine in order, each through Qt's HTML import, with
// the pictures of the archive.
class EpubImporter : public DocumentImporter
{
public:
    Result import(const Request &request, QTextDocument *document) const override;
};
