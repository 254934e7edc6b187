#pragma once

#include <QHash>
#include <QImage>
#include <QPointer>
#include <QTextCursor>
#include <QTextList>

// Puts what the RTF reader finds into a document at a cursor: runs of text, images and
// paragraphs. A paragraph's own formatting is known only at its end (\par), so text goes
// into the current block and the block is formatted when it is closed. The break after
// the last paragraph is not inserted: RTF writers end the document with \par, and that
// mark closes the last paragraph rather than opening an empty one.
class RtfDocumentBuilder
{
public:
    struct ListShape
    {
        QString key; // paragraphs with the same key share one list; empty: no list
        QTextListFormat::Style style = QTextListFormat::ListStyleUndefined;
        int level = 0;
        bool continuous = false; // join the list only if the previous paragraph is in it
    };

    explicit RtfDocumentBuilder(const QTextCursor &cursor);

    QTextDocument *document() const { return m_cursor.document(); }

    void insertText(const QString &text, const QTextCharFormat &format);
    void insertImage(const QImage &image, const QSizeF &size, const QTextCharFormat &format);

    // Closes the current paragraph with this formatting.
    void endParagraph(const QTextBlockFormat &block, const QTextCharFormat &mark,
                      const ListShape &list);

    // Formats the last paragraph when the data ended without closing it.
    void finish(const QTextBlockFormat &block, const QTextCharFormat &mark, const ListShape &list);

    int paragraphCount() const { return m_paragraphs; }

private:
    void openPendingParagraph();
    void formatCurrentBlock(const QTextBlockFormat &block, const QTextCharFormat &mark,
                            const ListShape &list);

    QTextCursor m_cursor;
    bool m_breakPending = false;
    bool m_blockHasContent = false;
    qsizetype m_blockLength = 0;
    int m_paragraphs = 0;
    QHash<QString, QPointer<QTextList>> m_lists;
    int m_imageCount = 0;
};
