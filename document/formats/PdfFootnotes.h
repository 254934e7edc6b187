#pragma once

#include "PdfTextLine.h"

// The footnotes of a PDF page: lines set smaller than the body at the foot of the page (of
// its column, on a page in columns), each note starting with the number or sign of the
// raised marker that refers to it in the text above.
class PdfFootnotes
{
public:
    struct Note
    {
        QString label;
        // The note's lines, its label left out of the first.
        QList<PdfTextLine> lines;
    };

    // Takes the page's notes out of its lines. `bodyHeight` is the height of the letters of
    // the document's body text.
    static QList<Note> take(QList<PdfTextLine> &lines, double bodyHeight);
};
