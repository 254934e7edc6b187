#pragma once

#include "StructuredText.h"

#include <QHash>
#include <QString>
#include <functional>

class BoundedXmlReader;
class ZipArchive;

// The footnotes and endnotes of a DOCX. Their text lives in parts of its own
// (word/footnotes.xml, word/endnotes.xml); the body only refers to a note by its id. Notes are
// numbered in the order the body refers to them, footnotes 1, 2, 3 and endnotes i, ii, iii as
// a word processor shows them, and each follows the paragraph that refers to it.
class DocxNotes
{
public:
    enum Kind { Footnote, Endnote };
    // Reads the blocks of a note element into paragraphs (the body's own reader).
    using BlockReader = std::function<void(BoundedXmlReader &, QList<ImportedParagraph> &)>;

    // Reads a note part; a document without one has no notes of that kind. False, with
    // `error` set, when the part is there but damaged.
    bool read(ZipArchive &zip, Kind kind, const BlockReader &readBlocks, QString *error);

    // A reference in the body: the marker run to show in the text, and the note's paragraphs
    // appended to `after`. A note referred to twice is shown once.
    ImportedRun refer(Kind kind, const QString &id, const QTextCharFormat &format,
                      QList<ImportedParagraph> &after);

    // The run a note's own text starts with (its number, filled in when the body refers to
    // the note).
    static ImportedRun ownMarker(const QTextCharFormat &format);

private:
    struct Note
    {
        QList<ImportedParagraph> paragraphs;
        bool shown = false;
    };
    QHash<QString, Note> m_notes[2];
    int m_count[2] = {0, 0};
};
