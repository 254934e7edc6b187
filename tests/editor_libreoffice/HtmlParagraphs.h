#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// Reads the HTML that LibreOffice Writer exports into paragraphs of formatting runs, in
// the words the read-back test uses for our own documents: a paragraph is its alignment,
// then "ul" or "ol" with the list's type and depth when it is a list item; a run is its
// text, then after '|' its attributes: b, i, u, s, sup, sub, the colour, "bg" and the
// background colour, the font family, the size in points, or "image WxH" for a picture.
// Adjacent runs with the same attributes are merged.
//
// Writer's export is old-style HTML (<b>, <font color>, <sup>, ...) whose lines it wraps
// at spaces; a line break inside text stands for the space it replaced, and the tabs that
// indent the next line are layout.
class HtmlParagraphs
{
public:
    struct Paragraph
    {
        QString block;
        QStringList runs;
    };

    static QList<Paragraph> parse(const QString &html);

private:
    struct Tag
    {
        QString name; // lower case; closing tags start with '/'
        QHash<QString, QString> attributes;
    };

    struct Element
    {
        QString name;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strike = false;
        QString vertical;
        QString color;
        QString background;
        QString face;
        QString size;
    };

    static Tag parseTag(QStringView text);
    void tag(const Tag &tag);
    // Text up to the next tag; whether that tag is a picture.
    void text(QStringView raw, bool beforeImage);
    void append(const QString &text, const QString &image = QString());
    void endParagraph();

    static Element elementFor(const QString &name, const QHash<QString, QString> &attributes);

    QList<Paragraph> m_paragraphs;
    std::optional<Paragraph> m_paragraph;
    QList<std::pair<QString, QString>> m_runs; // text and attributes
    QList<Element> m_elements;                 // the formatting elements open
    QStringList m_lists;                       // "ul", or "ol" and its type
    bool m_atLineStart = false;
    bool m_afterImage = false;
};
