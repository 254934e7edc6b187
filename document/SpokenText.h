#pragma once

#include <QList>
#include <QString>

class QTextBlock;
class QTextDocument;

// The text a voice is given for a stretch of the document, and the way back from a place in
// it to the document. What is shown and what is heard differ: a numbered list item is heard
// with its number, a picture with its description ("Picture: ..."), a heading, list item,
// table cell or note ends with a pause even without a full stop, a note is announced, and
// what a listener should not hear is left out (a note's marker glued to a word, a bullet,
// a soft hyphen). Ligatures and full-width letters reach the engine as the plain letters
// it knows how to say. Every offset in the spoken text maps back to the document, so the
// word being heard is marked exactly where it is shown, and never across a table cell.
//
// The reader's reading and the converter both speak this text, so a file made from a
// document sounds like the document read in the window.
class SpokenText
{
public:
    struct Range
    {
        int start = 0;
        int length = 0;
    };

    SpokenText() = default;

    // The stretch [from, to) of the document, in positions of its plain text; `to` < 0
    // stands for the end of the document.
    static SpokenText fromDocument(const QTextDocument &document, int from = 0, int to = -1);

    const QString &text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }

    // The part of the document that [offset, offset + length) of the spoken text stands for.
    // Words added for the listener (a list number, a picture's description, a pause) stand
    // for no text of the document: they map to an empty range where they are heard.
    Range documentRange(int offset, int length) const;
    int documentPosition(int offset) const { return documentRange(offset, 0).start; }

    // Puts a spoken text together, piece by piece (SpokenText.cpp).
    class Builder;

private:
    // A stretch of the spoken text and the stretch of the document it stands for. Pieces of
    // equal length correspond character by character; others only as a whole.
    struct Piece
    {
        int spoken = 0;
        int spokenLength = 0;
        int document = 0;
        int documentLength = 0;
    };

    int pieceAt(int offset) const;

    QString m_text;
    QList<Piece> m_pieces;
};
