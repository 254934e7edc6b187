#pragma once

#include "DocumentFonts.h"
#include "RtfDocumentBuilder.h"
#include "RtfGroupState.h"
#include "RtfListTable.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QTextBlockFormat>
#include <QTextCharFormat>

// The document-wide tables of an RTF file (fonts, colours, lists) and the translation of a
// group's formatting state into Qt formats.
class RtfFormatting
{
public:
    // Applies a character or paragraph formatting word (RtfKeyword ids) to a state; other
    // words leave it alone.
    static void applyCharacterWord(RtfGroupState::Character &c, int id, bool hasParameter,
                                   int parameter);
    static void applyParagraphWord(RtfGroupState::Paragraph &p, int id, int parameter);

    void setDefaultFont(int font) { m_defaultFont = font; }
    // `kind` is the font's generic kind ("roman", "swiss", ...; empty when not given).
    void addFont(int id, const QString &name, int codePage, const QString &kind = {});
    void addColor(const QColor &color); // an invalid colour is the automatic one
    RtfListTable &lists() { return m_lists; }
    // The heading level (1 to 9) of a paragraph style; a style's name ("heading 2") or
    // outline level (\outlinelevel1) tells it.
    void setStyleHeading(int style, int level) { m_styleHeadings.insert(style, level); }
    static int headingLevelOfStyle(const QString &name, int outlineLevel);

    // The code page of a font's text; 0 when it follows the document's.
    int codePageOf(int font) const;

    QTextCharFormat charFormat(const RtfGroupState::Character &character);
    QTextBlockFormat blockFormat(const RtfGroupState::Paragraph &paragraph) const;
    RtfDocumentBuilder::ListShape listShape(const RtfGroupState::Paragraph &paragraph) const;

private:
    struct Font
    {
        QString name;
        int codePage = 0;
        QString kind;
    };

    int resolvedFont(int font) const { return font < 0 ? m_defaultFont : font; }

    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    DocumentFonts m_shownFonts;
    QList<QColor> m_colors;
    RtfListTable m_lists;
    QHash<int, int> m_styleHeadings;

    RtfGroupState::Character m_cachedCharacter;
    QTextCharFormat m_cachedFormat;
    bool m_cacheValid = false;
};
