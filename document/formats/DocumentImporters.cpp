#include "DocumentImporters.h"

#include "DocxImporter.h"
#include "EpubImporter.h"
#include "HtmlImporter.h"
#include "MarkdownImporter.h"
#include "OdtImporter.h"
#include "PdfImporter.h"
#include "TextImporter.h"

const DocumentImporter *DocumentImporters::forFormat(DocumentFormat::Kind kind)
{
    // Importers hold no state, so one of each serves every thread.
    static const TextImporter text;
    static const PdfImporter pdf;
    static const EpubImporter epub;
    static const DocxImporter docx;
    static const OdtImporter odt;
    static const HtmlImporter html;
    static const MarkdownImporter markdown;
    switch (kind) {
    case DocumentFormat::Rtf:
    case DocumentFormat::PlainText:
        return &text;
    case DocumentFormat::Pdf:
        return &pdf;
    case DocumentFormat::Epub:
        return &epub;
    case DocumentFormat::Docx:
        return &docx;
    case DocumentFormat::Odt:
        return &odt;
    case DocumentFormat::Html:
        return &html;
    case DocumentFormat::Markdown:
        return &markdown;
    case DocumentFormat::Unknown:
        break;
    }
    return nullptr;
}
