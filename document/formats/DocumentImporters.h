#pragma once

#include "DocumentFormat.h"
#include "DocumentImporter.h"

// The importer for each format, in one place for the reader and the converter.
class DocumentImporters
{
public:
    // Never null for a known format; null for DocumentFormat::Unknown.
    static const DocumentImporter *forFormat(DocumentFormat::Kind kind);
};
