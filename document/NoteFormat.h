#pragma once

#include <QTextBlockFormat>
#include <QTextCharFormat>

// Notes of a document (footnotes, endnotes, the notes of a book) as the importers leave them:
// the marker in the running text is a superscript run flagged as a marker, and the note's
// text follows the paragraph that refers to it as paragraphs flagged as a note. The flags
// tell the spoken text to leave the marker out of the word it is glued to ("stores.1") and
// to announce the note as one.
class NoteFormat
{
public:
    static constexpr int MarkerProperty = QTextFormat::UserProperty + 0x61;
    static constexpr int NoteProperty = QTextFormat::UserProperty + 0x62;
    // Point size of a note's text, as footnotes are set smaller than the body.
    static constexpr double NoteSize = 8;

    static void setMarker(QTextCharFormat &format);
    static bool isMarker(const QTextCharFormat &format);

    // The note property's values: the first paragraph of a note, and any that follow it.
    enum NoteBlock { FirstNoteBlock = 1, NextNoteBlock = 2 };

    static void setNote(QTextBlockFormat &format, NoteBlock block = FirstNoteBlock);
    static bool isNote(const QTextBlockFormat &format);
};
