#pragma once

#include <QList>
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
    QString image;
    double imageWidth = 0;
    double imageHeight = 0;
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
    // When set, this entry is a table and the fields above are unused.
    std::shared_ptr<ImportedTable> table;

    QString plainText() const;
};

struct ImportedTable
{
    // rows, cells, paragraphs of a cell
    QList<QList<QList<ImportedParagraph>>> rows;
};
