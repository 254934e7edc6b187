#include "DocumentHandover.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

void DocumentHandover::show(QTextEdit *edit, std::unique_ptr<QTextDocument> document)
{
    if (!edit || !document)
        return;
    QTextDocument *const old = edit->document();
    // How the editor presents text lives in its document; the new one keeps it.
    document->setDefaultFont(old->defaultFont());
    document->setDefaultTextOption(old->defaultTextOption());
    document->setDocumentMargin(old->documentMargin());
    document->setIndentWidth(old->indentWidth());
    document->setUseDesignMetrics(old->useDesignMetrics());
    document->setDefaultStyleSheet(old->defaultStyleSheet());
    document->setDefaultCursorMoveStyle(old->defaultCursorMoveStyle());
    // Undoing must not unload the file: the history starts empty here.
    document->setUndoRedoEnabled(true);
    document->setModified(false);

    // Marks on the old text (the word being read, a found word) mean nothing in the new one.
    edit->setExtraSelections({});
    QTextDocument *const shown = document.release();
    shown->setParent(edit);
    // A document the editor made itself goes with the swap; one shown here before is ours
    // to free, after the new one has been painted.
    const bool oldIsOurs = old->parent() == edit;
    edit->setDocument(shown);
    // The editor keeps the old insertion format on its cursor; a fresh one at the start
    // takes the document's first format, which the toolbar then shows.
    edit->setTextCursor(QTextCursor(shown));
    if (oldIsOurs)
        old->deleteLater();
}
