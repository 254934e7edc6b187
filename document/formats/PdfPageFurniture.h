#pragma once

#include "PdfTextLine.h"

// What a PDF prints around the text on every page: running heads and feet (a journal's
// name, a chapter's title, a date) and page numbers. They are lines at the top or bottom
// edge of a page that come back on other pages, the page number in them changing, or that
// hold nothing but a page number. A person reading skips them; read aloud they break the
// sentence that runs from one page to the next.
class PdfPageFurniture
{
public:
    // Takes them out of the lines of each page (`pageHeights` holds the height of each page)
    // and returns those of each page, from top to bottom.
    static QList<QList<PdfTextLine>> take(QList<QList<PdfTextLine>> &pages,
                                          const QList<double> &pageHeights);

    // "17", "xii", "Page 3", "- 4 -", "5 of 12".
    static bool isPageNumber(const QString &text);
};
