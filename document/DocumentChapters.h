#pragma once

#include <QList>
#include <QString>
#include <QTextFormat>

class QTextDocument;

// The chapters of a document, for audio books of one file per chapter. A file that marks
// its own chapters (an e-book's spine items, a PDF's bookmarks) has those; any other document
// has one chapter for each heading of the highest level that occurs more than once (Heading 1,
// or Heading 2 under a single title). What comes before the first chapter is read at its
// start, and a chapter with no text but its heading (a title page, a cover picture) joins
// the one after it.
class DocumentChapters
{
public:
    struct Chapter
    {
        QString title;
        // Document positions: the chapter is the text from start up to end.
        int start = 0;
        int end = 0;

        bool operator==(const Chapter &) const = default;
    };

    // The block property by which an importer marks the first paragraph of a chapter that
    // the file names; its value is the chapter's title, empty when the file gives none.
    static constexpr int StartProperty = QTextFormat::UserProperty + 0x60;
    // Set beside it on front matter (a cover, a title page): read with the chapter after it.
    static constexpr int FrontMatterProperty = QTextFormat::UserProperty + 0x61;

    // Marks the paragraph at `position` as the start of a chapter, or of front matter.
    static void markStart(QTextDocument *document, int position, const QString &title = {},
                          bool frontMatter = false);

    // The chapters in reading order, covering the whole document; empty when the document
    // has fewer than two (it is one piece).
    static QList<Chapter> of(const QTextDocument &document);

    // The text a voice is given for the whole document (SpokenText), with `chapters` moved
    // from document positions to positions in it. Each chapter is spoken on its own, so its
    // range in the spoken text is exact even where list numbers or picture descriptions
    // were added.
    static QString spokenText(const QTextDocument &document, QList<Chapter> *chapters);

    // A title made of the first words of a text, for a chapter without a heading.
    static QString titleFromText(const QString &text);
};
