#include "HtmlElements.h"

#include "ImportLimits.h"

#include <QSet>

namespace {
// Elements whose text the parser takes as it is, markup and all, up to their end tag.
bool isRawText(QStringView name)
{
    return name == u"script" || name == u"style" || name == u"textarea" || name == u"title";
}

// How far up the open elements an end tag looks for its start. Pages nest a few dozen
// levels; the bound keeps a page of endless unclosed tags from costing the square of them.
constexpr qsizetype MaxSearch = 2 * ImportLimits::MaxXmlDepth;
} // namespace

HtmlElements::HtmlElements(const QString &html) : m_html(html)
{
    tokenize();
    buildElements();
}

bool HtmlElements::isVoid(QStringView name)
{
    static const QSet<QString> names = {"area",  "base",  "basefont", "br",    "col",    "embed",
                                        "frame", "hr",    "img",      "input", "keygen", "link",
                                        "meta",  "param", "source",   "track", "wbr"};
    return names.contains(name.toString());
}

bool HtmlElements::isBlock(QStringView name)
{
    static const QSet<QString> names = {
        "address", "article", "aside", "blockquote", "body",    "caption",  "center",     "dd",
        "details", "dialog",  "div",   "dl",         "dt",      "fieldset", "figcaption", "figure",
        "footer",  "form",    "h1",    "h2",         "h3",      "h4",       "h5",         "h6",
        "header",  "hgroup",  "hr",    "html",       "li",      "main",     "menu",       "nav",
        "ol",      "p",       "pre",   "section",    "summary", "table",    "tbody",      "td",
        "tfoot",   "th",      "thead", "tr",         "ul"};
    return names.contains(name.toString());
}

void HtmlElements::tokenize()
{
    const QString &h = m_html;
    const qsizetype n = h.size();
    qsizetype textStart = 0;
    const auto addText = [&](qsizetype to) {
        if (to > textStart) {
            Token text;
            text.begin = textStart;
            text.end = to;
            m_tokens.append(text);
        }
    };
    qsizetype i = 0;
    while (i < n) {
        const qsizetype lt = h.indexOf(u'<', i);
        if (lt < 0 || lt + 1 >= n)
            break;
        const QChar next = h.at(lt + 1);
        Token tag;
        tag.begin = lt;
        qsizetype end = -1;
        if (QStringView(h).sliced(lt).startsWith(u"<!--")) {
            end = h.indexOf(QStringLiteral("-->"), lt + 4);
            end = end < 0 ? n : end + 3;
            tag.kind = Token::Other;
        } else if (next == u'!' || next == u'?') {
            end = h.indexOf(u'>', lt);
            end = end < 0 ? n : end + 1;
            tag.kind = Token::Other;
        } else if (next == u'/' || next.isLetter()) {
            const bool closing = next == u'/';
            qsizetype p = lt + (closing ? 2 : 1);
            const qsizetype nameStart = p;
            while (p < n && (h.at(p).isLetterOrNumber() || h.at(p) == u':' || h.at(p) == u'-' ||
                             h.at(p) == u'_' || h.at(p) == u'.'))
                ++p;
            if (p == nameStart) { // "</ " or "</>": text
                i = lt + 1;
                continue;
            }
            tag.name = h.mid(nameStart, p - nameStart).toLower();
            p = tagEnd(h, p);
            end = p < n ? p + 1 : n;
            tag.kind = closing ? Token::End : Token::Start;
            tag.selfClosing = !closing && end - lt >= 2 && h.at(end - 2) == u'/';
        } else {
            i = lt + 1;
            continue;
        }
        addText(lt);
        tag.end = end;
        m_tokens.append(tag);
        i = textStart = end;
        if (tag.kind == Token::Start && !tag.selfClosing && isRawText(tag.name)) {
            qsizetype close = h.indexOf(QStringLiteral("</") + tag.name, i, Qt::CaseInsensitive);
            if (close < 0)
                close = n;
            addText(close);
            i = textStart = close;
        }
    }
    textStart = qMin(textStart, n);
    addText(n);
}

qsizetype HtmlElements::tagEnd(QStringView html, qsizetype from)
{
    QChar quote;
    QChar previous;
    qsizetype p = from;
    for (; p < html.size(); ++p) {
        const QChar c = html.at(p);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if ((c == u'"' || c == u'\'') && previous == u'=') {
            quote = c;
        } else if (c == u'>') {
            break;
        }
        if (!c.isSpace())
            previous = c;
    }
    return p;
}

void HtmlElements::closeTo(QList<qsizetype> &open, qsizetype keep, qsizetype at)
{
    for (qsizetype k = keep; k < open.size(); ++k) {
        m_tokens[open[k]].close = at;
        m_tokens[open[k]].closedByEndTag = false;
    }
    open.resize(qMax<qsizetype>(0, keep));
}

void HtmlElements::buildElements()
{
    QList<qsizetype> open; // the elements still open, outermost first
    const auto nameAt = [&](qsizetype k) -> const QString & { return m_tokens[open[k]].name; };
    // Closes the nearest open element named in `names`, unless one of `stops` comes first.
    const auto closeNearest = [&](std::initializer_list<QStringView> names,
                                  std::initializer_list<QStringView> stops, qsizetype at) {
        for (qsizetype k = open.size() - 1; k >= 0 && open.size() - k <= MaxSearch; --k) {
            if (std::find(names.begin(), names.end(), nameAt(k)) != names.end()) {
                closeTo(open, k, at);
                return;
            }
            if (std::find(stops.begin(), stops.end(), nameAt(k)) != stops.end())
                return;
        }
    };

    for (qsizetype i = 0; i < m_tokens.size(); ++i) {
        Token &token = m_tokens[i];
        if (token.kind == Token::End) {
            qsizetype k = open.size() - 1;
            while (k >= 0 && open.size() - k <= MaxSearch && nameAt(k) != token.name)
                --k;
            if (k >= 0 && nameAt(k) == token.name) {
                closeTo(open, k + 1, i);
                m_tokens[open[k]].close = i;
                m_tokens[open[k]].closedByEndTag = true;
                open.removeLast();
            }
            token.parent = open.isEmpty() ? -1 : open.last();
            continue;
        }
        if (token.kind == Token::Start) {
            const QString &name = token.name;
            if (name == u"li") {
                closeNearest({u"li"}, {u"ul", u"ol", u"menu"}, i);
            } else if (name == u"dt" || name == u"dd") {
                closeNearest({u"dt", u"dd"}, {u"dl"}, i);
            } else if (name == u"tr") {
                closeNearest({u"tr"}, {u"table", u"thead", u"tbody", u"tfoot"}, i);
            } else if (name == u"td" || name == u"th") {
                closeNearest({u"td", u"th"}, {u"tr", u"table"}, i);
            } else if (name == u"thead" || name == u"tbody" || name == u"tfoot") {
                closeNearest({u"thead", u"tbody", u"tfoot"}, {u"table"}, i);
            } else if (name == u"option") {
                closeNearest({u"option"}, {u"select", u"optgroup", u"datalist"}, i);
            }
            // A block ends the paragraph it would otherwise sit in.
            if (isBlock(name)) {
                for (qsizetype k = open.size() - 1; k >= 0 && open.size() - k <= MaxSearch; --k) {
                    if (nameAt(k) == u"p") {
                        closeTo(open, k, i);
                        break;
                    }
                    if (isBlock(nameAt(k)))
                        break;
                }
            }
        }
        token.parent = open.isEmpty() ? -1 : open.last();
        if (token.kind == Token::Start && !token.selfClosing && !isVoid(token.name))
            open.append(i);
    }
    closeTo(open, 0, m_tokens.size());
}

qsizetype HtmlElements::elementEnd(qsizetype start) const
{
    const Token &token = m_tokens.at(start);
    if (token.kind != Token::Start || token.close < 0)
        return start + 1;
    return token.close + (token.closedByEndTag ? 1 : 0);
}

QString HtmlElements::attribute(const Token &tag, QStringView name) const
{
    const QStringView h = QStringView(m_html).sliced(tag.begin, tag.end - tag.begin);
    qsizetype p = 1 + tag.name.size() + (tag.kind == Token::End ? 1 : 0);
    const qsizetype n = h.size();
    while (p < n) {
        while (p < n && (h.at(p).isSpace() || h.at(p) == u'/'))
            ++p;
        const qsizetype nameStart = p;
        while (p < n && !h.at(p).isSpace() && h.at(p) != u'=' && h.at(p) != u'>' && h.at(p) != u'/')
            ++p;
        if (p == nameStart)
            break;
        const QStringView attributeName = h.sliced(nameStart, p - nameStart);
        while (p < n && h.at(p).isSpace())
            ++p;
        QStringView value;
        bool hasValue = false;
        if (p < n && h.at(p) == u'=') {
            ++p;
            while (p < n && h.at(p).isSpace())
                ++p;
            hasValue = true;
            if (p < n && (h.at(p) == u'"' || h.at(p) == u'\'')) {
                const QChar quote = h.at(p);
                const qsizetype close = h.indexOf(quote, p + 1);
                const qsizetype valueEnd = close < 0 ? n : close;
                value = h.sliced(p + 1, valueEnd - p - 1);
                p = valueEnd + 1;
            } else {
                const qsizetype valueStart = p;
                while (p < n && !h.at(p).isSpace() && h.at(p) != u'>')
                    ++p;
                value = h.sliced(valueStart, p - valueStart);
            }
        }
        if (attributeName.compare(name, Qt::CaseInsensitive) == 0)
            return hasValue ? value.toString() : QStringLiteral("");
    }
    return QString();
}

bool HtmlElements::listAttributeHas(const Token &tag, QStringView attribute, QStringView word) const
{
    const QString value = this->attribute(tag, attribute);
    for (const QStringView part : QStringView(value).split(u' ', Qt::SkipEmptyParts))
        if (part.compare(word, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
