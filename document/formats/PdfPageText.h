#pragma once

#include "PdfTextLine.h"

#include <QSet>
#include <vector>

namespace Poppler {
class Page;
}

// The lines of one PDF page as poppler finds them, in poppler's order, with the words of each
// and their boxes. A digit or note sign drawn small and raised after a word (the marker of a
// footnote, even when poppler glues it to the word: "stores.1") is a word of its own marked
// as raised.
class PdfPageText
{
public:
    // A page's words kept in few pieces of memory while the other pages are read: holding
    // every word of a book as strings and lists of its own would scatter the heap under
    // poppler, which then reads each page a good deal slower.
    struct Words
    {
        struct Word
        {
            qsizetype start = 0; // in `text`
            qsizetype length = 0;
            QRectF box;
            bool spaceAfter = false;
            bool raised = false;
            bool startsLine = false;
        };
        QString text;
        std::vector<Word> words;
    };

    static Words words(const Poppler::Page &page);
    static QList<PdfTextLine> lines(const Words &words);

    // The line's words as one text, for comparing lines.
    static QString plainText(const PdfTextLine &line);

    // Sets the line's text from its words. Raised words whose text is one of `markers` are
    // enclosed as markers; others are read as they are. Words far apart on one line (a
    // table's header, a running head with the page number at the far side) are the cells
    // of a row, separated by a tab.
    static void setText(PdfTextLine &line, const QSet<QString> &markers);

    // Whether a word could be a note's marker: one to three digits, or a note sign.
    static bool isMarkerText(const QString &word);
};
