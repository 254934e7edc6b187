#include "HtmlParagraphs.h"

#include <QHash>
#include <QRegularExpression>
#include <array>
#include <optional>

namespace {
// One CSS property from a style attribute.
QString styleValue(const QString &style, const QString &property)
{
    for (const QString &declaration : style.split(u';')) {
        const qsizetype colon = declaration.indexOf(u':');
        if (colon > 0 && declaration.first(colon).trimmed().toLower() == property)
            return declaration.sliced(colon + 1).trimmed();
    }
    return QString();
}

QString decodeEntities(const QString &text)
{
    static const QHash<QString, QString> named = {{"amp", "&"},  {"lt", "<"},
                                                  {"gt", ">"},   {"quot", "\""},
                                                  {"apos", "'"}, {"nbsp", QString(QChar(0xA0))}};
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9A-Fa-f]+|#[0-9]+|[a-z]+);"));
    QString result;
    qsizetype last = 0;
    auto it = entity.globalMatch(text);
    while (it.hasNext()) {
        const auto match = it.next();
        result += QStringView(text).sliced(last, match.capturedStart() - last);
        const QString name = match.captured(1);
        if (name.startsWith(u"#x"))
            result += QString::fromUcs4(
                std::array{char32_t(name.sliced(2).toUInt(nullptr, 16))}.data(), 1);
        else if (name.startsWith(u'#'))
            result += QString::fromUcs4(std::array{char32_t(name.sliced(1).toUInt())}.data(), 1);
        else
            result += named.value(name, match.captured(0));
        last = match.capturedEnd();
    }
    result += QStringView(text).sliced(last);
    return result;
}

const QStringList FormattingTags = {"b", "strong", "i",   "em",  "u",    "strike",
                                    "s", "del",    "sup", "sub", "font", "span"};

} // namespace

HtmlParagraphs::Tag HtmlParagraphs::parseTag(QStringView text)
{
    static const QRegularExpression attribute(
        QString::fromLatin1(R"re(([A-Za-z-]+)\s*(?:=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))?)re"));
    Tag tag;
    qsizetype i = 0;
    while (i < text.size() && !text[i].isSpace() && text[i] != u'/')
        ++i;
    if (i == 0 && text.startsWith(u'/')) {
        i = 1;
        while (i < text.size() && !text[i].isSpace())
            ++i;
    }
    tag.name = text.first(i).toString().toLower();
    auto it = attribute.globalMatch(text.sliced(i));
    while (it.hasNext()) {
        const auto match = it.next();
        tag.attributes.insert(match.captured(1).toLower(),
                              match.captured(2) + match.captured(3) + match.captured(4));
    }
    return tag;
}

QList<HtmlParagraphs::Paragraph> HtmlParagraphs::parse(const QString &html)
{
    HtmlParagraphs parser;
    qsizetype i = html.indexOf(QStringLiteral("<body"), 0, Qt::CaseInsensitive);
    while (i >= 0 && i < html.size()) {
        const qsizetype open = html.indexOf(u'<', i);
        const qsizetype close = open < 0 ? -1 : html.indexOf(u'>', open);
        const Tag next =
            close < 0 ? Tag() : parseTag(QStringView(html).sliced(open + 1, close - open - 1));
        parser.text(QStringView(html).sliced(i, (open < 0 ? html.size() : open) - i),
                    next.name == "img");
        if (close < 0)
            break;
        parser.tag(next);
        i = close + 1;
    }
    parser.endParagraph();
    return parser.m_paragraphs;
}

HtmlParagraphs::Element HtmlParagraphs::elementFor(const QString &name,
                                                   const QHash<QString, QString> &attributes)
{
    Element element;
    element.name = name;
    const QString style = attributes.value("style");
    if (name == "b" || name == "strong" || styleValue(style, "font-weight") == "bold")
        element.bold = true;
    if (name == "i" || name == "em" || styleValue(style, "font-style") == "italic")
        element.italic = true;
    if (name == "u" || styleValue(style, "text-decoration").contains("underline"))
        element.underline = true;
    if (name == "strike" || name == "s" || name == "del" ||
        styleValue(style, "text-decoration").contains("line-through"))
        element.strike = true;
    if (name == "sup" || name == "sub")
        element.vertical = name;
    element.color = attributes.value("color");
    if (const QString color = styleValue(style, "color"); !color.isEmpty())
        element.color = color;
    element.background = styleValue(style, "background");
    if (element.background == "transparent")
        element.background.clear();
    element.face = attributes.value("face").section(u',', 0, 0).trimmed();
    if (const QString family = styleValue(style, "font-family"); !family.isEmpty())
        element.face = family.section(u',', 0, 0).remove(u'"').remove(u'\'').trimmed();
    if (const QString size = styleValue(style, "font-size"); size.endsWith("pt"))
        element.size = QString::number(size.chopped(2).toDouble()) + "pt";
    return element;
}

void HtmlParagraphs::tag(const Tag &tag)
{
    const QString &name = tag.name;
    if (name == "p" || (name.size() == 2 && name[0] == u'h' && name[1].isDigit())) {
        endParagraph();
        QString align = tag.attributes.value("align");
        if (const QString css = styleValue(tag.attributes.value("style"), "text-align");
            !css.isEmpty())
            align = css;
        m_paragraph = Paragraph{align.isEmpty() ? "left" : align, {}};
        if (!m_lists.isEmpty())
            m_paragraph->block += QStringLiteral(" %1 %2").arg(m_lists.last()).arg(m_lists.size());
        m_atLineStart = true;
    } else if (name == "/p" || (name.size() == 3 && name.startsWith("/h"))) {
        endParagraph();
    } else if (name == "ul" || name == "ol") {
        m_lists << (name == "ol" ? "ol " + tag.attributes.value("type", "1") : "ul");
    } else if ((name == "/ul" || name == "/ol") && !m_lists.isEmpty()) {
        m_lists.removeLast();
    } else if (name == "br") {
        append(QString(QChar(0x2028)));
        m_atLineStart = true;
    } else if (name == "img") {
        append(QString(QChar(0xFFFC)),
               QStringLiteral("image %1x%2")
                   .arg(tag.attributes.value("width"), tag.attributes.value("height")));
        m_afterImage = true;
    } else if (name.startsWith(u'/')) {
        for (qsizetype k = m_elements.size() - 1; k >= 0; --k) {
            if (m_elements[k].name == QStringView(name).sliced(1)) {
                m_elements.remove(k, m_elements.size() - k);
                break;
            }
        }
    } else if (FormattingTags.contains(name)) {
        m_elements.append(elementFor(tag.name, tag.attributes));
    }
}

void HtmlParagraphs::text(QStringView raw, bool beforeImage)
{
    if (!m_paragraph || raw.isEmpty())
        return;
    // Pictures stand on lines of their own.
    if ((beforeImage || m_afterImage) && raw.trimmed().isEmpty())
        return;
    m_afterImage = false;
    static const QRegularExpression wrap(QStringLiteral("\n[\t ]*"));
    QString text = raw.toString();
    if (m_atLineStart) {
        // The line break after the paragraph's opening tag or after <br/> is layout.
        const auto match = wrap.match(text);
        if (match.hasMatch() && match.capturedStart() == 0)
            text.remove(0, match.capturedLength());
    }
    text.replace(wrap, QStringLiteral(" "));
    append(decodeEntities(text));
}

void HtmlParagraphs::append(const QString &text, const QString &image)
{
    if (text.isEmpty())
        return;
    m_atLineStart = false;
    Element effective;
    for (const Element &element : m_elements) {
        effective.bold |= element.bold;
        effective.italic |= element.italic;
        effective.underline |= element.underline;
        effective.strike |= element.strike;
        // The innermost element that sets a value wins.
        for (auto [target, value] : {std::pair{&effective.vertical, &element.vertical},
                                     {&effective.color, &element.color},
                                     {&effective.background, &element.background},
                                     {&effective.face, &element.face},
                                     {&effective.size, &element.size}}) {
            if (!value->isEmpty())
                *target = *value;
        }
    }
    QStringList attributes;
    if (!image.isEmpty())
        attributes << image;
    if (effective.bold)
        attributes << "b";
    if (effective.italic)
        attributes << "i";
    if (effective.underline)
        attributes << "u";
    if (effective.strike)
        attributes << "s";
    if (!effective.vertical.isEmpty())
        attributes << effective.vertical;
    if (!effective.color.isEmpty())
        attributes << effective.color.toLower();
    if (!effective.background.isEmpty())
        attributes << "bg " + effective.background.toLower();
    if (!effective.face.isEmpty())
        attributes << effective.face;
    if (!effective.size.isEmpty())
        attributes << effective.size;
    const QString joined = attributes.join(u' ');

    if (image.isEmpty() && !m_runs.isEmpty() && m_runs.last().second == joined &&
        !joined.startsWith(u"image"))
        m_runs.last().first += text;
    else
        m_runs.append({text, joined});
}

void HtmlParagraphs::endParagraph()
{
    if (!m_paragraph)
        return;
    for (const auto &[text, attributes] : m_runs)
        m_paragraph->runs << text + u'|' + attributes;
    m_paragraphs << *m_paragraph;
    m_paragraph.reset();
    m_runs.clear();
}
