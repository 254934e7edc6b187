#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The tags of an HTML page and the elements they make, found without building a tree: for
// every start tag, the token where its element ends and the element it sits in. HTML leaves
// many end tags out (a paragraph ends where the next block begins, an item where the next
// item does) and pages in the wild close what they never opened; both are resolved as
// browsers do in the common cases, which is what taking an element out of a page or moving
// it needs.
class HtmlElements
{
public:
    struct Token
    {
        // Other: comments, the doctype, processing instructions.
        enum Kind { Text, Start, End, Other };
        Kind kind = Text;
        qsizetype begin = 0; // the token's place in the page's text
        qsizetype end = 0;
        QString name; // of a tag, in lower case
        bool selfClosing = false;
        // For a start tag: the token its element ends at, and whether that is its own end
        // tag (part of the element) or a token that closed it by starting or ending
        // something else (not part of it).
        qsizetype close = -1;
        bool closedByEndTag = false;
        // The start tag of the element the token sits in, -1 at the top.
        qsizetype parent = -1;
    };

    explicit HtmlElements(const QString &html);

    const QString &html() const { return m_html; }
    const QList<Token> &tokens() const { return m_tokens; }

    // One past the last token of the element started at `start` (the next token for an
    // element without content).
    qsizetype elementEnd(qsizetype start) const;

    // The attribute's value (entities left as they are), or a null string when the tag
    // has none.
    QString attribute(const Token &tag, QStringView name) const;
    // The names the tag carries in its class attribute, or in another such list.
    bool listAttributeHas(const Token &tag, QStringView attribute, QStringView word) const;

    // Where the tag whose name ends before `from` ends: its '>' outside a value quoted after
    // "=", or the page's end when it has none.
    static qsizetype tagEnd(QStringView html, qsizetype from);

    static bool isVoid(QStringView name);
    static bool isBlock(QStringView name);

private:
    void tokenize();
    void buildElements();
    void closeTo(QList<qsizetype> &open, qsizetype keep, qsizetype at);

    QString m_html;
    QList<Token> m_tokens;
};
