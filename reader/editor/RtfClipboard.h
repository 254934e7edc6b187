#pragma once

#include <QString>

class QMimeData;
class QTextCursor;

// Rich text on the clipboard: RTF under the MIME type "text/rtf" beside the plain text.
// Pasting prefers the RTF, so formatting survives copying within the document and between
// word processors; other programs' plain text arrives in the formatting at the cursor.
class RtfClipboard
{
public:
    static const QString RtfMimeType;

    // The selection as plain text and RTF; an empty selection gives empty plain text only.
    static QMimeData *mimeData(const QTextCursor &selection);

    // Puts the selection on the system clipboard.
    static void copy(const QTextCursor &selection);

    // True when the data holds non-empty RTF under one of the names programs use for it.
    static bool hasRtf(const QMimeData *data);

    // Replaces the cursor's selection with the data: its RTF when there is any, else its
    // plain text (which may be empty, so the selection just goes).
    static void insert(const QMimeData *data, QTextCursor &cursor);

    // Replaces the selection with the system clipboard's content.
    static void paste(QTextCursor &cursor);

private:
    static QByteArray rtfOf(const QMimeData *data);
    static void insertRtf(const QByteArray &rtf, QTextCursor &cursor);
};
