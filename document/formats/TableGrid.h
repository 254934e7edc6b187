#pragma once

#include "StructuredText.h"

#include <QHash>

// The cells of a table read row by row and laid on its grid, merged cells spread over the
// places they cover so that every row has a cell at every column. Office files say a cell
// covers more than one column or row in ways of their own; both end up as the table's list
// of merges.
class TableGrid
{
public:
    explicit TableGrid(ImportedTable &table) : m_table(table) {}
    ~TableGrid() { finish(); }

    void startRow();
    void endRow();

    // A cell, and the empty places after it on its row that it covers.
    void addCell(const QList<ImportedParagraph> &cell, int columns = 1);
    // The cell just added covers this many rows and columns from its place.
    void mergeLast(int rows, int columns);
    // A cell that goes on from the cell above it, as wide as it, and starts a cell that
    // goes on into the rows below it.
    void continueAbove(int columns = 1);
    void startDownwards();
    // Empty places covered by a cell before or above them.
    void addCovered(int columns = 1);

private:
    void finish();
    bool full() const;

    ImportedTable &m_table;
    QList<QList<ImportedParagraph>> m_row;
    bool m_inRow = false;
    // For each column, the merge a cell started that may still go down into the next row.
    QHash<int, qsizetype> m_downwards;
    QList<int> m_touched; // columns of the row that were given a cell of their own
};
