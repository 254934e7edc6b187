#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextListFormat>
#include <memory>

// What the office-document importers read before anything goes into a QTextDocument:
// paragraphs with their runs, list membership and heading level, and tables of them. A
// table needs its size before QTextCursor can insert it, so the parts are collected first
// and written by StructuredTextWriter.
struct ImportedRun
{
    QString text;
    QTextCharFormat format;
    // A picture instead of text: its resource name and size in pixels (0 when unknown).
    QString image{};
    double imageWidth = 0;
    double imageHeight = 0;
    // What the picture shows, in words, for a listener.
    QString altText{};

    // A picture shown at the size the file gives it; sizes beyond a few screens are broken
    // values, and the picture's own size serves then.
    static ImportedRun picture(const QTextCharFormat &format, const QString &image, double width,
                               double height, QSize ownSize)
    {
        ImportedRun run;
        run.format = format;
        run.image = image;
        const bool sane = width > 0 && height > 0 && width < 20000 && height < 20000;
        run.imageWidth = sane ? width : ownSize.width();
        run.imageHeight = sane ? height : ownSize.height();
        return run;
    }
};

struct ImportedTable;

struct ImportedParagraph
{
    QList<ImportedRun> runs;
    Qt::Alignment alignment = Qt::AlignLeft;
    int headingLevel = 0; // 1..6, 0 for body text
    // List membership: paragraphs with the same key and level continue one list.
    QString listKey;
    int listLevel = -1;
    QTextListFormat::Style listStyle = QTextListFormat::ListDisc;
    // A note's paragraph (NoteFormat::NoteBlock), 0 for the body. Importers put a note
    // after the paragraph that refers to it.
    int note = 0;
    // When set, this entry is a table and the fields above are unused.
    std::shared_ptr<ImportedTable> table;

    QString plainText() const;
};

struct ImportedTable
{
    // rows, cells, paragraphs of a cell; a cell covered by a merged one is there, empty
    QList<QList<QList<ImportedParagraph>>> rows;

    // Cells merged into one: the top left cell and how many rows and columns it covers.
    struct Merge
    {
        int row = 0;
        int column = 0;
        int rows = 1;
        int columns = 1;
    };
    QList<Merge> merges;
};
