#pragma once

#include "PdfTextLine.h"

// poppler hands a table over column by column: every cell of the first column, then every
// cell of the second. Read aloud that makes "Name, alpha, beta, Value, one, two" of a table
// whose rows are "Name Value" and "alpha one". This puts such columns back side by side:
// a run of lines that starts back up the page (or on the row just read) beside the lines
// just read, far enough to their right to be another column of a table rather than the
// next column of a page set in columns, is laid beside them and the lines become rows,
// their cells separated by a tab.
class PdfTableRows
{
public:
    // A column counts as a table's when its lines stop at least this many line heights
    // short of the next column. Columns of running text are justified up to a gutter of
    // one or two line heights; the cells of a table rarely fill their width.
    static constexpr double ColumnGap = 3.0;
    // Lines of one column looked at, back and forth. A real table column has far fewer;
    // the bound keeps a hostile page of a million tiny lines from costing their square.
    static constexpr qsizetype MaxColumnLines = 1000;

    static QList<PdfTextLine> arrange(const QList<PdfTextLine> &lines);

    // Whether two boxes sit on the same row: they overlap by more than half the smaller height.
    static bool sameRow(const QRectF &a, const QRectF &b);

private:
    static qsizetype joinColumn(QList<PdfTextLine> &arranged, const QList<PdfTextLine> &lines,
                                qsizetype start);
};
