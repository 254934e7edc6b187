#include "RtfClipboard.h"

#include "EditorDocument.h"
#include "LoadNotice.h"
#include "ParagraphBreaker.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>

const QString RtfClipboard::RtfMimeType = QStringLiteral("text/rtf");

namespace {
// Other programs offer RTF under these names too.
const char *const AlternativeRtfTypes[] = {"application/rtf", "text/richtext"};
} // namespace

QMimeData *RtfClipboard::mimeData(const QTextCursor &selection)
{
    auto *data = new QMimeData;
    if (!selection.hasSelection()) {
        data->setText(QString());
        return data;
    }
    data->setText(selection.selection().toPlainText());
    data->setData(RtfMimeType, RtfWriter().write(selection));
    return data;
}

void RtfClipboard::copy(const QTextCursor &selection)
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setMimeData(mimeData(selection));
}

QByteArray RtfClipboard::rtfOf(const QMimeData *data)
{
    if (!data)
        return QByteArray();
    QByteArray rtf = data->data(RtfMimeType);
    for (const char *type : AlternativeRtfTypes) {
        if (!rtf.isEmpty())
            break;
        rtf = data->data(QString::fromLatin1(type));
    }
    return rtf;
}

bool RtfClipboard::hasRtf(const QMimeData *data)
{
    return !rtfOf(data).isEmpty();
}

void RtfClipboard::insert(const QMimeData *data, QTextCursor &cursor)
{
    const QByteArray rtf = rtfOf(data);
    if (!rtf.isEmpty()) {
        insertRtf(rtf, cursor);
        return;
    }
    cursor.insertText(data ? data->text() : QString());
}

void RtfClipboard::paste(QTextCursor &cursor)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    insert(clipboard ? clipboard->mimeData() : nullptr, cursor);
}

void RtfClipboard::insertRtf(const QByteArray &rtf, QTextCursor &cursor)
{
    EditorDocument pasted;
    RtfReader reader;
    reader.setPictureOwner(cursor.document());
    reader.read(rtf, QTextCursor(&pasted));
    ParagraphBreaker::noteBreaks(cursor.document(), ParagraphBreaker::takeBreaks(&pasted));

    QTextDocument *target = cursor.document();
    EditorDocument::copyPictures(pasted, target);

    const QTextDocumentFragment fragment(&pasted);
    cursor.beginEditBlock();
    if (fragment.isEmpty())
        cursor.removeSelectedText();
    else
        cursor.insertFragment(fragment);
    cursor.endEditBlock();
    LoadNotice::tell(target);
}
