#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextDocument>
#include <memory>

// Reading test documents and looking into the result.
class DocumentProbe
{
public:
    struct Run
    {
        QString text;
        QTextCharFormat format;
    };

    static QByteArray dataFile(const QString &name);
    static std::unique_ptr<QTextDocument> read(const QByteArray &rtf);
    static QByteArray write(const QTextDocument &document);

    // The raw text, paragraphs joined by line feeds; unlike toPlainText(), line breaks and
    // no-break spaces stay as they are.
    static QString text(const QTextDocument &document);

    // The text of every paragraph, in order.
    static QStringList paragraphs(const QTextDocument &document);

    // The formatting runs of paragraph `index`.
    static QList<Run> runs(const QTextDocument &document, int index);

    // The format of the first character of the first occurrence of `text`; fails the
    // calling test when the text is missing.
    static QTextCharFormat formatOf(const QTextDocument &document, const QString &text);
    static QTextBlockFormat blockFormatOf(const QTextDocument &document, const QString &text);
    static QTextBlock blockOf(const QTextDocument &document, const QString &text);

    // The family the document names (this machine may show another).
    static QString family(const QTextCharFormat &format);
    static bool isBold(const QTextCharFormat &format);
};
