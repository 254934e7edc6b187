#pragma once

#include <QtGlobal>

// Bounds on what one opened document may cost. Every importer reads files nobody vouches
// for; these caps turn a hostile or broken file (a zip bomb, XML nested without end, a PDF
// claiming a hundred thousand pages) into a clear refusal instead of a crash, a hang or
// memory without limit. They sit far above any real document.
struct ImportLimits
{
    // Bytes all entries read from one archive may inflate to, together. The longest real
    // books and reports stay well under 100 MB of XML and pictures.
    static constexpr qint64 MaxDecompressedSize = qint64(256) * 1024 * 1024;
    // Entries an archive may list; real EPUB and office files have tens to a few thousand.
    static constexpr qint64 MaxArchiveEntries = 20000;
    // Element nesting in any XML part; real documents nest a few dozen levels at most, and
    // the HTML import underneath recurses on it.
    static constexpr int MaxXmlDepth = 256;
    // Pages read from a PDF; a thousand-page book is common, a hundred thousand is an attack.
    static constexpr int MaxPdfPages = 20000;
    // Chapters in an EPUB spine.
    static constexpr int MaxSpineItems = 10000;
    // Rows and columns of one table; QTextTable grows by cells, and a table claiming a
    // million columns would exhaust memory before the first word.
    static constexpr int MaxTableRows = 100000;
    static constexpr int MaxTableColumns = 1000;
    // Rows or columns one cell of an HTML table may span. Qt's HTML import grows the table
    // to every span it is told, so one cell claiming a hundred thousand columns takes
    // minutes; real tables merge a handful of cells.
    static constexpr int MaxCellSpan = 1000;
    // Size of one style sheet of an EPUB chapter; real ones are a few kilobytes.
    static constexpr qint64 MaxStyleSheetBytes = qint64(1) * 1024 * 1024;
    // Size of one picture file read from an archive or beside a page.
    static constexpr qint64 MaxImageBytes = qint64(32) * 1024 * 1024;
};
