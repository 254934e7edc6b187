#include "RtfFormatting.h"

#include "CharacterOffset.h"
#include "RtfKeyword.h"

#include <algorithm>

namespace {
using K = RtfKeyword;

constexpr double TwipsPerPixel = 15.0;
constexpr int MaxTwips = 31680; // 22 inches, the largest page RTF describes
constexpr int MaxHalfPoints = 3276;
constexpr int MaxOffsetHalfPoints = 1000;

bool flag(bool hasParameter, int parameter)
{
    return !hasParameter || parameter != 0;
}
} // namespace

void RtfFormatting::applyCharacterWord(RtfGroupState::Character &c, int id, bool hasParameter,
                                       int parameter)
{
    const bool on = flag(hasParameter, parameter);
    // \up and \dn count half-points, 6 when no number is given.
    const int offset = std::clamp(hasParameter ? parameter : 6, 0, MaxOffsetHalfPoints) * 10;
    switch (id) {
    case K::Plain:
        c = RtfGroupState::Character{};
        break;
    case K::Font:
        c.font = parameter;
        break;
    case K::FontSize:
        c.halfPoints = hasParameter && parameter > 0 ? std::min(parameter, MaxHalfPoints) : 24;
        break;
    case K::Bold:
        c.bold = on;
        break;
    case K::Italic:
        c.italic = on;
        break;
    case K::Underline:
    case K::UnderlineWave:
        c.underline = on;
        break;
    case K::UnderlineNone:
        c.underline = false;
        break;
    case K::Strike:
    case K::StrikeDouble:
        c.strike = on;
        break;
    case K::Foreground:
        c.foreground = std::max(parameter, 0);
        break;
    case K::Background:
    case K::Highlight:
    case K::Shading:
        c.background = std::max(parameter, 0);
        break;
    case K::Up:
        c.offsetTwips = offset;
        break;
    case K::Down:
        c.offsetTwips = -offset;
        break;
    case K::Super:
        c.script = on ? 1 : 0;
        break;
    case K::Sub:
        c.script = on ? -1 : 0;
        break;
    case K::NoSuperSub:
        c.script = 0;
        break;
    case K::Caps:
        c.caps = on;
        break;
    case K::SmallCaps:
        c.smallCaps = on;
        break;
    case K::Hidden:
        c.hidden = on;
        break;
    default:
        break;
    }
}

void RtfFormatting::applyParagraphWord(RtfGroupState::Paragraph &p, int id, int parameter)
{
    const int twips = std::clamp(parameter, -MaxTwips, MaxTwips);
    switch (id) {
    case K::Pard:
        p = RtfGroupState::Paragraph{};
        break;
    case K::AlignLeft:
        p.alignment = 0;
        break;
    case K::AlignRight:
        p.alignment = 1;
        break;
    case K::AlignCenter:
        p.alignment = 2;
        break;
    case K::AlignJustify:
        p.alignment = 3;
        break;
    case K::LeftIndent:
        p.leftIndent = twips;
        break;
    case K::RightIndent:
        p.rightIndent = twips;
        break;
    case K::FirstIndent:
        p.firstIndent = twips;
        break;
    case K::SpaceBefore:
        p.spaceBefore = std::max(twips, 0);
        break;
    case K::SpaceAfter:
        p.spaceAfter = std::max(twips, 0);
        break;
    case K::ListOverrideIndex:
        p.listOverride = std::max(parameter, 0);
        break;
    case K::ListLevelIndex:
        p.listLevel = std::clamp(parameter, 0, 8);
        break;
    case K::Style:
        p.style = parameter;
        break;
    case K::OutlineLevel:
        // Levels 0 to 8 are headings; 9 is body text.
        p.outlineLevel = parameter >= 0 && parameter <= 8 ? parameter + 1 : 0;
        break;
    default:
        break;
    }
}

void RtfFormatting::addFont(int id, const QString &name, int codePage, const QString &kind)
{
    m_fonts.insert(id, Font{name, codePage, kind});
    m_cacheValid = false;
}

void RtfFormatting::addColor(const QColor &color)
{
    m_colors.append(color);
    m_cacheValid = false;
}

int RtfFormatting::codePageOf(int font) const
{
    const auto found = m_fonts.constFind(resolvedFont(font));
    return found == m_fonts.constEnd() ? 0 : found->codePage;
}

QTextCharFormat RtfFormatting::charFormat(const RtfGroupState::Character &c)
{
    if (m_cacheValid && c == m_cachedCharacter)
        return m_cachedFormat;

    QTextCharFormat format;
    const auto font = m_fonts.constFind(resolvedFont(c.font));
    if (font != m_fonts.constEnd())
        m_shownFonts.setFamily(format, font->name, font->kind);
    format.setFontPointSize(std::max(c.halfPoints, 2) / 2.0);
    if (c.bold)
        format.setFontWeight(QFont::Bold);
    if (c.italic)
        format.setFontItalic(true);
    if (c.underline)
        format.setFontUnderline(true);
    if (c.strike)
        format.setFontStrikeOut(true);
    if (c.caps)
        format.setFontCapitalization(QFont::AllUppercase);
    else if (c.smallCaps)
        format.setFontCapitalization(QFont::SmallCaps);
    if (c.foreground > 0 && c.foreground < m_colors.size() && m_colors.at(c.foreground).isValid())
        format.setForeground(m_colors.at(c.foreground));
    if (c.background > 0 && c.background < m_colors.size() && m_colors.at(c.background).isValid())
        format.setBackground(m_colors.at(c.background));
    if (c.offsetTwips != 0)
        CharacterOffset::set(format, c.offsetTwips);
    else if (c.script > 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (c.script < 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);

    m_cachedCharacter = c;
    m_cachedFormat = format;
    m_cacheValid = true;
    return format;
}

int RtfFormatting::headingLevelOfStyle(const QString &name, int outlineLevel)
{
    if (outlineLevel > 0)
        return outlineLevel;
    const QString lower = name.trimmed().toLower();
    bool ok = false;
    const int level = lower.startsWith(u"heading ") ? lower.mid(8).toInt(&ok) : 0;
    return ok && level >= 1 && level <= 9 ? level : lower == u"title" ? 1 : 0;
}

QTextBlockFormat RtfFormatting::blockFormat(const RtfGroupState::Paragraph &p) const
{
    QTextBlockFormat format;
    switch (p.alignment) {
    case 1:
        format.setAlignment(Qt::AlignRight);
        break;
    case 2:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case 3:
        format.setAlignment(Qt::AlignJustify);
        break;
    default:
        format.setAlignment(Qt::AlignLeft);
        break;
    }
    // In a list the list supplies the indentation; RTF's hanging indent there only places
    // the label, which Qt draws itself.
    if (listShape(p).key.isEmpty()) {
        if (p.leftIndent != 0)
            format.setLeftMargin(p.leftIndent / TwipsPerPixel);
        if (p.rightIndent != 0)
            format.setRightMargin(p.rightIndent / TwipsPerPixel);
        if (p.firstIndent != 0)
            format.setTextIndent(p.firstIndent / TwipsPerPixel);
    }
    // Headings are what chapters are found by; Qt knows six levels.
    if (const int level = p.outlineLevel ? p.outlineLevel : m_styleHeadings.value(p.style))
        format.setHeadingLevel(std::min(level, 6));
    if (p.spaceBefore != 0)
        format.setTopMargin(p.spaceBefore / TwipsPerPixel);
    if (p.spaceAfter != 0)
        format.setBottomMargin(p.spaceAfter / TwipsPerPixel);
    return format;
}

RtfDocumentBuilder::ListShape RtfFormatting::listShape(const RtfGroupState::Paragraph &p) const
{
    RtfDocumentBuilder::ListShape shape;
    if (p.listOverride > 0) {
        shape.style = m_lists.style(p.listOverride, p.listLevel);
        if (shape.style == QTextListFormat::ListStyleUndefined)
            shape.style = RtfListTable::styleForNumberFormat(23, p.listLevel);
        shape.level = p.listLevel;
        shape.key = QStringLiteral("ls%1/%2").arg(p.listOverride).arg(p.listLevel);
        return shape;
    }
    if (p.pnStyle != QTextListFormat::ListStyleUndefined) {
        shape.style = p.pnStyle;
        shape.level = p.pnLevel;
        shape.continuous = true;
        shape.key = QStringLiteral("pn%1/%2").arg(int(p.pnStyle)).arg(p.pnLevel);
    }
    return shape;
}
