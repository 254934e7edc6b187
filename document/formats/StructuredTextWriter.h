#pragma once

#include "StructuredText.h"

#include <QHash>
#include <QPair>
#include <QTextCursor>
#include <atomic>

class QTextList;

// Writes imported paragraphs and tables into a document at the end of `cursor`'s document.
// Headings become bold paragraphs of a size by level with their heading level set, so they
// look like headings and can be found as such.
class StructuredTextWriter
{
public:
    StructuredTextWriter(QTextCursor cursor, const std::atomic_bool *cancel = nullptr);

    // False when cancelled part way.
    bool write(const QList<ImportedParagraph> &paragraphs);

private:
    void writeParagraph(const ImportedParagraph &paragraph);
    void writeTable(const ImportedTable &table);
    void startBlock(const QTextBlockFormat &format);

    QTextCursor m_cursor;
    const std::atomic_bool *m_cancel;
    bool m_freshBlock = true; // the cursor sits in an empty block nothing has used yet
    QHash<QPair<QString, int>, QTextList *> m_lists;
};
