#include "RtfReader.h"

#include "RtfCodePage.h"
#include "RtfKeyword.h"
#include "RtfLanguage.h"

#include <algorithm>

namespace {
using K = RtfKeyword;
using Destination = RtfGroupState::Destination;

constexpr int MaxUnicodeSkip = 16;
} // namespace

RtfReader::RtfReader() = default;
RtfReader::~RtfReader() = default;

bool RtfReader::isRtf(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    qsizetype i = 0;
    while (i < data.size() && QByteArrayView(" \t\r\n").contains(data[i]))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

void RtfReader::read(QByteArrayView data, const QTextCursor &cursor)
{
    m_builder = std::make_unique<RtfDocumentBuilder>(cursor);
    RtfPictureBudget::startReading(m_pictureOwner ? m_pictureOwner : cursor.document());
    m_stack.reserve(MaxDepth);
    m_stack.assign(1, RtfGroupState{});
    // One edit block: the document then skips the per-insertion cursor and layout updates
    // that would make long paragraphs quadratic, and the read is one undo step.
    QTextCursor edit(cursor);
    edit.beginEditBlock();

    RtfTokenizer tokenizer(data);
    while (!m_done) {
        const RtfTokenizer::Token token = tokenizer.next();
        switch (token.type) {
        case RtfTokenizer::End:
            // Truncated data: keep what was read, formatted as far as it got.
            finishDocument(state());
            m_done = true;
            break;
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
        }
    }
    edit.endEditBlock();
}

void RtfReader::groupOpen()
{
    flushText();
    m_skipCharacters = 0;
    if (m_stack.size() >= MaxDepth) {
        ++m_overflowDepth;
        return;
    }
    RtfGroupState child = state();
    child.ignorableNext = false;
    if (child.destination == Destination::StyleSheet) {
        child.destination = Destination::StyleEntry;
        m_styleNumber = 0;
        m_styleOutline = 0;
    }
    m_stack.push_back(child);
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
    if (m_stack.size() == 2) {
        // The end of the outermost group is the end of the document.
        finishDocument(state());
        m_done = true;
        return;
    }
    const Destination closing = state().destination;
    m_stack.pop_back();
    const Destination parent = state().destination;

    if (closing == Destination::FontTable) {
        finishFontEntry();
    } else if (closing == Destination::InfoTitle || closing == Destination::InfoAuthor) {
        finishInfoText(closing);
    } else if (closing == Destination::StyleEntry && parent == Destination::StyleSheet) {
        finishStyleEntry();
    } else if (closing == Destination::Picture && parent != Destination::Picture) {
        finishPicture();
    } else if (closing == Destination::Pn && parent != Destination::Pn) {
        // The numbering describes the paragraph the group stands in.
        RtfGroupState::Paragraph &paragraph = state().paragraph;
        paragraph.pnStyle =
            m_pnBullet ? RtfListTable::styleForNumberFormat(23, m_pnLevel) : m_pnStyle;
        paragraph.pnLevel = m_pnLevel;
    }
}

void RtfReader::finishDocument(const RtfGroupState &last)
{
    if (m_metadata.language.isEmpty())
        m_metadata.language = m_firstLanguage;
    flushText();
    commitParagraph();
    m_builder->finish(m_formatting.blockFormat(last.paragraph),
                      m_formatting.charFormat(last.character),
                      m_formatting.listShape(last.paragraph));
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
    case '}':
        text(QByteArrayView(&symbol, 1));
        break;
    case '~':
        appendUnit(0x00A0); // no-break space
        break;
    case '-':
        appendUnit(0x00AD); // optional hyphen
        break;
    case '_':
        appendUnit(0x2011); // no-break hyphen
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
    const auto id = RtfKeyword::lookup(token.word);
    const int parameter = token.parameter;

    if (current.ignorableNext) {
        current.ignorableNext = false;
        if (!startDestination(id)) {
            flushText();
            current.destination = Destination::Skip;
        }
        return;
    }
    if (startDestination(id) || headerWord(id, token.hasParameter, parameter))
        return;
    if (const char16_t character = RtfKeyword::character(id)) {
        appendUnit(character);
        return;
    }

    flushText();
    switch (current.destination) {
    case Destination::FontTable:
    case Destination::ColorTable:
    case Destination::List:
    case Destination::ListLevel:
    case Destination::ListOverride:
        tableWord(id, parameter);
        return;
    case Destination::Pn:
        pnWord(id, parameter);
        return;
    case Destination::Picture:
        m_picture.controlWord(id, parameter);
        return;
    case Destination::Text:
        breakWord(id);
        break;
    case Destination::StyleEntry:
        if (id == K::Style)
            m_styleNumber = parameter;
        else if (id == K::OutlineLevel)
            m_styleOutline = parameter >= 0 && parameter <= 8 ? parameter + 1 : 0;
        break;
    default:
        break;
    }
    if (id == K::Language && m_firstLanguage.isEmpty())
        m_firstLanguage = RtfLanguage::tagOf(parameter);
    RtfFormatting::applyCharacterWord(current.character, id, token.hasParameter, parameter);
    RtfFormatting::applyParagraphWord(current.paragraph, id, parameter);
}

bool RtfReader::headerWord(int id, bool hasParameter, int parameter)
{
    switch (id) {
    case K::Unicode:
        if (hasParameter) {
            // A signed 16-bit number; anything outside that range is not a character.
            const bool valid = parameter >= -0x8000 && parameter <= 0xFFFF;
            const int unit = parameter < 0 ? parameter + 0x10000 : parameter;
            appendUnit(valid ? static_cast<char16_t>(unit) : char16_t(QChar::ReplacementCharacter));
            m_skipCharacters = state().unicodeSkip;
        }
        return true;
    case K::UnicodeSkip:
        state().unicodeSkip = std::clamp(parameter, 0, MaxUnicodeSkip);
        return true;
    case K::Ansi:
        m_documentCodePage = RtfCodePage::Ansi;
        return true;
    case K::Mac:
        m_documentCodePage = 10000;
        return true;
    case K::Pc:
        m_documentCodePage = 437;
        return true;
    case K::Pca:
        m_documentCodePage = 850;
        return true;
    case K::AnsiCodePage:
        // A code page nobody can convert from is read as the usual one.
        m_documentCodePage = m_decoder.supports(parameter) ? parameter : RtfCodePage::Ansi;
        return true;
    case K::DefaultFont:
        m_formatting.setDefaultFont(parameter);
        return true;
    case K::DefaultLanguage:
        m_metadata.language = RtfLanguage::tagOf(parameter);
        return true;
    default:
        return false;
    }
}

bool RtfReader::startDestination(int id)
{
    RtfGroupState &current = state();
    const Destination destination = current.destination;
    switch (id) {
    case K::FontTable:
        flushText();
        current.destination = Destination::FontTable;
        m_fontEntry = -1;
        return true;
    case K::ColorTable:
        flushText();
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
        m_formatting.lists().beginList();
        return true;
    case K::ListLevel:
        if (destination != Destination::List)
            return false;
        current.destination = Destination::ListLevel;
        m_formatting.lists().beginLevel();
        return true;
    case K::ListOverrideTable:
        current.destination = Destination::ListOverrideTable;
        return true;
    case K::ListOverride:
        if (destination != Destination::ListOverrideTable)
            return false;
        current.destination = Destination::ListOverride;
        m_formatting.lists().beginOverride();
        return true;
    case K::Picture:
        flushText();
        current.destination = Destination::Picture;
        m_picture.reset();
        return true;
    case K::Pn:
        current.destination = Destination::Pn;
        m_pnBullet = false;
        m_pnLevel = 0;
        m_pnStyle = QTextListFormat::ListDecimal;
        return true;
    case K::Info:
        flushText();
        current.destination = Destination::Info;
        return true;
    case K::StyleSheet:
        flushText();
        current.destination = Destination::StyleSheet;
        return true;
    case K::InfoTitle:
    case K::InfoAuthor:
        // Elsewhere than in the document information these name nothing we read.
        current.destination = destination != Destination::Info ? Destination::Skip
                              : id == K::InfoTitle             ? Destination::InfoTitle
                                                               : Destination::InfoAuthor;
        return true;
    case K::ShapePicture:
    case K::Field:
    case K::FieldResult:
        // Groups whose content is ordinary document content.
        return true;
    case K::SkippedDestination:
        flushText();
        current.destination = Destination::Skip;
        return true;
    default:
        return false;
    }
}

void RtfReader::tableWord(int id, int parameter)
{
    switch (state().destination) {
    case Destination::FontTable:
        if (id == K::Font) {
            finishFontEntry();
            m_fontEntry = parameter;
            m_fontEntryCodePage = 0;
            m_fontEntryKind.clear();
        } else if (id >= K::FontRoman && id <= K::FontNil) {
            static const char *const kinds[] = {"roman", "swiss", "modern", "script",
                                                "decor", "tech",  "bidi",   "nil"};
            m_fontEntryKind = QLatin1String(kinds[id - K::FontRoman]);
        } else if (id == K::FontCharset) {
            m_fontEntryCodePage = RtfCodePage::fromCharset(parameter);
        } else if (id == K::FontCodePage && m_decoder.supports(parameter)) {
            m_fontEntryCodePage = parameter;
        }
        break;
    case Destination::ColorTable:
        if (id == K::Red)
            m_red = std::clamp(parameter, 0, 255);
        else if (id == K::Green)
            m_green = std::clamp(parameter, 0, 255);
        else if (id == K::Blue)
            m_blue = std::clamp(parameter, 0, 255);
        else
            break;
        m_colorSet = true;
        break;
    case Destination::List:
        if (id == K::ListId)
            m_formatting.lists().setListId(parameter);
        break;
    case Destination::ListLevel:
        if (id == K::LevelNfc || id == K::LevelNfcN)
            m_formatting.lists().setLevelNumberFormat(parameter);
        break;
    case Destination::ListOverride:
        if (id == K::ListId)
            m_formatting.lists().setOverrideListId(parameter);
        else if (id == K::ListOverrideIndex)
            m_formatting.lists().setOverrideIndex(parameter);
        break;
    default:
        break;
    }
}

void RtfReader::pnWord(int id, int parameter)
{
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
}

void RtfReader::breakWord(int id)
{
    switch (id) {
    case K::Par:
    case K::Sect:
    case K::Page:
        endParagraph();
        break;
    case K::Cell:
        // Cells of a row become one line, separated by tabs: the paragraph mark that ends
        // a cell's text does not make a line of its own.
        m_paragraphPending = false;
        m_cellPending = true;
        break;
    case K::Row:
        if (!m_paragraphPending)
            endParagraph();
        commitParagraph();
        m_cellPending = false;
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
    case Destination::InfoTitle:
    case Destination::InfoAuthor:
    case Destination::StyleEntry:
        appendBytes(bytes);
        break;
    case Destination::FontTable: {
        // A semicolon ends a font's name.
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
        m_picture.appendHex(bytes);
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
        m_picture.appendBinary(bytes);
}

bool RtfReader::collectsText() const
{
    const Destination destination = state().destination;
    return destination == Destination::Text || destination == Destination::FontTable ||
           destination == Destination::InfoTitle || destination == Destination::InfoAuthor ||
           destination == Destination::StyleEntry;
}

int RtfReader::currentCodePage() const
{
    const int codePage = state().destination == Destination::FontTable
                             ? m_fontEntryCodePage
                             : m_formatting.codePageOf(state().character.font);
    return codePage ? codePage : m_documentCodePage;
}

void RtfReader::beforeContent()
{
    if (state().destination != Destination::Text)
        return;
    commitParagraph();
    if (m_cellPending) {
        m_cellPending = false;
        decodePending();
        m_text.append(u'\t');
    }
}

void RtfReader::appendBytes(QByteArrayView bytes)
{
    if (bytes.isEmpty() || !collectsText())
        return;
    beforeContent();
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
    beforeContent();
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
        m_builder->insertText(m_text, m_formatting.charFormat(state().character));
    m_text.clear();
}

void RtfReader::endParagraph()
{
    flushText();
    commitParagraph();
    // Formatted with what is in force at the mark, inserted when something follows.
    const RtfGroupState &current = state();
    m_pendingBlock = m_formatting.blockFormat(current.paragraph);
    m_pendingMark = m_formatting.charFormat(current.character);
    m_pendingList = m_formatting.listShape(current.paragraph);
    m_paragraphPending = true;
}

void RtfReader::commitParagraph()
{
    if (!m_paragraphPending)
        return;
    m_paragraphPending = false;
    m_cellPending = false;
    m_builder->endParagraph(m_pendingBlock, m_pendingMark, m_pendingList);
}

void RtfReader::finishFontEntry()
{
    decodePending();
    if (m_fontEntry >= 0) {
        QString name = m_text.trimmed();
        if (name.endsWith(u';'))
            name.chop(1);
        m_formatting.addFont(m_fontEntry, name, m_fontEntryCodePage, m_fontEntryKind);
    }
    m_fontEntry = -1;
    m_text.clear();
}

void RtfReader::finishColor()
{
    m_formatting.addColor(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
}

void RtfReader::finishInfoText(Destination closing)
{
    decodePending();
    (closing == Destination::InfoTitle ? m_metadata.title : m_metadata.author) =
        m_text.simplified();
    m_text.clear();
}

void RtfReader::finishStyleEntry()
{
    decodePending();
    const QString name = m_text.section(u';', 0, 0);
    m_text.clear();
    if (const int level = RtfFormatting::headingLevelOfStyle(name, m_styleOutline))
        m_formatting.setStyleHeading(m_styleNumber, level);
}

void RtfReader::finishPicture()
{
    // Decoding whole pictures would let a small file claim gigabytes: each is kept at what
    // it is shown at, and the document's account (RtfPictureBudget) caps them all together.
    const QSize source = m_picture.sourceSize();
    if (source.isEmpty()) {
        m_picture.reset();
        return;
    }
    const QSizeF size = m_picture.displaySize(source);
    const QSize kept = RtfPictureBudget::keptSize(source, size);
    QTextDocument *owner = m_pictureOwner ? m_pictureOwner : m_builder->document();
    QImage image;
    if (RtfPictureBudget::reserve(owner, RtfPictureBudget::bytesFor(kept))) {
        image = m_picture.image(kept);
    } else {
        image = RtfPictureBudget::placeholder();
        RtfPictureBudget::noteLeftOut(owner);
    }
    if (image.isNull()) {
        m_picture.reset();
        return;
    }
    QTextCharFormat format = m_formatting.charFormat(state().character);
    if (image.size() != source) {
        format.setProperty(RtfPictureBudget::OriginalData, m_picture.data());
        format.setProperty(RtfPictureBudget::OriginalSize, source);
        format.setProperty(RtfPictureBudget::OriginalIsJpeg, int(m_picture.isJpeg()));
    }
    m_picture.reset();
    beforeContent();
    flushText();
    m_builder->insertImage(image, size, format);
}
