#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QTextFrame>

class QTextBlock;
class QTextDocument;
class QTextTable;
class QTextList;

// A stretch of a document written as the body of an XHTML page: headings, paragraphs,
// lists, tables, pictures and the basic character styles as the document holds them, and
// spans with ids around the parts a read-along follows (sentences, words within them).
class DocumentXhtml
{
public:
    // A stretch of the document's text that gets an id; sentences hold their words.
    struct Span
    {
        qsizetype position = 0;
        qsizetype length = 0;
        QString id;
        QList<Span> words;
    };
    struct Picture
    {
        QString href; // beside the pages, e.g. "picture1.png"
        QByteArray png;
    };

    explicit DocumentXhtml(const QTextDocument &document) : m_document(document) {}

    // The blocks that start within [from, to), with `spans` (in the order of the text, none
    // running over a paragraph's end) marked. Pictures are kept for pictures().
    QString body(qsizetype from, qsizetype to, const QList<Span> &spans);
    // Every picture met so far, each once.
    const QList<Picture> &pictures() const { return m_pictures; }

    // Text as XML character data: markup characters escaped, characters XML cannot hold
    // dropped.
    static QString escaped(const QString &text);

private:
    struct ListLevel
    {
        const QTextList *list;
        int indent;
        bool numbered;
    };

    void writeFrame(const QTextFrame *frame);
    // The blocks, tables and frames from `it` to the end of its frame or table cell.
    void writeItems(QTextFrame::iterator it);
    void writeTable(const QTextTable *table);
    void writeBlock(const QTextBlock &block);
    void writeInline(const QTextBlock &block);
    void closeLists();
    QString pictureHref(const QString &name);

    const QTextDocument &m_document;
    QList<Picture> m_pictures;
    QHash<QString, QString> m_pictureHrefs;

    // One body's state.
    qsizetype m_from = 0;
    qsizetype m_to = 0;
    QList<Span> m_spans;
    qsizetype m_nextSpan = 0;
    QList<ListLevel> m_lists;
    QString m_out;
};
