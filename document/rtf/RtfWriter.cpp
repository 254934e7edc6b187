#include "RtfWriter.h"

#include "CharacterOffset.h"
#include "RtfPictureBudget.h"
#include "formats/PictureStore.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextList>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {
constexpr double TwipsPerPixel = 15.0;
constexpr int LevelCount = 9;
constexpr int ListIdBase = 1000;

QByteArray number(double value)
{
    return QByteArray::number(static_cast<qint64>(std::lround(value)));
}

// RTF's \levelnfc for a Qt list style; bullets are 23.
int numberFormat(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListDecimal:
        return 0;
    case QTextListFormat::ListUpperRoman:
        return 1;
    case QTextListFormat::ListLowerRoman:
        return 2;
    case QTextListFormat::ListUpperAlpha:
        return 3;
    case QTextListFormat::ListLowerAlpha:
        return 4;
    default:
        return 23;
    }
}

QByteArray bulletText(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListCircle:
        return "\\u9702 ?";
    case QTextListFormat::ListSquare:
        return "\\u9642 ?";
    default:
        return "\\'95";
    }
}

QString letters(int number, char16_t first)
{
    QString label;
    for (; number > 0; number = (number - 1) / 26)
        label.prepend(QChar(char16_t(first + (number - 1) % 26)));
    return label;
}

QString roman(int number, bool upper)
{
    static const std::pair<int, const char *> numerals[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString label;
    for (const auto &[value, text] : numerals) {
        for (; number >= value && label.size() < 64; number -= value)
            label += QLatin1String(text);
    }
    return upper ? label.toUpper() : label;
}

// The label a numbered list item shows, for readers that print the list text as it is.
QString itemLabel(QTextListFormat::Style style, int number)
{
    switch (style) {
    case QTextListFormat::ListLowerAlpha:
        return letters(number, u'a') + u'.';
    case QTextListFormat::ListUpperAlpha:
        return letters(number, u'A') + u'.';
    case QTextListFormat::ListLowerRoman:
        return roman(number, false) + u'.';
    case QTextListFormat::ListUpperRoman:
        return roman(number, true) + u'.';
    default:
        return QString::number(number) + u'.';
    }
}

QByteArray legacyNumbering(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListDecimal:
        return "\\pndec";
    case QTextListFormat::ListUpperRoman:
        return "\\pnucrm";
    case QTextListFormat::ListLowerRoman:
        return "\\pnlcrm";
    case QTextListFormat::ListUpperAlpha:
        return "\\pnucltr";
    case QTextListFormat::ListLowerAlpha:
        return "\\pnlcltr";
    default:
        return QByteArray();
    }
}

// Characters that word processors set in their East Asian or complex-script font: those from
// Hebrew on, apart from the punctuation and symbols Latin text uses as well and the stand-in
// for pictures. Counting a few too many costs nothing but bytes.
bool hasOtherScripts(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u >= 0x0590 && (u < 0x2000 || (u >= 0x2E80 && u < 0xFFF0));
    });
}

// The paragraph numbering of readers that know no list tables.
QByteArray legacyNumberingGroup(QTextListFormat::Style style)
{
    if (numberFormat(style) == 23)
        return "{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\'95}}";
    return "{\\*\\pn\\pnlvlbody" + legacyNumbering(style) + "\\pnstart1\\pnindent0{\\pntxta .}}";
}
} // namespace

QByteArray RtfWriter::write(const QTextDocument &document)
{
    return writeRange(document, 0, document.characterCount() - 1);
}

QByteArray RtfWriter::write(const QTextCursor &selection)
{
    if (!selection.document())
        return QByteArray();
    return writeRange(*selection.document(), selection.selectionStart(), selection.selectionEnd());
}

template <typename Visitor> void RtfWriter::forEachBlock(Visitor visit) const
{
    for (QTextBlock block = m_document->findBlock(m_start);
         block.isValid() && block.position() <= m_end; block = block.next())
        visit(block);
}

QByteArray RtfWriter::writeRange(const QTextDocument &document, int start, int end)
{
    m_document = &document;
    m_start = start;
    m_end = end;
    m_fonts.clear();
    m_fontKinds.clear();
    m_fontIndex.clear();
    m_colors.clear();
    m_colorIndex.clear();
    m_lists.clear();
    m_listIndex.clear();
    m_listCounters.clear();
    fontIndex(QTextCharFormat()); // the document's default font is \f0

    forEachBlock([&](const QTextBlock &block) { collect(block, start, end); });

    QByteArray body;
    body.reserve((end - start) * 2 + 256);
    forEachBlock([&](const QTextBlock &block) { writeParagraph(body, block, start, end); });

    return header() + body + "}\r\n";
}

void RtfWriter::collect(const QTextBlock &block, int start, int end)
{
    if (const QTextList *list = block.textList(); list && !m_listIndex.contains(list)) {
        m_listIndex.insert(list, static_cast<int>(m_lists.size()));
        m_lists.append(list);
    }
    fontIndex(block.charFormat());
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.position() + fragment.length() <= start || fragment.position() >= end)
            continue;
        const QTextCharFormat format = fragment.charFormat();
        fontIndex(format);
        if (format.hasProperty(QTextFormat::ForegroundBrush))
            colorIndex(format.foreground().color());
        if (format.hasProperty(QTextFormat::BackgroundBrush))
            colorIndex(format.background().color());
    }
}

QByteArray RtfWriter::header() const
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\r\n{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i) {
        const QString &kind = m_fontKinds.at(i);
        out += "{\\f" + QByteArray::number(i) + "\\f" +
               (kind.isEmpty() ? QByteArray("nil") : kind.toLatin1()) + "\\fcharset0 ";
        m_encoder.append(out, m_fonts.at(i));
        out += ";}";
    }
    out += "}\r\n{\\colortbl;";
    for (const QColor &color : m_colors) {
        out += "\\red" + QByteArray::number(color.red()) + "\\green" +
               QByteArray::number(color.green()) + "\\blue" + QByteArray::number(color.blue()) +
               ';';
    }
    out += "}\r\n";
    out += listTables();
    out += "{\\*\\generator Parlance;}\\viewkind4\r\n";
    return out;
}

QByteArray RtfWriter::listTables() const
{
    if (m_lists.isEmpty())
        return QByteArray();
    QByteArray out = "{\\*\\listtable";
    for (int i = 0; i < m_lists.size(); ++i) {
        const QTextListFormat::Style style = m_lists.at(i)->format().style();
        const int nfc = numberFormat(style);
        out += "{\\list\\listtemplateid" + QByteArray::number(ListIdBase + i) + "\\listhybrid";
        for (int level = 0; level < LevelCount; ++level) {
            const QByteArray nfcText = QByteArray::number(nfc);
            out += "{\\listlevel\\levelnfc" + nfcText + "\\levelnfcn" + nfcText +
                   "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1\\levelspace0"
                   "\\levelindent0";
            if (nfc == 23) {
                out += "{\\leveltext\\'01" + bulletText(style) + ";}{\\levelnumbers;}";
            } else {
                out += "{\\leveltext\\'02\\'0" + QByteArray::number(level) +
                       ".;}{\\levelnumbers\\'01;}";
            }
            out += "\\fi-360\\li" + QByteArray::number(720 * (level + 1)) + "}";
        }
        out += "{\\listname ;}\\listid" + QByteArray::number(ListIdBase + i) + "}";
    }
    out += "}\r\n{\\*\\listoverridetable";
    for (int i = 0; i < m_lists.size(); ++i) {
        out += "{\\listoverride\\listid" + QByteArray::number(ListIdBase + i) +
               "\\listoverridecount0\\ls" + QByteArray::number(i + 1) + "}";
    }
    out += "}\r\n";
    return out;
}

void RtfWriter::writeParagraph(QByteArray &out, const QTextBlock &block, int start, int end)
{
    const QTextBlockFormat format = block.blockFormat();
    out += "\\pard\\plain";
    const QTextList *list = block.textList();
    if (list) {
        // The older numbering goes first: readers that know both let the list table win when
        // \ls follows, but LibreOffice lets a \pn that comes after \ls replace the list's
        // levels and numbering with plain bullets.
        out += legacyNumberingGroup(list->format().style());
        const int level = std::clamp(list->format().indent() - 1, 0, LevelCount - 1);
        out += "\\ls" + QByteArray::number(listIndex(list) + 1) + "\\ilvl" +
               QByteArray::number(level) + "\\fi-360\\li" + QByteArray::number(720 * (level + 1));
    }

    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        out += "\\qr";
    else if (alignment & Qt::AlignHCenter)
        out += "\\qc";
    else if (alignment & Qt::AlignJustify)
        out += "\\qj";
    else
        out += "\\ql";

    if (!list) {
        const double left = format.leftMargin() + format.indent() * m_document->indentWidth();
        if (left != 0)
            out += "\\li" + number(left * TwipsPerPixel);
        if (format.rightMargin() != 0)
            out += "\\ri" + number(format.rightMargin() * TwipsPerPixel);
        if (format.textIndent() != 0)
            out += "\\fi" + number(format.textIndent() * TwipsPerPixel);
    }
    if (format.topMargin() != 0)
        out += "\\sb" + number(format.topMargin() * TwipsPerPixel);
    if (format.bottomMargin() != 0)
        out += "\\sa" + number(format.bottomMargin() * TwipsPerPixel);
    // Headings stay headings, so that a saved book keeps its chapters.
    if (format.headingLevel() > 0)
        out += "\\outlinelevel" + QByteArray::number(format.headingLevel() - 1);
    out += ' ';

    if (list)
        writeListText(out, block);

    // Spaces and punctuation take the script of the text around them, so every run of a
    // paragraph with such text names the fonts for it.
    const bool otherScripts = hasOtherScripts(block.text());
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int from = std::max(fragment.position(), start);
        const int to = std::min(fragment.position() + fragment.length(), end);
        if (from >= to)
            continue;
        const QTextCharFormat charFormat = fragment.charFormat();
        out += '{';
        writeCharacterFormat(out, charFormat, otherScripts);
        if (charFormat.isImageFormat()) {
            for (int i = from; i < to; ++i)
                writeImage(out, charFormat.toImageFormat());
        } else {
            out += ' ';
            const QString text = fragment.text();
            m_encoder.append(out, QStringView(text).sliced(from - fragment.position(), to - from));
        }
        out += '}';
    }
    // The paragraph mark carries the block's own character format, which sets the height
    // of an empty line.
    writeCharacterFormat(out, block.charFormat(), otherScripts);
    out += "\\par\r\n";
}

void RtfWriter::writeListText(QByteArray &out, const QTextBlock &block)
{
    // The label as plain text, for readers that do not build lists themselves.
    const QTextList *list = block.textList();
    const QTextListFormat::Style style = list->format().style();
    if (numberFormat(style) == 23) {
        out += "{\\listtext " + bulletText(style) + "\\tab}";
    } else {
        out += "{\\listtext ";
        // Counted here: asking the list for each item's number costs a search per item.
        const int number = ++m_listCounters[list];
        m_encoder.append(out, itemLabel(style, number));
        out += "\\tab}";
    }
}

void RtfWriter::writeCharacterFormat(QByteArray &out, const QTextCharFormat &format,
                                     bool otherScripts)
{
    const QByteArray font = QByteArray::number(fontIndex(format));
    double points = format.fontPointSize();
    if (points <= 0)
        points = m_document->defaultFont().pointSizeF();
    if (points <= 0)
        points = 12;
    const QByteArray size = number(points * 2);
    const bool bold = format.fontWeight() > QFont::Medium;
    const bool italic = format.fontItalic();
    // Word processors keep a font per script: \f, \fs, \b and \i cover Latin text, East
    // Asian text takes the associated font set under \dbch, and complex scripts such as
    // Arabic the associated font, size and style set under \rtlch. Without them, those
    // characters fall back to the reader's default fonts and lose their bold and italic.
    // Paragraphs without such characters leave them out, which keeps Latin documents small.
    if (otherScripts) {
        out += "\\rtlch\\af" + font + "\\afs" + size;
        if (bold)
            out += "\\ab";
        if (italic)
            out += "\\ai";
        out += "\\ltrch\\hich\\af" + font + "\\dbch\\af" + font + "\\loch";
    }
    out += "\\f" + font + "\\fs" + size;
    if (bold)
        out += "\\b";
    if (italic)
        out += "\\i";
    if (format.fontUnderline() || format.underlineStyle() != QTextCharFormat::NoUnderline)
        out += "\\ul";
    if (format.fontStrikeOut())
        out += "\\strike";
    if (format.fontCapitalization() == QFont::AllUppercase)
        out += "\\caps";
    else if (format.fontCapitalization() == QFont::SmallCaps)
        out += "\\scaps";
    if (format.hasProperty(QTextFormat::ForegroundBrush) &&
        format.foreground().style() != Qt::NoBrush)
        out += "\\cf" + QByteArray::number(colorIndex(format.foreground().color()));
    if (format.hasProperty(QTextFormat::BackgroundBrush) &&
        format.background().style() != Qt::NoBrush)
        out += "\\highlight" + QByteArray::number(colorIndex(format.background().color()));

    const int offset = CharacterOffset::get(format);
    if (offset != 0) {
        // RTF measures the offset in half-points (ten twips).
        const int halfPoints = std::max(1, static_cast<int>(std::lround(std::abs(offset) / 10.0)));
        out += (offset > 0 ? "\\up" : "\\dn") + QByteArray::number(halfPoints);
    } else if (!CharacterOffset::isSet(format)) {
        if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            out += "\\super";
        else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
            out += "\\sub";
    }
}

void RtfWriter::writeImage(QByteArray &out, const QTextImageFormat &format)
{
    // A picture kept smaller than it came (or left out) is written back as it came: saving
    // must not lose what the window did not show.
    const QByteArray original = format.property(RtfPictureBudget::OriginalData).toByteArray();
    if (!original.isEmpty()) {
        const QSize source = format.property(RtfPictureBudget::OriginalSize).toSize();
        const bool jpeg = format.intProperty(RtfPictureBudget::OriginalIsJpeg) != 0;
        writePictureGroup(out, jpeg ? "\\jpegblip" : "\\pngblip", original, source,
                          QSizeF(format.width() > 0 ? format.width() : source.width(),
                                 format.height() > 0 ? format.height() : source.height()));
        return;
    }
    QImage image = PictureStore::imageOf(*m_document, format.name());
    if (image.isNull() && QUrl(format.name()).isLocalFile())
        image.load(QUrl(format.name()).toLocalFile());
    if (image.isNull())
        return;

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return;
    const double width = format.width() > 0 ? format.width() : image.width();
    const double height = format.height() > 0 ? format.height() : image.height();
    writePictureGroup(out, "\\pngblip", png, image.size(), QSizeF(width, height));
}

void RtfWriter::writePictureGroup(QByteArray &out, const char *blip, const QByteArray &data,
                                  const QSize &pixels, const QSizeF &shown)
{
    out += QByteArray("{\\pict") + blip + "\\picw" + QByteArray::number(pixels.width()) + "\\pich" +
           QByteArray::number(pixels.height()) + "\\picwgoal" +
           number(shown.width() * TwipsPerPixel) + "\\pichgoal" +
           number(shown.height() * TwipsPerPixel) + "\r\n";
    const QByteArray hex = data.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        out += hex.mid(i, 128);
        out += "\r\n";
    }
    out += '}';
}

DocumentFonts::Named RtfWriter::familyOf(const QTextCharFormat &format) const
{
    // A font this machine lacks is shown in another, but the document keeps its own.
    const DocumentFonts::Named named = DocumentFonts::named(format);
    if (!named.family.isEmpty())
        return named;
    return {m_document->defaultFont().family(), {}};
}

int RtfWriter::fontIndex(const QTextCharFormat &format)
{
    const auto [family, kind] = familyOf(format);
    const auto found = m_fontIndex.constFind(family);
    if (found != m_fontIndex.constEnd())
        return found.value();
    const int index = static_cast<int>(m_fonts.size());
    m_fonts.append(family);
    // Only the kinds RTF knows; the reader keeps whatever it was given.
    static const QStringList known = {"roman", "swiss", "modern", "script",
                                      "decor", "tech",  "bidi",   "nil"};
    m_fontKinds.append(known.contains(kind) ? kind : QString());
    m_fontIndex.insert(family, index);
    return index;
}

int RtfWriter::colorIndex(const QColor &color)
{
    const QRgb rgb = color.rgb();
    const auto found = m_colorIndex.constFind(rgb);
    if (found != m_colorIndex.constEnd())
        return found.value();
    m_colors.append(QColor::fromRgb(rgb));
    const int index = static_cast<int>(m_colors.size()); // 0 is the automatic colour
    m_colorIndex.insert(rgb, index);
    return index;
}

int RtfWriter::listIndex(const QTextList *list) const
{
    return m_listIndex.value(list, 0);
}
