#include "DocumentXhtml.h"

#include "formats/PictureStore.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>
#include <algorithm>
#include <limits>

namespace {

// The character styles written, each as its element, opened in this order.
enum Style { Bold = 1, Italic = 2, Underline = 4, Struck = 8, Raised = 16, Lowered = 32 };
const char *const StyleTags[] = {"b", "i", "u", "s", "sup", "sub"};

int styleOf(const QTextCharFormat &format)
{
    int style = 0;
    if (format.fontWeight() >= QFont::DemiBold)
        style |= Bold;
    if (format.fontItalic())
        style |= Italic;
    if (format.fontUnderline())
        style |= Underline;
    if (format.fontStrikeOut())
        style |= Struck;
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        style |= Raised;
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        style |= Lowered;
    return style;
}

// A span and the part of it a position lies in, found by walking forward through the text.
struct Cursor
{
    const QList<DocumentXhtml::Span> *spans;
    qsizetype index = 0;

    const DocumentXhtml::Span *at(qsizetype position)
    {
        while (index < spans->size() &&
               spans->at(index).position + spans->at(index).length <= position)
            ++index;
        if (index < spans->size() && spans->at(index).position <= position)
            return &spans->at(index);
        return nullptr;
    }
    // The next place after `position` where a span starts or ends.
    qsizetype nextEdge(qsizetype position) const
    {
        for (qsizetype i = index; i < spans->size(); ++i) {
            const DocumentXhtml::Span &span = spans->at(i);
            if (span.position > position)
                return span.position;
            if (span.position + span.length > position)
                return span.position + span.length;
        }
        return std::numeric_limits<qsizetype>::max();
    }
};

} // namespace

QString DocumentXhtml::escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else if (c == QLatin1Char('"'))
            out += QLatin1String("&quot;");
        else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            out += text.mid(i++, 2);
        else if ((c.unicode() >= 0x20 || c == QLatin1Char('\t')) && !c.isSurrogate() &&
                 c.unicode() < 0xFFFE)
            out += c;
    }
    return out;
}

QString DocumentXhtml::body(qsizetype from, qsizetype to, const QList<Span> &spans)
{
    m_from = from;
    m_to = to;
    m_spans = spans;
    m_nextSpan = 0;
    m_lists.clear();
    m_out.clear();
    writeFrame(m_document.rootFrame());
    closeLists();
    return std::exchange(m_out, QString());
}

void DocumentXhtml::writeFrame(const QTextFrame *frame)
{
    writeItems(frame->begin());
}

void DocumentXhtml::writeItems(QTextFrame::iterator it)
{
    for (; !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            closeLists();
            if (const auto *table = qobject_cast<const QTextTable *>(child))
                writeTable(table);
            else
                writeFrame(child);
        } else {
            writeBlock(it.currentBlock());
        }
    }
}

void DocumentXhtml::writeTable(const QTextTable *table)
{
    if (table->firstPosition() < m_from || table->firstPosition() >= m_to)
        return;
    m_out += QLatin1String("<table>\n");
    for (int row = 0; row < table->rows(); ++row) {
        m_out += QLatin1String("<tr>");
        for (int column = 0; column < table->columns(); ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            // A cell that spans several is written where it starts.
            if (cell.row() != row || cell.column() != column)
                continue;
            m_out += QLatin1String("<td");
            if (cell.rowSpan() > 1)
                m_out += QStringLiteral(" rowspan=\"%1\"").arg(cell.rowSpan());
            if (cell.columnSpan() > 1)
                m_out += QStringLiteral(" colspan=\"%1\"").arg(cell.columnSpan());
            m_out += QLatin1Char('>');
            const QList<ListLevel> outer = std::exchange(m_lists, {});
            writeItems(cell.begin());
            closeLists();
            m_lists = outer;
            m_out += QLatin1String("</td>");
        }
        m_out += QLatin1String("</tr>\n");
    }
    m_out += QLatin1String("</table>\n");
}

void DocumentXhtml::writeBlock(const QTextBlock &block)
{
    if (block.position() < m_from || block.position() >= m_to)
        return;
    if (const QTextList *list = block.textList()) {
        const int indent = list->format().indent();
        // Lists deeper than this item, or beside it at its depth, are over.
        while (!m_lists.isEmpty() &&
               (m_lists.last().indent > indent ||
                (m_lists.last().indent == indent && m_lists.last().list != list))) {
            m_out += m_lists.last().numbered ? QLatin1String("</li></ol>\n")
                                             : QLatin1String("</li></ul>\n");
            m_lists.removeLast();
        }
        if (m_lists.isEmpty() || m_lists.last().list != list) {
            const bool numbered = list->format().style() <= QTextListFormat::ListDecimal;
            m_out += numbered ? QLatin1String("<ol>") : QLatin1String("<ul>");
            m_lists.append({list, indent, numbered});
        } else {
            m_out += QLatin1String("</li>\n");
        }
        // The item stays open: a deeper list that follows belongs inside it.
        m_out += QLatin1String("<li>");
        writeInline(block);
        return;
    }
    closeLists();
    if (block.length() <= 1)
        return;
    const int level = block.blockFormat().headingLevel();
    const QString tag =
        level >= 1 && level <= 6 ? QStringLiteral("h%1").arg(level) : QStringLiteral("p");
    m_out += QLatin1Char('<') + tag + QLatin1Char('>');
    writeInline(block);
    m_out += QLatin1String("</") + tag + QLatin1String(">\n");
}

void DocumentXhtml::closeLists()
{
    while (!m_lists.isEmpty()) {
        m_out +=
            m_lists.last().numbered ? QLatin1String("</li></ol>\n") : QLatin1String("</li></ul>\n");
        m_lists.removeLast();
    }
}

void DocumentXhtml::writeInline(const QTextBlock &block)
{
    // Blocks come in the order of the text, so the sentences are walked once for the body.
    Cursor sentences{&m_spans, m_nextSpan};
    const Span *sentence = nullptr;
    const Span *word = nullptr;
    int style = 0;
    const auto closeStyle = [&] {
        for (int bit = 5; bit >= 0; --bit)
            if (style & (1 << bit))
                m_out += QLatin1String("</") + QLatin1String(StyleTags[bit]) + QLatin1Char('>');
        style = 0;
    };
    const auto closeWord = [&] {
        closeStyle();
        if (word)
            m_out += QLatin1String("</span>");
        word = nullptr;
    };
    const auto closeSentence = [&] {
        closeWord();
        if (sentence)
            m_out += QLatin1String("</span>");
        sentence = nullptr;
    };

    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const QString text = fragment.text();
        const qsizetype start = fragment.position();
        qsizetype at = 0;
        while (at < text.size()) {
            const qsizetype position = start + at;
            const Span *inSentence = sentences.at(position);
            if (inSentence != sentence) {
                closeSentence();
                if (inSentence)
                    m_out += QStringLiteral("<span id=\"%1\">").arg(inSentence->id);
                sentence = inSentence;
            }
            Cursor words{sentence ? &sentence->words : nullptr};
            const Span *inWord = sentence ? words.at(position) : nullptr;
            if (inWord != word) {
                closeWord();
                if (inWord)
                    m_out += QStringLiteral("<span id=\"%1\">").arg(inWord->id);
                word = inWord;
            }
            qsizetype end = qMin<qsizetype>(text.size(), sentences.nextEdge(position) - start);
            if (sentence)
                end = qMin(end, words.nextEdge(position) - start);

            const QChar c = text.at(at);
            if (c == QChar::ObjectReplacementCharacter) {
                closeStyle();
                if (format.isImageFormat()) {
                    const QTextImageFormat image = format.toImageFormat();
                    const QString href = pictureHref(image.name());
                    if (!href.isEmpty()) {
                        m_out += QStringLiteral("<img src=\"%1\" alt=\"\"").arg(escaped(href));
                        if (image.width() > 0 && image.height() > 0)
                            m_out += QStringLiteral(" width=\"%1\" height=\"%2\"")
                                         .arg(qRound(image.width()))
                                         .arg(qRound(image.height()));
                        m_out += QLatin1String("/>");
                    }
                }
                ++at;
                continue;
            }
            if (c == QChar::LineSeparator) {
                closeStyle();
                m_out += QLatin1String("<br/>");
                ++at;
                continue;
            }
            qsizetype stop = at;
            while (stop < end && text.at(stop) != QChar::ObjectReplacementCharacter &&
                   text.at(stop) != QChar::LineSeparator)
                ++stop;
            const int wanted = styleOf(format);
            if (wanted != style) {
                closeStyle();
                for (int bit = 0; bit < 6; ++bit)
                    if (wanted & (1 << bit))
                        m_out +=
                            QLatin1Char('<') + QLatin1String(StyleTags[bit]) + QLatin1Char('>');
                style = wanted;
            }
            m_out += escaped(text.mid(at, stop - at));
            at = stop;
        }
    }
    closeSentence();
    m_nextSpan = sentences.index;
}

QString DocumentXhtml::pictureHref(const QString &name)
{
    if (const auto known = m_pictureHrefs.constFind(name); known != m_pictureHrefs.cend())
        return *known;
    const QImage image = PictureStore::imageOf(m_document, name);
    QString href;
    QBuffer png;
    // Whatever the document held, the book carries PNG, which every reading system shows.
    if (!image.isNull() && png.open(QIODevice::WriteOnly) && image.save(&png, "PNG")) {
        href = QStringLiteral("picture%1.png").arg(m_pictures.size() + 1);
        m_pictures.append({href, png.data()});
    }
    m_pictureHrefs.insert(name, href);
    return href;
}
