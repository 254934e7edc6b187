#pragma once

#include "DocumentFonts.h"
#include "RtfTextEncoder.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

class QTextList;

// Writes a document, or a selection of it, as RTF that word processors read back with the
// same text and formatting: Windows-1252 with \uN for other characters, a font and a
// colour table, character formatting per run, alignment and indents per paragraph, lists
// both as list tables and as the older \pn form, and pictures as PNG.
class RtfWriter
{
public:
    QByteArray write(const QTextDocument &document);

    // The selected part of the cursor's document; paragraphs cut by the selection keep
    // their paragraph formatting.
    QByteArray write(const QTextCursor &selection);

private:
    QByteArray writeRange(const QTextDocument &document, int start, int end);
    template <typename Visitor> void forEachBlock(Visitor visit) const;

    void collect(const QTextBlock &block, int start, int end);
    void writeParagraph(QByteArray &out, const QTextBlock &block, int start, int end);
    void writeListText(QByteArray &out, const QTextBlock &block);
    // `otherScripts`: the paragraph holds East Asian or complex-script text.
    void writeCharacterFormat(QByteArray &out, const QTextCharFormat &format, bool otherScripts);
    void writeImage(QByteArray &out, const QTextImageFormat &format);
    void writePictureGroup(QByteArray &out, const char *blip, const QByteArray &data,
                           const QSize &pixels, const QSizeF &shown);
    QByteArray header() const;
    QByteArray listTables() const;

    DocumentFonts::Named familyOf(const QTextCharFormat &format) const;
    int fontIndex(const QTextCharFormat &format);
    int colorIndex(const QColor &color);
    int listIndex(const QTextList *list) const;

    const QTextDocument *m_document = nullptr;
    int m_start = 0;
    int m_end = 0;
    RtfTextEncoder m_encoder;
    // Tables in order of first use, with indexes for lookup: large documents can have
    // many of each.
    QStringList m_fonts;
    QStringList m_fontKinds;
    QHash<QString, int> m_fontIndex;
    QList<QColor> m_colors;
    QHash<QRgb, int> m_colorIndex;
    QList<const QTextList *> m_lists;
    QHash<const QTextList *, int> m_listIndex;
    QHash<const QTextList *, int> m_listCounters;
};
