#pragma once

#include "DocumentChapters.h"
#include "formats/DocumentMetadata.h"

#include <QList>
#include <QString>
#include <optional>

class QTextDocument;

// What the converter needs to make a book of a document besides its text: the title, author
// and language, the document's file name, and the chapters as ranges of the text. The reader
// writes it beside the text file it hands the converter (whose one line of text would lose
// the headings); the converter reads it from there.
struct BookOutline
{
    DocumentMetadata metadata;
    QString name; // the document's file name without folder and extension; may be empty
    QList<DocumentChapters::Chapter> chapters;

    static BookOutline of(const QTextDocument &document, const QString &name);

    // The file beside a text file.
    static QString pathBeside(const QString &textFile)
    {
        return textFile + QStringLiteral(".book");
    }
    // Writes a new file readable by its owner only; false with the reason in `error`.
    bool write(const QString &path, QString *error) const;
    // Nothing when the file is missing or not an outline.
    static std::optional<BookOutline> read(const QString &path);
};
