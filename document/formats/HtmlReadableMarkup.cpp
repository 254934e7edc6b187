#include "HtmlReadableMarkup.h"

#include "../NoteFormat.h"
#include "HtmlElements.h"

#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {
using Token = HtmlElements::Token;

// The name a relocated note's first character carries as an anchor, so that the note can
// be found again after the import.
const QString NoteAnchor = QStringLiteral("parlance-note:");

// A selector of a style-sheet rule that hides: an element name, classes and an id, any of
// them left out ("nav", ".hidden", "div#menu", "p.note.aside"). Rules with combinators or
// attribute selectors are left alone: a page that hides through them is not misread as
// hiding more than it does.
struct HidingSelector
{
    QString element;
    QStringList classes;
    QString id;
};

bool hides(QStringView declarations)
{
    static const QRegularExpression hiding(
        QStringLiteral("(?:^|[;{\\s])(?:display\\s*:\\s*none|visibility\\s*:\\s*hidden)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return hiding.match(declarations).hasMatch();
}

QList<HidingSelector> hidingSelectors(const HtmlElements &page)
{
    static const QRegularExpression simple(
        QStringLiteral("^([a-zA-Z][a-zA-Z0-9-]*)?((?:[.#][-_a-zA-Z0-9]+)*)$"));
    static const QRegularExpression comment(QStringLiteral("/\\*.*?\\*/"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QList<HidingSelector> selectors;
    const QList<Token> &tokens = page.tokens();
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].kind != Token::Start || tokens[i].name != u"style" ||
            tokens[i + 1].kind != Token::Text)
            continue;
        QString css = page.html().mid(tokens[i + 1].begin, tokens[i + 1].end - tokens[i + 1].begin);
        css.remove(comment);
        qsizetype p = 0;
        while (p < css.size()) {
            const qsizetype open = css.indexOf(u'{', p);
            if (open < 0)
                break;
            const QString selectorText = css.mid(p, open - p).trimmed();
            // The block of the rule, braces balanced (an @media rule holds rules of its own,
            // which apply to some devices only and are skipped with it).
            int depth = 0;
            qsizetype close = open;
            for (; close < css.size(); ++close) {
                if (css.at(close) == u'{')
                    ++depth;
                else if (css.at(close) == u'}' && --depth == 0)
                    break;
            }
            if (!selectorText.startsWith(u'@') &&
                hides(QStringView(css).sliced(open, qMin(close, css.size()) - open))) {
                for (const QString &one : selectorText.split(u',')) {
                    const QRegularExpressionMatch m = simple.match(one.trimmed());
                    if (!m.hasMatch() || one.trimmed().isEmpty())
                        continue;
                    HidingSelector selector;
                    selector.element = m.captured(1).toLower();
                    static const QRegularExpression part(QStringLiteral("([.#])([-_a-zA-Z0-9]+)"));
                    for (auto it = part.globalMatch(m.captured(2)); it.hasNext();) {
                        const QRegularExpressionMatch pm = it.next();
                        if (pm.captured(1) == u".")
                            selector.classes.append(pm.captured(2));
                        else
                            selector.id = pm.captured(2);
                    }
                    selectors.append(selector);
                }
            }
            p = close + 1;
        }
    }
    return selectors;
}

bool matches(const HtmlElements &page, const Token &tag, const HidingSelector &selector)
{
    if (!selector.element.isEmpty() && selector.element != tag.name)
        return false;
    if (!selector.id.isEmpty() && page.attribute(tag, u"id") != selector.id)
        return false;
    for (const QString &name : selector.classes)
        if (!page.listAttributeHas(tag, u"class", name))
            return false;
    return true;
}

bool isHidden(const HtmlElements &page, const Token &tag, const QList<HidingSelector> &selectors)
{
    if (tag.name == u"noscript" || tag.name == u"template")
        return true;
    if (!page.attribute(tag, u"hidden").isNull())
        return true;
    if (page.attribute(tag, u"aria-hidden").compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    const QString style = page.attribute(tag, u"style");
    if (!style.isEmpty() && hides(style))
        return true;
    for (const HidingSelector &selector : selectors)
        if (matches(page, tag, selector))
            return true;
    return false;
}

// Words a producer uses to say what a link or an element is: EPUB's epub:type, ARIA's
// role, and the class names pandoc and LibreOffice give their note links.
bool isA(const HtmlElements &page, const Token &tag, std::initializer_list<QStringView> types,
         std::initializer_list<QStringView> classes)
{
    for (const QStringView type : types) {
        if (page.listAttributeHas(tag, u"epub:type", type) ||
            page.listAttributeHas(tag, u"role", QStringLiteral("doc-") + type.toString()))
            return true;
    }
    for (const QStringView name : classes)
        if (page.listAttributeHas(tag, u"class", name))
            return true;
    return false;
}

bool isNoteReference(const HtmlElements &page, const Token &tag)
{
    return tag.name == u"a" &&
           isA(page, tag, {u"noteref"},
               {u"footnote-ref", u"noteref", u"sdfootnoteanc", u"sdendnoteanc"});
}

bool isBackLink(const HtmlElements &page, const Token &tag)
{
    return tag.name == u"a" &&
           isA(page, tag, {u"backlink"}, {u"footnote-back", u"sdfootnotesym", u"sdendnotesym"});
}

bool isNotesContainer(const HtmlElements &page, const Token &tag)
{
    return isA(page, tag, {u"footnotes", u"endnotes", u"rearnotes"}, {u"footnotes"});
}

// Paragraphs a note follows; in any other block (an item, a cell) it ends the block.
bool isParagraph(QStringView name)
{
    return name == u"p" || name == u"pre" || name == u"figcaption" ||
           (name.size() == 2 && name.at(0) == u'h' && name.at(1) >= u'1' && name.at(1) <= u'6');
}

// Every name is at least three letters long: renaming in place writes "div" over it.
bool isHtml5Block(const QString &name)
{
    static const QSet<QString> names = {"article",    "aside",  "details", "dialog",  "fieldset",
                                        "figcaption", "figure", "footer",  "header",  "hgroup",
                                        "legend",     "main",   "nav",     "section", "summary"};
    return names.contains(name);
}

// A section's id would become an anchor of the text that follows: an anchor nothing in the
// program follows, and a character format of its own that Qt's import compares with every
// other anchor on each insert, which a book of many sections feels. The id attribute of a
// start tag's attribute text (up to its '>') is overwritten with spaces.
void blankId(QChar *text, qsizetype size)
{
    QChar quote;
    for (qsizetype i = 0; i + 2 < size; ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
            continue;
        }
        if (c == u'>')
            return;
        if (!c.isSpace() || text[i + 1].toLower() != u'i' || text[i + 2].toLower() != u'd')
            continue;
        qsizetype j = i + 3;
        while (j < size && text[j].isSpace())
            ++j;
        if (j >= size || text[j] != u'=')
            continue;
        ++j;
        while (j < size && text[j].isSpace())
            ++j;
        if (j < size && (text[j] == u'"' || text[j] == u'\'')) {
            const QChar valueQuote = text[j++];
            while (j < size && text[j] != valueQuote)
                ++j;
            j = qMin(j + 1, size);
        } else {
            while (j < size && !text[j].isSpace() && text[j] != u'>')
                ++j;
        }
        std::fill(text + i + 1, text + j, QChar(u' '));
        return;
    }
}

class Rewriter
{
public:
    explicit Rewriter(const QString &html) : m_page(html), m_tokens(m_page.tokens())
    {
        m_skip.fill(false, m_tokens.size());
        const QList<HidingSelector> selectors = hidingSelectors(m_page);
        for (qsizetype i = 0; i < m_tokens.size(); ++i) {
            if (m_tokens[i].kind == Token::Start && !hiddenAbove(i) &&
                isHidden(m_page, m_tokens[i], selectors))
                m_skip[i] = true;
        }
        findNotes();
    }

    QString html() const;
    const QSet<QString> &noteIds() const { return m_noteIds; }

private:
    struct Note
    {
        QString id;
        QString label;
        qsizetype body = -1;
    };

    bool hiddenAbove(qsizetype i) const
    {
        for (qsizetype p = m_tokens[i].parent; p >= 0; p = m_tokens[p].parent)
            if (m_skip[p])
                return true;
        return false;
    }
    qsizetype blockAround(qsizetype i) const
    {
        qsizetype p = m_tokens[i].parent;
        while (p >= 0 && !HtmlElements::isBlock(m_tokens[p].name))
            p = m_tokens[p].parent;
        return p;
    }
    QString text(qsizetype start) const;
    void findNotes();
    void emitTag(QString &out, qsizetype i) const;
    QString noteHtml(const Note &note) const;

    HtmlElements m_page;
    const QList<Token> &m_tokens;
    QList<bool> m_skip; // start tags of elements left out
    QMap<qsizetype, QList<Note>> m_notesBefore;
    QSet<QString> m_noteIds;
};

QString Rewriter::text(qsizetype start) const
{
    QString text;
    for (qsizetype k = start + 1; k < m_page.elementEnd(start) && k < m_tokens.size(); ++k)
        if (m_tokens[k].kind == Token::Text)
            text += m_page.html().mid(m_tokens[k].begin, m_tokens[k].end - m_tokens[k].begin);
    return text.simplified();
}

void Rewriter::findNotes()
{
    QHash<QString, qsizetype> ids;
    for (qsizetype i = 0; i < m_tokens.size(); ++i) {
        if (m_tokens[i].kind != Token::Start)
            continue;
        QString id = m_page.attribute(m_tokens[i], u"id");
        if (id.isEmpty() && m_tokens[i].name == u"a")
            id = m_page.attribute(m_tokens[i], u"name");
        if (!id.isEmpty() && !ids.contains(id))
            ids.insert(id, i);
    }
    for (qsizetype i = 0; i < m_tokens.size(); ++i) {
        const Token &tag = m_tokens[i];
        if (tag.kind != Token::Start || m_skip[i] || hiddenAbove(i) ||
            !isNoteReference(m_page, tag))
            continue;
        const QString href = m_page.attribute(tag, u"href");
        const qsizetype hash = href.indexOf(u'#');
        const QString id = hash < 0 ? QString() : href.mid(hash + 1);
        qsizetype body = ids.value(id, -1);
        if (body < 0 || m_noteIds.contains(id))
            continue;
        // A note whose target is a link or a word inside it: the block around the target.
        if (!HtmlElements::isBlock(m_tokens[body].name))
            body = blockAround(body);
        if (body < 0 || m_skip[body] || (body <= i && m_page.elementEnd(body) > i))
            continue;
        // After the paragraph holding the marker, or at the end of the item or cell.
        const qsizetype block = blockAround(i);
        qsizetype at = m_tokens.size();
        if (block >= 0)
            at = isParagraph(m_tokens[block].name) ? m_page.elementEnd(block)
                                                   : m_tokens[block].close;
        if (at < 0 || at > m_tokens.size())
            at = m_tokens.size();
        QString label = text(i);
        if (label.isEmpty())
            label = QString::number(m_noteIds.size() + 1);
        m_notesBefore[at].append({id, label, body});
        m_noteIds.insert(id);
        m_skip[body] = true;
        // The list or section that held the notes goes with them: its rule and heading
        // would otherwise stand alone.
        for (qsizetype p = m_tokens[body].parent; p >= 0; p = m_tokens[p].parent) {
            if (isNotesContainer(m_page, m_tokens[p])) {
                m_skip[p] = true;
                break;
            }
        }
    }
}

void Rewriter::emitTag(QString &out, qsizetype i) const
{
    const Token &tag = m_tokens[i];
    const QStringView source = QStringView(m_page.html()).sliced(tag.begin, tag.end - tag.begin);
    if ((tag.kind == Token::Start || tag.kind == Token::End) && isHtml5Block(tag.name)) {
        // "<section id=x class=y>" becomes "<div class=y>", "</section>" "</div>".
        const qsizetype nameEnd = (tag.kind == Token::End ? 2 : 1) + tag.name.size();
        out += tag.kind == Token::End ? QStringLiteral("</div") : QStringLiteral("<div");
        QString rest = source.sliced(qMin(nameEnd, source.size())).toString();
        if (tag.kind == Token::Start)
            blankId(rest.data(), rest.size());
        out += rest;
        return;
    }
    out += source;
}

QString Rewriter::noteHtml(const Note &note) const
{
    // One paragraph: the note's own blocks joined by line breaks, its link back left out.
    QString inner;
    const qsizetype end = qMin(m_tokens[note.body].close, m_tokens.size());
    for (qsizetype k = note.body + 1; k < end; ++k) {
        const Token &tag = m_tokens[k];
        if (tag.kind == Token::Start &&
            (m_skip[k] || isBackLink(m_page, tag) || isNoteReference(m_page, tag))) {
            k = m_page.elementEnd(k) - 1;
            continue;
        }
        if ((tag.kind == Token::Start || tag.kind == Token::End) &&
            HtmlElements::isBlock(tag.name)) {
            if (tag.kind == Token::End && !inner.trimmed().isEmpty())
                inner += QStringLiteral("<br/>");
            continue;
        }
        emitTag(inner, k);
    }
    while (inner.endsWith(QStringLiteral("<br/>")))
        inner.chop(5);
    return QStringLiteral("<p><a name=\"%1%2\"></a><sup>%3</sup> %4</p>")
        .arg(NoteAnchor, note.id.toHtmlEscaped(), note.label.toHtmlEscaped(), inner);
}

QString Rewriter::html() const
{
    QString out;
    out.reserve(m_page.html().size());
    for (qsizetype i = 0; i <= m_tokens.size(); ++i) {
        for (const Note &note : m_notesBefore.value(i))
            out += noteHtml(note);
        if (i == m_tokens.size())
            break;
        if (m_skip[i]) {
            // An element left out whose end closes nothing that stays: skip all of it. Notes
            // due inside it come before what follows.
            const qsizetype end = m_page.elementEnd(i);
            for (qsizetype k = i + 1; k < end; ++k)
                for (const Note &note : m_notesBefore.value(k))
                    out += noteHtml(note);
            i = end - 1;
            continue;
        }
        if (m_tokens[i].kind == Token::Text)
            out += QStringView(m_page.html())
                       .sliced(m_tokens[i].begin, m_tokens[i].end - m_tokens[i].begin);
        else
            emitTag(out, i);
    }
    return out;
}

// The block elements of HTML 5 Qt does not know renamed to div where they stand, the rest
// of the name and the id overwritten with spaces ("<section id=x>" becomes "<div         >"):
// a long page is neither copied nor reallocated, and is not even detached when nothing in it
// needs renaming.
void renameBlocksInPlace(QString &html)
{
    QString name; // reused: no allocation per tag
    for (qsizetype at = html.indexOf(u'<'); at >= 0 && at + 2 < html.size();
         at = html.indexOf(u'<', at + 1)) {
        qsizetype nameStart = at + 1;
        if (html.at(nameStart) == u'/')
            ++nameStart;
        qsizetype nameEnd = nameStart;
        while (nameEnd < html.size() && html.at(nameEnd).isLetterOrNumber())
            ++nameEnd;
        if (nameEnd == nameStart || nameEnd - nameStart > 10)
            continue;
        name.resize(0);
        for (qsizetype i = nameStart; i < nameEnd; ++i)
            name += html.at(i).toLower();
        if (!isHtml5Block(name))
            continue;
        QChar *text = html.data() + nameStart;
        text[0] = u'd';
        text[1] = u'i';
        text[2] = u'v';
        for (qsizetype i = 3; i < nameEnd - nameStart; ++i)
            text[i] = u' ';
        if (html.at(at + 1) != u'/')
            blankId(html.data() + nameEnd, html.size() - nameEnd);
    }
}
// A page's tags and the text of its style elements, apart from the text it shows.
struct Markup
{
    QString tags;
    QString styles;
};

Markup markupOf(const QString &html)
{
    Markup markup;
    const qsizetype size = html.size();
    qsizetype at = html.indexOf(u'<');
    while (at >= 0 && at < size) {
        const qsizetype end = HtmlElements::tagEnd(html, at + 1);
        const qsizetype next = qMin(end + 1, size);
        const QStringView tag = QStringView(html).sliced(at, next - at);
        markup.tags += tag;
        markup.tags += u' ';
        at = next;
        if (tag.size() > 6 && tag.sliced(1, 5).compare(u"style", Qt::CaseInsensitive) == 0 &&
            !tag.at(6).isLetterOrNumber()) {
            const qsizetype close = html.indexOf(QLatin1String("</style"), at, Qt::CaseInsensitive);
            const qsizetype stop = close < 0 ? size : close;
            markup.styles += QStringView(html).sliced(at, stop - at);
            at = stop;
        }
        at = html.indexOf(u'<', at);
    }
    return markup;
}
} // namespace

HtmlReadableMarkup::HtmlReadableMarkup(QString html)
{
    // Most pages hide nothing and have no notes: their blocks are renamed without taking
    // the page apart, which a book of many chapters would feel. What hides or marks a note
    // is written in tags and style sheets, so only those are searched, not a long page's
    // text. A style sheet's rules for note links ("a.footnote-ref", which every pandoc
    // book carries) are not notes: the words that name notes are looked for in tags only.
    static const QRegularExpression hiding(
        QStringLiteral("display\\s*:\\s*none|visibility\\s*:\\s*hidden|\\shidden[\\s=>/]|"
                       "aria-hidden|<noscript|<template"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression notes(QStringLiteral("noteref|footnote|endnote"),
                                          QRegularExpression::CaseInsensitiveOption);
    const Markup markup = markupOf(html);
    if (hiding.match(markup.tags).hasMatch() || hiding.match(markup.styles).hasMatch() ||
        notes.match(markup.tags).hasMatch()) {
        const Rewriter rewriter(html);
        m_html = rewriter.html();
        m_noteIds = rewriter.noteIds();
        return;
    }
    renameBlocksInPlace(html);
    m_html = std::move(html);
}

void HtmlReadableMarkup::markNotes(QTextDocument *document, int from) const
{
    if (m_noteIds.isEmpty())
        return;
    QTextCharFormat marker;
    NoteFormat::setMarker(marker);
    QList<QPair<int, int>> markers;
    QList<QTextBlock> notes;
    for (QTextBlock block = document->findBlock(from); block.isValid(); block = block.next()) {
        bool first = true;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (first) {
                const QStringList names = format.anchorNames();
                if (!names.isEmpty() && names.first().startsWith(NoteAnchor)) {
                    notes.append(block);
                    // The note's number before its text, shown and not said.
                    markers.append({fragment.position(), fragment.length()});
                }
            }
            first = false;
            const QString href = format.anchorHref();
            if (format.isAnchor() && href.startsWith(u'#') && m_noteIds.contains(href.mid(1)))
                markers.append({fragment.position(), fragment.length()});
        }
    }
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (const QTextBlock &block : notes) {
        QTextBlockFormat format;
        NoteFormat::setNote(format);
        cursor.setPosition(block.position());
        cursor.mergeBlockFormat(format);
    }
    for (const auto &[position, length] : markers) {
        cursor.setPosition(position);
        cursor.setPosition(position + length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(marker);
    }
    cursor.endEditBlock();
}
