#include "RichTextEdit.h"

#include "RtfClipboard.h"
#include "rtf/RtfWriter.h"

#include <QMimeData>

RichTextEdit::RichTextEdit(QWidget *parent) : QTextEdit(parent) {}

QMimeData *RichTextEdit::createMimeDataFromSelection() const
{
    QMimeData *data = QTextEdit::createMimeDataFromSelection();
    const QTextCursor selection = textCursor();
    if (data && selection.hasSelection())
        data->setData(RtfClipboard::RtfMimeType, RtfWriter().write(selection));
    return data;
}

bool RichTextEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return RtfClipboard::hasRtf(source) || QTextEdit::canInsertFromMimeData(source);
}

void RichTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!RtfClipboard::hasRtf(source)) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QTextCursor cursor = textCursor();
    RtfClipboard::insert(source, cursor);
    setTextCursor(cursor);
    ensureCursorVisible();
}
