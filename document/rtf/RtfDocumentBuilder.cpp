#include "RtfDocumentBuilder.h"

#include "ParagraphBreaker.h"

#include <QTextDocument>
#include <QUrl>
#include <QUuid>

RtfDocumentBuilder::RtfDocumentBuilder(const QTextCursor &cursor) : m_cursor(cursor) {}

void RtfDocumentBuilder::openPendingParagraph()
{
    if (!m_breakPending)
        return;
    m_breakPending = false;
    // A fresh format: the new block must not inherit the previous one's list or alignment.
    m_cursor.insertBlock(QTextBlockFormat(), m_cursor.charFormat());
    m_blockHasContent = false;
    m_blockLength = 0;
}

void RtfDocumentBuilder::insertText(const QString &text, const QTextCharFormat &format)
{
    if (text.isEmpty())
        return;
    openPendingParagraph();
    // A paragraph past the layout's comfortable length continues in a new one with the
    // same paragraph formatting (ParagraphBreaker says where).
    qsizetype from = 0;
    while (m_blockLength + (text.size() - from) > ParagraphBreaker::MaxLength) {
        const qsizetype take = ParagraphBreaker::breakAt(
            QStringView(text).mid(from), ParagraphBreaker::MaxLength - m_blockLength);
        if (take > 0)
            m_cursor.insertText(text.mid(from, take), format);
        from += take;
        m_cursor.insertBlock(m_cursor.blockFormat(), format);
        m_blockLength = 0;
        ParagraphBreaker::noteBreaks(m_cursor.document(), 1);
    }
    m_cursor.insertText(from == 0 ? text : text.mid(from), format);
    m_blockLength += text.size() - from;
    m_blockHasContent = true;
}

void RtfDocumentBuilder::insertImage(const QImage &image, const QSizeF &size,
                                     const QTextCharFormat &format)
{
    openPendingParagraph();
    // Names are unique across documents so that images survive being copied between them.
    const QString name = QStringLiteral("rtfimage:%1/%2")
                             .arg(QUuid::createUuid().toString(QUuid::WithoutBraces))
                             .arg(++m_imageCount);
    m_cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat imageFormat;
    imageFormat.merge(format);
    imageFormat.setName(name);
    imageFormat.setWidth(size.width());
    imageFormat.setHeight(size.height());
    m_cursor.insertImage(imageFormat);
    m_blockHasContent = true;
}

void RtfDocumentBuilder::endParagraph(const QTextBlockFormat &block, const QTextCharFormat &mark,
                                      const ListShape &list)
{
    openPendingParagraph();
    formatCurrentBlock(block, mark, list);
    m_breakPending = true;
    ++m_paragraphs;
}

void RtfDocumentBuilder::finish(const QTextBlockFormat &block, const QTextCharFormat &mark,
                                const ListShape &list)
{
    if (m_breakPending || !m_blockHasContent)
        return;
    formatCurrentBlock(block, mark, list);
    ++m_paragraphs;
}

void RtfDocumentBuilder::formatCurrentBlock(const QTextBlockFormat &block,
                                            const QTextCharFormat &mark, const ListShape &list)
{
    m_cursor.setBlockFormat(block);
    if (!m_blockHasContent)
        m_cursor.setBlockCharFormat(mark);
    if (list.key.isEmpty())
        return;

    QPointer<QTextList> &existing = m_lists[list.key];
    if (existing && list.continuous) {
        const QTextBlock previous = m_cursor.block().previous();
        if (!previous.isValid() || previous.textList() != existing)
            existing = nullptr;
    }
    if (existing) {
        existing->add(m_cursor.block());
        return;
    }
    QTextListFormat format;
    format.setStyle(list.style);
    format.setIndent(list.level + 1);
    existing = m_cursor.createList(format);
}
