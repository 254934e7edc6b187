#include "RtfReader.h"

#include "CharacterOffset.h"
#include "RtfCodePage.h"
#include "RtfKeyword.h"

#include <QImage>
#include <algorithm>

namespace {
using K = RtfKeyword;
using Destination = RtfGroupState::Destination;

// Twips per pixel at the 96 dots per inch that document lengths are measured in.
constexpr double TwipsPerPixel = 15.0;
constexpr int MaxTwips = 31680; // 22 inches, the largest page RTF describes
constexpr int MaxUnicodeSkip = 16;

bool flag(bool hasParameter, int parameter)
{
    return !hasParameter || parameter != 0;
}
} // namespace

RtfReader::RtfReader() = default;
RtfReader::~RtfReader() = default;

bool RtfReader::isRtf(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    qsizetype i = 0;
    while (i < data.size() &&
           (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

int RtfReader::paragraphCount() const
{
    return m_builder ? m_builder->paragraphCount() : 0;
}

void RtfReader::read(QByteArrayView data, const QTextCursor &cursor)
{
    m_builder = std::make_unique<RtfDocumentBuilder>(cursor);
    m_stack.assign(1, RtfGroupState{});

    RtfTokenizer tokenizer(data);
    while (!m_done) {
        const RtfTokenizer::Token token = tokenizer.next();
        if (token.type == RtfTokenizer::End)
            break;
        switch (token.type) {
        case RtfTokenizer::GroupOpen:
            groupOpen();
            break;
        case RtfTokenizer::GroupClose:
            groupClose();
            break;
        case RtfTokenizer::ControlWord:
            controlWord(token);
            break;
        case RtfTokenizer::ControlSymbol:
            controlSymbol(token.symbol);
            break;
        case RtfTokenizer::HexByte: {
            const char byte = static_cast<char>(token.byte);
            text(QByteArrayView(&byte, 1));
            break;
        }
        case RtfTokenizer::Text:
            text(token.word);
            break;
        case RtfTokenizer::Binary:
            binary(token.word);
            break;
        case RtfTokenizer::End:
            break;
        }
    }
    if (!m_done) {
        // Truncated data: keep what was read, formatted as far as it got.
        flushText();
        finishDocument(state());
    }
}

void RtfReader::groupOpen()
{
    flushText();
    m_skipCharacters = 0;
    if (m_stack.size() >= MaxDepth) {
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(state());
    state().ignorableNext = false;
}

void RtfReader::groupClose()
{
    flushText();
    m_skipCharacters = 0;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.size() <= 1)
        return; // a stray closing brace before anything was opened
    const RtfGroupState closing = state();
    if (m_stack.size() == 2) {
        // The end of the outermost group is the end of the document.
        finishDocument(closing);
        m_done = true;
        return;
    }
    m_stack.pop_back();
    const Destination parent = state().destination;

    switch (closing.destination) {
    case Destination::FontTable:
        finishFontEntry();
        break;
    case Destination::Picture:
        if (parent != Destination::Picture)
            finishPicture();
        break;
    case Destination::Pn:
        if (parent != Destination::Pn) {
            state().paragraph.pnStyle =
                m_pnBullet ? RtfListTable::styleForNumberFormat(23, m_pnLevel) : m_pnStyle;
            state().paragraph.pnLevel = m_pnLevel;
        }
        break;
    default:
        break;
    }
}

void RtfReader::finishDocument(const RtfGroupState &last)
{
    flushText();
    m_builder->finish(blockFormat(last.paragraph), charFormat(last.character),
                      listSpec(last.paragraph));
}

void RtfReader::controlSymbol(char symbol)
{
    if (state().destination == Destination::Skip)
        return;
    if (m_skipCharacters > 0) {
        --m_skipCharacters;
        return;
    }
    switch (symbol) {
    case '\\':
    case '{':
    case '}': {
        text(QByteArrayView(&symbol, 1));
        break;
    }
    case '~':
        appendUnit(0x00A0);
        break;
    case '-':
        appendUnit(0x00AD);
        break;
    case '_':
        appendUnit(0x2011);
        break;
    case '*':
        state().ignorableNext = true;
        break;
    default:
        break;
    }
}

void RtfReader::controlWord(const RtfTokenizer::Token &token)
{
    RtfGroupState &current = state();
    if (current.destination == Destination::Skip)
        return;
    if (m_skipCharacters > 0) {
        // A control word standing in for the Unicode character before it.
        --m_skipCharacters;
        return;
    }
    const int id = RtfKeyword::lookup(token.word);
    const int parameter = token.parameter;
    const bool hasParameter = token.hasParameter;

    if (current.ignorableNext) {
        current.ignorableNext = false;
        if (!startDestination(id))
            current.destination = Destination::Skip;
        return;
    }
    if (startDestination(id))
        return;

    switch (id) {
    case K::Unicode: {
        int unit = parameter;
        if (unit < 0)
            unit += 65536;
        appendUnit(static_cast<char16_t>(std::clamp(unit, 0, 0xFFFF)));
        m_skipCharacters = current.unicodeSkip;
        return;
    }
    case K::UnicodeSkip:
        current.unicodeSkip = std::clamp(parameter, 0, MaxUnicodeSkip);
        return;
    case K::Ansi:
        m_documentCodePage = RtfCodePage::Ansi;
        return;
    case K::Mac:
        m_documentCodePage = 10000;
        return;
    case K::Pc:
        m_documentCodePage = 437;
        return;
    case K::Pca:
        m_documentCodePage = 850;
        return;
    case K::AnsiCodePage:
        m_documentCodePage = m_decoder.supports(parameter) ? parameter : RtfCodePage::Ansi;
        return;
    case K::DefaultFont:
        m_defaultFont = parameter;
        return;
    case K::EmDash:
        appendUnit(0x2014);
        return;
    case K::EnDash:
        appendUnit(0x2013);
        return;
    case K::Bullet:
        appendUnit(0x2022);
        return;
    case K::LeftQuote:
        appendUnit(0x2018);
        return;
    case K::RightQuote:
        appendUnit(0x2019);
        return;
    case K::LeftDoubleQuote:
        appendUnit(0x201C);
        return;
    case K::RightDoubleQuote:
        appendUnit(0x201D);
        return;
    case K::EmSpace:
        appendUnit(0x2003);
        return;
    case K::EnSpace:
        appendUnit(0x2002);
        return;
    case K::QuarterEmSpace:
        appendUnit(0x2005);
        return;
    case K::ZeroWidthJoiner:
        appendUnit(0x200D);
        return;
    case K::ZeroWidthNonJoiner:
        appendUnit(0x200C);
        return;
    case K::LtrMark:
        appendUnit(0x200E);
        return;
    case K::RtlMark:
        appendUnit(0x200F);
        return;
    case K::Tab:
        appendUnit(u'\t');
        return;
    case K::Line:
        appendUnit(0x2028);
        return;
    default:
        break;
    }

    flushText();
    switch (current.destination) {
    case Destination::FontTable:
        if (id == K::Font) {
            finishFontEntry();
            m_fontEntry = parameter;
            m_fontEntryCodePage = 0;
        } else if (id == K::FontCharset) {
            m_fontEntryCodePage = RtfCodePage::fromCharset(parameter);
        } else if (id == K::FontCodePage && m_decoder.supports(parameter)) {
            m_fontEntryCodePage = parameter;
        }
        return;
    case Destination::ColorTable: {
        const int component = std::clamp(parameter, 0, 255);
        if (id == K::Red)
            m_red = component;
        else if (id == K::Green)
            m_green = component;
        else if (id == K::Blue)
            m_blue = component;
        else
            return;
        m_colorSet = true;
        return;
    }
    case Destination::List:
        if (id == K::ListId)
            m_lists.setListId(parameter);
        return;
    case Destination::ListLevel:
        if (id == K::LevelNfc || id == K::LevelNfcN)
            m_lists.setLevelNumberFormat(parameter);
        return;
    case Destination::ListOverride:
        if (id == K::ListId)
            m_lists.setOverrideListId(parameter);
        else if (id == K::ListOverrideIndex)
            m_lists.setOverrideIndex(parameter);
        return;
    case Destination::Pn:
        switch (id) {
        case K::PnBullet:
            m_pnBullet = true;
            break;
        case K::PnBody:
            m_pnBullet = false;
            break;
        case K::PnLevel:
            m_pnBullet = false;
            m_pnLevel = std::clamp(parameter - 1, 0, 8);
            break;
        case K::PnDecimal:
            m_pnStyle = QTextListFormat::ListDecimal;
            break;
        case K::PnUpperRoman:
            m_pnStyle = QTextListFormat::ListUpperRoman;
            break;
        case K::PnLowerRoman:
            m_pnStyle = QTextListFormat::ListLowerRoman;
            break;
        case K::PnUpperLetter:
            m_pnStyle = QTextListFormat::ListUpperAlpha;
            break;
        case K::PnLowerLetter:
            m_pnStyle = QTextListFormat::ListLowerAlpha;
            break;
        default:
            break;
        }
        return;
    case Destination::Picture:
        pictureWord(id, parameter);
        return;
    case Destination::Text:
        tableWord(id, parameter);
        break;
    default:
        break;
    }
    characterWord(id, hasParameter, parameter);
    paragraphWord(id, hasParameter, parameter);
}

bool RtfReader::startDestination(int id)
{
    RtfGroupState &current = state();
    const Destination destination = current.destination;
    switch (id) {
    case K::FontTable:
        current.destination = Destination::FontTable;
        m_fontEntry = -1;
        return true;
    case K::ColorTable:
        current.destination = Destination::ColorTable;
        m_colorSet = false;
        return true;
    case K::ListTable:
        current.destination = Destination::ListTable;
        return true;
    case K::List:
        if (destination != Destination::ListTable)
            return false;
        current.destination = Destination::List;
        m_lists.beginList();
        return true;
    case K::ListLevel:
        if (destination != Destination::List)
            return false;
        current.destination = Destination::ListLevel;
        m_lists.beginLevel();
        return true;
    case K::ListOverrideTable:
        current.destination = Destination::ListOverrideTable;
        return true;
    case K::ListOverride:
        if (destination != Destination::ListOverrideTable)
            return false;
        current.destination = Destination::ListOverride;
        m_lists.beginOverride();
        return true;
    case K::Picture:
        flushText();
        current.destination = Destination::Picture;
        m_pictureType = PictureType::None;
        m_pictureHex.clear();
        m_pictureBinary.clear();
        m_pictureWidth = m_pictureHeight = m_pictureGoalWidth = m_pictureGoalHeight = 0;
        m_pictureScaleX = m_pictureScaleY = 100;
        return true;
    case K::Pn:
        current.destination = Destination::Pn;
        m_pnBullet = false;
        m_pnLevel = 0;
        m_pnStyle = QTextListFormat::ListDecimal;
        return true;
    case K::ShapePicture:
    case K::Field:
    case K::FieldResult:
        // Their content is ordinary document content.
        return true;
    case K::SkippedDestination:
        flushText();
        current.destination = Destination::Skip;
        return true;
    default:
        return false;
    }
}

void RtfReader::characterWord(int id, bool hasParameter, int parameter)
{
    RtfGroupState::Character &c = state().character;
    switch (id) {
    case K::Plain:
        c = RtfGroupState::Character{};
        break;
    case K::Font:
        c.font = parameter;
        break;
    case K::FontSize:
        c.halfPoints = hasParameter && parameter > 0 ? std::min(parameter, 3276) : 24;
        break;
    case K::Bold:
        c.bold = flag(hasParameter, parameter);
        break;
    case K::Italic:
        c.italic = flag(hasParameter, parameter);
        break;
    case K::Underline:
    case K::UnderlineWave:
        c.underline = flag(hasParameter, parameter);
        break;
    case K::UnderlineNone:
        c.underline = false;
        break;
    case K::Strike:
    case K::StrikeDouble:
        c.strike = flag(hasParameter, parameter);
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
        c.offsetTwips = std::clamp(hasParameter ? parameter : 6, 0, 1000) * 10;
        break;
    case K::Down:
        c.offsetTwips = -std::clamp(hasParameter ? parameter : 6, 0, 1000) * 10;
        break;
    case K::Super:
        c.script = flag(hasParameter, parameter) ? 1 : 0;
        break;
    case K::Sub:
        c.script = flag(hasParameter, parameter) ? -1 : 0;
        break;
    case K::NoSuperSub:
        c.script = 0;
        break;
    case K::Caps:
        c.caps = flag(hasParameter, parameter);
        break;
    case K::SmallCaps:
        c.smallCaps = flag(hasParameter, parameter);
        break;
    case K::Hidden:
        c.hidden = flag(hasParameter, parameter);
        break;
    default:
        break;
    }
}

void RtfReader::paragraphWord(int id, bool hasParameter, int parameter)
{
    RtfGroupState::Paragraph &p = state().paragraph;
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
    default:
        (void)hasParameter;
        break;
    }
}

void RtfReader::tableWord(int id, int parameter)
{
    (void)parameter;
    switch (id) {
    case K::Par:
    case K::Sect:
    case K::Page:
    case K::Row:
        endParagraph();
        break;
    case K::Cell:
        // Cells of a row become one line, separated by tabs.
        m_cellPending = true;
        break;
    default:
        break;
    }
}

void RtfReader::pictureWord(int id, int parameter)
{
    const int size = std::clamp(parameter, 0, 1 << 20);
    switch (id) {
    case K::PngBlip:
        m_pictureType = PictureType::Png;
        break;
    case K::JpegBlip:
        m_pictureType = PictureType::Jpeg;
        break;
    case K::OtherBlip:
        m_pictureType = PictureType::Other;
        break;
    case K::PicWidth:
        m_pictureWidth = size;
        break;
    case K::PicHeight:
        m_pictureHeight = size;
        break;
    case K::PicWidthGoal:
        m_pictureGoalWidth = size;
        break;
    case K::PicHeightGoal:
        m_pictureGoalHeight = size;
        break;
    case K::PicScaleX:
        m_pictureScaleX = std::clamp(parameter, 1, 1000);
        break;
    case K::PicScaleY:
        m_pictureScaleY = std::clamp(parameter, 1, 1000);
        break;
    default:
        break;
    }
}

void RtfReader::text(QByteArrayView bytes)
{
    if (m_skipCharacters > 0) {
        // The stand-in characters after \u.
        const qsizetype skipped = std::min<qsizetype>(m_skipCharacters, bytes.size());
        m_skipCharacters -= static_cast<int>(skipped);
        bytes = bytes.sliced(skipped);
        if (bytes.isEmpty())
            return;
    }
    switch (state().destination) {
    case Destination::Text:
        appendBytes(bytes);
        break;
    case Destination::FontTable: {
        qsizetype start = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == ';') {
                appendBytes(bytes.sliced(start, i - start));
                finishFontEntry();
                start = i + 1;
            }
        }
        appendBytes(bytes.sliced(start));
        break;
    }
    case Destination::ColorTable:
        for (const char c : bytes) {
            if (c == ';')
                finishColor();
        }
        break;
    case Destination::Picture:
        if (m_pictureType == PictureType::Png || m_pictureType == PictureType::Jpeg)
            m_pictureHex.append(bytes);
        break;
    default:
        break;
    }
}

void RtfReader::binary(QByteArrayView bytes)
{
    if (m_skipCharacters > 0) {
        --m_skipCharacters;
        return;
    }
    if (state().destination == Destination::Picture)
        m_pictureBinary.append(bytes);
}

bool RtfReader::collectsText() const
{
    const Destination destination = state().destination;
    return destination == Destination::Text || destination == Destination::FontTable;
}

int RtfReader::currentCodePage() const
{
    if (state().destination == Destination::FontTable)
        return m_fontEntryCodePage ? m_fontEntryCodePage : m_documentCodePage;
    const int font = state().character.font < 0 ? m_defaultFont : state().character.font;
    const auto found = m_fonts.constFind(font);
    if (found != m_fonts.constEnd() && found->codePage != 0)
        return found->codePage;
    return m_documentCodePage;
}

void RtfReader::appendBytes(QByteArrayView bytes)
{
    if (bytes.isEmpty() || !collectsText())
        return;
    if (m_cellPending && state().destination == Destination::Text)
        appendUnit(u'\t');
    const int codePage = currentCodePage();
    if (!m_bytes.isEmpty() && codePage != m_bytesCodePage)
        decodePending();
    m_bytesCodePage = codePage;
    m_bytes.append(bytes);
}

void RtfReader::appendUnit(char16_t unit)
{
    if (!collectsText())
        return;
    if (m_cellPending && state().destination == Destination::Text) {
        m_cellPending = false;
        if (unit != u'\t')
            appendUnit(u'\t');
    }
    decodePending();
    m_text.append(QChar(unit));
}

void RtfReader::decodePending()
{
    if (m_bytes.isEmpty())
        return;
    m_text.append(m_decoder.decode(m_bytes, m_bytesCodePage));
    m_bytes.clear();
}

void RtfReader::flushText()
{
    if (state().destination != Destination::Text)
        return;
    decodePending();
    if (m_text.isEmpty())
        return;
    if (!state().character.hidden)
        m_builder->insertText(m_text, charFormat(state().character));
    m_text.clear();
}

void RtfReader::endParagraph()
{
    flushText();
    m_cellPending = false;
    const RtfGroupState &current = state();
    m_builder->endParagraph(blockFormat(current.paragraph), charFormat(current.character),
                            listSpec(current.paragraph));
}

void RtfReader::finishFontEntry()
{
    decodePending();
    if (m_fontEntry >= 0) {
        QString name = m_text.trimmed();
        if (name.endsWith(u';'))
            name.chop(1);
        m_fonts.insert(m_fontEntry, Font{name, m_fontEntryCodePage});
        m_cacheValid = false;
    }
    m_fontEntry = -1;
    m_text.clear();
}

void RtfReader::finishColor()
{
    m_colors.append(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
    m_cacheValid = false;
}

void RtfReader::finishPicture()
{
    if (m_pictureType != PictureType::Png && m_pictureType != PictureType::Jpeg)
        return;
    const QByteArray data =
        m_pictureBinary.isEmpty() ? QByteArray::fromHex(m_pictureHex) : m_pictureBinary;
    m_pictureHex.clear();
    m_pictureBinary.clear();
    QImage image;
    if (!image.loadFromData(data, m_pictureType == PictureType::Png ? "PNG" : "JPEG"))
        return;
    // The intended size is in twips; without it the picture's pixels are taken as they are.
    QSizeF size(m_pictureGoalWidth > 0 ? m_pictureGoalWidth / TwipsPerPixel
                                       : (m_pictureWidth > 0 ? m_pictureWidth : image.width()),
                m_pictureGoalHeight > 0 ? m_pictureGoalHeight / TwipsPerPixel
                                        : (m_pictureHeight > 0 ? m_pictureHeight : image.height()));
    size.rwidth() *= m_pictureScaleX / 100.0;
    size.rheight() *= m_pictureScaleY / 100.0;
    m_builder->insertImage(image, size, charFormat(state().character));
}

QTextCharFormat RtfReader::charFormat(const RtfGroupState::Character &c)
{
    if (m_cacheValid && c == m_cachedCharacter)
        return m_cachedFormat;

    QTextCharFormat format;
    const auto font = m_fonts.constFind(c.font < 0 ? m_defaultFont : c.font);
    if (font != m_fonts.constEnd() && !font->name.isEmpty())
        format.setFontFamilies({font->name});
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

QTextBlockFormat RtfReader::blockFormat(const RtfGroupState::Paragraph &p) const
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
    // In a list the list supplies the indentation; RTF's hanging indent only places the
    // label that Qt draws itself.
    if (listSpec(p).key.isEmpty()) {
        if (p.leftIndent != 0)
            format.setLeftMargin(p.leftIndent / TwipsPerPixel);
        if (p.rightIndent != 0)
            format.setRightMargin(p.rightIndent / TwipsPerPixel);
        if (p.firstIndent != 0)
            format.setTextIndent(p.firstIndent / TwipsPerPixel);
    }
    if (p.spaceBefore != 0)
        format.setTopMargin(p.spaceBefore / TwipsPerPixel);
    if (p.spaceAfter != 0)
        format.setBottomMargin(p.spaceAfter / TwipsPerPixel);
    return format;
}

RtfDocumentBuilder::ListSpec RtfReader::listSpec(const RtfGroupState::Paragraph &p) const
{
    RtfDocumentBuilder::ListSpec spec;
    if (p.listOverride > 0) {
        spec.style = m_lists.style(p.listOverride, p.listLevel);
        if (spec.style == QTextListFormat::ListStyleUndefined)
            spec.style = RtfListTable::styleForNumberFormat(23, p.listLevel);
        spec.level = p.listLevel;
        spec.key = QStringLiteral("ls%1/%2").arg(p.listOverride).arg(p.listLevel);
        return spec;
    }
    if (p.pnStyle != QTextListFormat::ListStyleUndefined) {
        spec.style = p.pnStyle;
        spec.level = p.pnLevel;
        spec.continuous = true;
        spec.key = QStringLiteral("pn%1/%2").arg(int(p.pnStyle)).arg(p.pnLevel);
    }
    return spec;
}
