#pragma once

#include "PdfTextLine.h"

#include <QSet>

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
    static QList<PdfTextLine> lines(const Poppler::Page &page);

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
