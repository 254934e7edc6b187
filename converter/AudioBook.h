#pragma once

#include "AudioTags.h"
#include "DocumentChapters.h"

#include <QList>
#include <QString>

class QTextDocument;
struct DocumentMetadata;

// A document as audio: the text the engine hears, its chapters, and what the files say of
// themselves (album: the document's title, else its file name; artist: its author, else the
// voice; title: the chapter's heading; track of tracks; genre "Speech").
struct AudioBook
{
    using Chapter = DocumentChapters::Chapter;

    QString text;
    // Positions in `text`; empty when the document is one piece.
    QList<Chapter> chapters;
    QString title;
    QString author;

    // The book of a document. The one place where the text the engine hears is made from the
    // document and its chapters' ranges are found in it.
    static AudioBook fromDocument(const QTextDocument &document, const DocumentMetadata &metadata,
                                  const QString &name, const QString &voice);

    QString textOf(const Chapter &chapter) const;
    // Tags for chapter `index`, or for the whole book in one file (-1).
    AudioTags tagsFor(int index) const;

    // "07 The Storm.mp3": numbered in reading order with as many digits as the count needs
    // (two at least), the title made safe for any file system.
    static QString chapterFileName(int number, int count, const QString &title,
                                   const QString &extension);
    // A title without the characters file systems refuse or give meaning to.
    static QString safeFileName(const QString &title);
};
