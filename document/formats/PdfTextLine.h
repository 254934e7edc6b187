#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

// One line of text as a PDF page draws it: its words, the box around them, and, for a row
// of a table put together from several columns, the text of each cell from left to right.
struct PdfTextLine
{
    struct Cell
    {
        double left = 0;
        QString text;
    };

    // The characters that enclose a note's marker in `text` ("stores.\uE000" "1" "\uE001"), so
    // that the marker is known as one after the lines are joined into paragraphs.
    static constexpr QChar MarkerStart = QChar(0xE000);
    static constexpr QChar MarkerEnd = QChar(0xE001);

    QString text;
    QRectF box;
    QStringList words;
    QList<QRectF> wordBoxes;
    QList<bool> spaceAfter;
    // Words drawn small and raised after a word, as the marker of a note is.
    QList<bool> raised;
    QList<Cell> cells; // only for a table row
    bool tableRow = false;
    // A running head or foot, or a page number, kept on request: a line of its own.
    bool furniture = false;
    // The height of the line's letters, raised words left out: what tells a heading or a
    // note from the body.
    double textHeight = 0;

    double height() const { return textHeight > 0 ? textHeight : box.height(); }
};
