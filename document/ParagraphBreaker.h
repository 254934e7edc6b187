#pragma once

#include <QString>
#include <QStringView>

class QTextDocument;

// Keeps paragraphs short enough to lay out. The text layout works on a paragraph as one
// piece, and a paragraph of many megabytes holds the window for minutes; a document whose
// paragraph passes MaxLength characters gets a paragraph break there, at the end of a
// sentence when one is near, else between words. Nothing else in the text changes, and the
// breaks are counted on the document so that the user can be told.
class ParagraphBreaker
{
public:
    static constexpr qsizetype MaxLength = 100'000;

    // How many characters of `text` go before a break when the paragraph has `room`
    // characters left: the end of the last sentence in the second half of that room, else
    // after the last space in it, else all of the room (never inside a surrogate pair).
    static qsizetype breakAt(QStringView text, qsizetype room);

    // Plain text with a line feed at every break its long lines need.
    static QString breakLines(const QString &text, int *breaks = nullptr);

    static void noteBreaks(QTextDocument *document, int breaks);
    // Breaks made since the last call.
    static int takeBreaks(QTextDocument *document);
};
