#pragma once

#include "PdfTextLine.h"

// The columns of a PDF page, found from the layout of its lines, and the page's lines in the
// order a person reads them: each column from top to bottom before the next, what runs
// across the columns (a title, an abstract, a wide table) where it stands between them.
// poppler's own order interleaves the lines of two columns whose paragraphs are set apart
// by space, and may run a line of one column into the line beside it.
//
// A column is a stretch of the page, wide enough for running text, with a strip of white
// (the gutter) beside it that almost no line crosses. The narrow strips between the cells of
// a table are no gutters: a table's columns are too narrow, and its rows stay rows.
class PdfColumns
{
public:
    // The lines in reading order, lines of one row within a column joined. Returns false,
    // leaving the lines as they are, when the page is not set in columns.
    static bool arrange(QList<PdfTextLine> &lines);

    // A line holding only a bullet joined to the line of the item beside it, so the bullet
    // stays with its item.
    static void joinBullets(QList<PdfTextLine> &lines);

    static bool isBullet(const QString &word);
};
