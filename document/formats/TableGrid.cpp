#include "TableGrid.h"

#include "ImportLimits.h"

namespace {
int boundedSpan(int span)
{
    return qBound(1, span, ImportLimits::MaxCellSpan);
}
} // namespace

bool TableGrid::full() const
{
    return m_row.size() >= ImportLimits::MaxTableColumns;
}

void TableGrid::startRow()
{
    m_row.clear();
    m_touched.clear();
    m_inRow = true;
}

void TableGrid::endRow()
{
    if (!m_inRow)
        return;
    m_inRow = false;
    // A cell going down ends where a row puts a cell of its own in its column.
    for (const int column : m_touched)
        m_downwards.remove(column);
    if (m_table.rows.size() < ImportLimits::MaxTableRows)
        m_table.rows.append(m_row);
}

void TableGrid::addCell(const QList<ImportedParagraph> &cell, int columns)
{
    if (full())
        return;
    m_touched.append(int(m_row.size()));
    m_row.append(cell);
    for (int i = 1; i < boundedSpan(columns) && !full(); ++i)
        m_row.append(QList<ImportedParagraph>());
    if (columns > 1)
        mergeLast(1, columns);
}

void TableGrid::mergeLast(int rows, int columns)
{
    if (m_touched.isEmpty() || (rows <= 1 && columns <= 1))
        return;
    ImportedTable::Merge merge;
    merge.row = int(m_table.rows.size());
    merge.column = m_touched.last();
    merge.rows = boundedSpan(rows);
    merge.columns = boundedSpan(columns);
    if (!m_table.merges.isEmpty() && m_table.merges.last().row == merge.row &&
        m_table.merges.last().column == merge.column)
        m_table.merges.last() = merge;
    else
        m_table.merges.append(merge);
}

void TableGrid::startDownwards()
{
    if (m_touched.isEmpty())
        return;
    const int column = m_touched.last();
    if (m_table.merges.isEmpty() || m_table.merges.last().row != int(m_table.rows.size()) ||
        m_table.merges.last().column != column) {
        ImportedTable::Merge merge;
        merge.row = int(m_table.rows.size());
        merge.column = column;
        m_table.merges.append(merge);
    }
    m_downwards.insert(column, m_table.merges.size() - 1);
    // Its own row does not end it.
    m_touched.removeLast();
}

void TableGrid::continueAbove(int columns)
{
    const int column = int(m_row.size());
    const auto it = m_downwards.constFind(column);
    if (it != m_downwards.constEnd()) {
        ImportedTable::Merge &merge = m_table.merges[*it];
        merge.rows = qMin(merge.rows + 1, ImportLimits::MaxCellSpan);
    }
    addCovered(columns);
}

void TableGrid::addCovered(int columns)
{
    if (columns <= 0)
        return;
    for (int i = 0; i < boundedSpan(columns) && !full(); ++i)
        m_row.append(QList<ImportedParagraph>());
}

void TableGrid::finish()
{
    endRow();
    // Merges of one cell say nothing.
    m_table.merges.removeIf(
        [](const ImportedTable::Merge &merge) { return merge.rows <= 1 && merge.columns <= 1; });
}
