#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

class QTextDocument;

// What a document says about itself: its title, its author and the language it is written
// in. The converter tags audio with it and the reader offers a voice for the language. Any
// part may be empty: most files name only some of it, plain text none.
struct DocumentMetadata
{
    QString title;
    QString author;
    // A language tag as "de-AT" or "en": lower-case language, upper-case region.
    QString language;

    bool isEmpty() const { return title.isEmpty() && author.isEmpty() && language.isEmpty(); }
    bool operator==(const DocumentMetadata &) const = default;

    // The tag in its usual spelling ("en_us" -> "en-US"); empty for the codes that name no
    // language ("und", "zxx", "x-none").
    static QString languageTag(const QString &code);

    // Title, creator and language from the Dublin Core elements of an XML part (an e-book's
    // package document, an office file's core or meta properties). An office file's first
    // author (initial-creator) goes before its last editor (creator); several creators of
    // a book are joined with commas.
    static DocumentMetadata fromDublinCore(const QByteArray &xml);

    // Kept with a document, so that whoever holds the document (the reader's window) has
    // what its file said even after the file is gone.
    static DocumentMetadata of(const QTextDocument &document);
    static void attach(QTextDocument *document, const DocumentMetadata &metadata);
};

Q_DECLARE_METATYPE(DocumentMetadata)
