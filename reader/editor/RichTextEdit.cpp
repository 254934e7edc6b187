#include "RichTextEdit.h"

#include "DocumentHandover.h"
#include "EditorDocument.h"
#include "RtfClipboard.h"
#include "rtf/RtfWriter.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <memory>

RichTextEdit::RichTextEdit(QWidget *parent) : QTextEdit(parent)
{
    // Long lists, typed or pasted, stay quick to build.
    DocumentHandover::show(this, std::make_unique<EditorDocument>());
}

QStringList RichTextEdit::droppedFiles(const QMimeData *source)
{
    QStringList files;
    if (!source || !source->hasUrls())
        return files;
    for (const QUrl &url : source->urls()) {
        if (url.isLocalFile())
            files << url.toLocalFile();
    }
    return files;
}

// A file drag is accepted everywhere on the document: no insertion point is shown, since
// the file replaces the document rather than going in at the cursor.
void RichTextEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QTextEdit::dragEnterEvent(event);
}

void RichTextEdit::dragMoveEvent(QDragMoveEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QTextEdit::dragMoveEvent(event);
}

void RichTextEdit::dropEvent(QDropEvent *event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) {
        QTextEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(files);
}

QMimeData *RichTextEdit::createMimeDataFromSelection() const
{
    // Qt's own data lists a fixed set of formats and would hide anything added to it, so
    // its content is copied into plain MIME data beside the RTF.
    const std::unique_ptr<QMimeData> qtData(QTextEdit::createMimeDataFromSelection());
    auto *data = new QMimeData;
    if (qtData) {
        for (const QString &format : qtData->formats())
            data->setData(format, qtData->data(format));
    }
    const QTextCursor selection = textCursor();
    if (selection.hasSelection())
        data->setData(RtfClipboard::RtfMimeType, RtfWriter().write(selection));
    return data;
}

bool RichTextEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return RtfClipboard::hasRtf(source) || QTextEdit::canInsertFromMimeData(source);
}

void RichTextEdit::insertFromMimeData(const QMimeData *source)
{
    // Like the Edit menu: RTF when offered, else plain text in the formatting at the cursor
    // (other programs' HTML would otherwise bring their styling along).
    if (!RtfClipboard::hasRtf(source) && !(source && source->hasText())) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QTextCursor cursor = textCursor();
    RtfClipboard::insert(source, cursor);
    setTextCursor(cursor);
    ensureCursorVisible();
}
