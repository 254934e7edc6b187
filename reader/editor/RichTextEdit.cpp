#include "RichTextEdit.h"

#include "RtfClipboard.h"
#include "rtf/RtfWriter.h"

#include <QMimeData>
#include <memory>

RichTextEdit::RichTextEdit(QWidget *parent) : QTextEdit(parent) {}

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
