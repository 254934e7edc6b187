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

    QString text;
    QRectF box;
    QStringList words;
    QList<QRectF> wordBoxes;
    QList<bool> spaceAfter;
    QList<Cell> cells; // only for a table row
    bool tableRow = false;
};
