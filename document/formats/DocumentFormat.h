#pragma once

#include <QByteArrayView>
#include <QString>

// The kinds of file the reader opens, told apart by their content. The file name only
// decides between text formats that carry no signature of their own (Markdown is text).
class DocumentFormat
{
public:
    enum Kind { Unknown, Rtf, PlainText, Pdf, Epub, Docx, Odt, Html, Markdown };

    // What the bytes are. `fileName` may be empty; it is consulted only for text.
    // Unknown means the bytes are neither a known format nor text.
    static Kind sniff(QByteArrayView data, const QString &fileName = QString());

    // Whether the bytes read as text in one of the encodings the plain-text reader tries:
    // no NUL bytes (outside a UTF-16 file with a byte-order mark) and hardly any other
    // control characters.
    static bool looksLikeText(QByteArrayView data);

    // A short name for messages ("PDF document").
    static QString describe(Kind kind);

    // Formats whose own file Save may write back to: the reader writes RTF only, so only
    // RTF and plain text keep their path (as they always have).
    static bool keepsItsPath(Kind kind) { return kind == Rtf || kind == PlainText; }
};
