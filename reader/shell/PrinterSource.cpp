#include "PrinterSource.h"

#include "EditorDocument.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

std::unique_ptr<QPrinter> PrinterSource::defaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

void PrinterSource::printSelection(const QTextEdit &documentEdit, QPrinter &printer)
{
    const QTextCursor cursor = documentEdit.textCursor();
    const QTextDocument &source = *documentEdit.document();
    if (!cursor.hasSelection()) {
        source.print(&printer);
        return;
    }
    // The selection becomes a document of its own, laid out like the original, with the
    // original's pictures: left to look them up, Qt would read whatever file they name.
    EditorDocument selected;
    EditorDocument::copyPictures(source, &selected);
    selected.setDefaultFont(source.defaultFont());
    selected.setDefaultStyleSheet(source.defaultStyleSheet());
    selected.setDefaultTextOption(source.defaultTextOption());
    selected.setIndentWidth(source.indentWidth());
    QTextCursor(&selected).insertFragment(cursor.selection());
    selected.print(&printer);
}
