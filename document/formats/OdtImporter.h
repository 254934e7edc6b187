#pragma once

#include "DocumentImporter.h"

// ODT (OpenDocument text): content.xml with the styles of content.xml and styles.xml.
class OdtImporter : public DocumentImporter
{
public:
    Result import(const Request &request, QTextDocument *document) const override;
};
