#include "StructuredTextWriter.h"

#include "ImportLimits.h"

#include "../NoteFormat.h"

#include <QScopeGuard>
#include <QTextList>
#include <QTextTable>

QString ImportedParagraph::plainText() const
{
    QString text;
    for (const ImportedRun &run : runs)
        text += run.text;
    return text;
}

namespace {
// Point sizes of heading levels 1 to 6, as a word processor's default heading styles.
constexpr double HeadingSizes[] = {18, 15, 13, 12, 11, 10};
// Paragraphs between two checks for Cancel.
constexpr int CancelCheckInterval = 64;
} // namespace

StructuredTextWriter::StructuredTextWriter(QTextCursor cursor, const std::atomic_bool *cancel)
    : m_cursor(std::move(cursor)), m_cancel(cancel)
{
    m_cursor.movePosition(QTextCursor::End);
    m_freshBlock = m_cursor.block().length() <= 1 && !m_cursor.block().previous().isValid();
}

bool StructuredTextWriter::write(const QList<ImportedParagraph> &paragraphs)
{
    // Outside an edit block every insertion lays out its whole paragraph again to place the
    // cursor: a paragraph of many runs would take time in the square of their number.
    m_cursor.beginEditBlock();
    const auto done = qScopeGuard([this] { m_cursor.endEditBlock(); });
    int count = 0;
    for (const ImportedParagraph &paragraph : paragraphs) {
        if (++count % CancelCheckInterval == 0 && m_cancel && m_cancel->load())
            return false;
        if (paragraph.table)
            writeTable(*paragraph.table);
        else
            writeParagraph(paragraph);
    }
    return true;
}

void StructuredTextWriter::startBlock(const QTextBlockFormat &format)
{
    if (m_freshBlock) {
        m_cursor.setBlockFormat(format);
        m_freshBlock = false;
    } else {
        m_cursor.insertBlock(format, QTextCharFormat());
    }
}

void StructuredTextWriter::writeParagraph(const ImportedParagraph &paragraph)
{
    QTextBlockFormat block;
    block.setAlignment(paragraph.alignment);
    const int level = qBound(0, paragraph.headingLevel, 6);
    if (level > 0)
        block.setHeadingLevel(level);
    if (paragraph.note)
        NoteFormat::setNote(block, NoteFormat::NoteBlock(paragraph.note));
    startBlock(block);

    if (paragraph.listLevel >= 0) {
        const QPair<QString, int> key(paragraph.listKey, paragraph.listLevel);
        QTextList *list = m_lists.value(key);
        if (list) {
            list->add(m_cursor.block());
        } else {
            QTextListFormat format;
            format.setStyle(paragraph.listStyle);
            format.setIndent(qMin(paragraph.listLevel, 9) + 1);
            m_lists.insert(key, m_cursor.createList(format));
        }
    }

    for (const ImportedRun &run : paragraph.runs) {
        QTextCharFormat format = run.format;
        if (level > 0) {
            format.setFontWeight(QFont::Bold);
            format.setFontPointSize(HeadingSizes[level - 1]);
        }
        if (!run.image.isEmpty()) {
            QTextImageFormat image;
            image.merge(format);
            image.setName(run.image);
            if (!run.altText.isEmpty())
                image.setProperty(QTextFormat::ImageAltText, run.altText);
            if (run.imageWidth > 0 && run.imageHeight > 0) {
                image.setWidth(run.imageWidth);
                image.setHeight(run.imageHeight);
            }
            m_cursor.insertImage(image);
        } else if (!run.text.isEmpty()) {
            m_cursor.insertText(run.text, format);
        }
    }
}

void StructuredTextWriter::writeTable(const ImportedTable &table)
{
    int columns = 0;
    for (const auto &row : table.rows)
        columns = qMax(columns, int(row.size()));
    const int rows = qMin(int(table.rows.size()), ImportLimits::MaxTableRows);
    columns = qMin(columns, ImportLimits::MaxTableColumns);
    if (rows == 0 || columns == 0)
        return;

    // The table goes after the paragraph the cursor is in; an unused first paragraph stays
    // as the empty line before it.
    m_freshBlock = false;
    QTextTableFormat format;
    format.setBorder(1);
    format.setCellPadding(2);
    format.setCellSpacing(0);
    QTextTable *textTable = m_cursor.insertTable(rows, columns, format);
    for (int r = 0; r < rows; ++r) {
        const auto &row = table.rows[r];
        for (int c = 0; c < qMin(columns, int(row.size())); ++c) {
            QTextCursor cell = textTable->cellAt(r, c).firstCursorPosition();
            StructuredTextWriter cellWriter(cell, nullptr);
            cellWriter.m_cursor = cell; // write inside the cell, not at the document's end
            cellWriter.m_freshBlock = true;
            for (const ImportedParagraph &paragraph : row[c]) {
                // A table inside a table is read as its cells' paragraphs.
                if (paragraph.table) {
                    for (const auto &innerRow : paragraph.table->rows)
                        for (const auto &innerCell : innerRow)
                            for (const ImportedParagraph &inner : innerCell)
                                if (!inner.table)
                                    cellWriter.writeParagraph(inner);
                } else {
                    cellWriter.writeParagraph(paragraph);
                }
            }
        }
    }
    for (const ImportedTable::Merge &merge : table.merges) {
        if (merge.row < rows && merge.column < columns)
            textTable->mergeCells(merge.row, merge.column, qMin(merge.rows, rows - merge.row),
                                  qMin(merge.columns, columns - merge.column));
    }
    m_cursor = textTable->lastCursorPosition();
    m_cursor.movePosition(QTextCursor::NextBlock);
    m_freshBlock = true;
}
