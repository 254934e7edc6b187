#pragma once

#include <QSet>
#include <QString>
#include <utility>

class QTextDocument;

// A page's markup made ready for Qt's HTML import so that the document holds what a reader
// of the page sees, in the order a listener wants it:
// - what the page hides is left out: elements with display:none or visibility:hidden (in
//   a style attribute or a simple rule of a style sheet), the hidden attribute,
//   aria-hidden="true", <noscript> and <template>;
// - the block elements of HTML 5 that Qt's import does not know (section, footer, nav...)
//   become blocks it knows, so that the end of one is never glued to the start of the next;
// - notes (EPUB noterefs and footnotes, pandoc's and other producers' footnote links) move
//   from wherever the page keeps them to right after the paragraph that refers to them, where
//   a listener still has the sentence in mind and the paragraph is not cut in two. After the
//   import, markNotes() flags the markers and the notes so that the reading leaves a marker
//   unspoken and announces a note.
class HtmlReadableMarkup
{
public:
    explicit HtmlReadableMarkup(QString html);

    const QString &html() const { return m_html; }
    // The markup handed over, so that the caller can change it without copying a long page.
    QString takeHtml() { return std::exchange(m_html, QString()); }

    // Flags the notes and note markers the markup carries, in the document from `from` on.
    void markNotes(QTextDocument *document, int from = 0) const;

private:
    QString m_html;
    QSet<QString> m_noteIds;
};
