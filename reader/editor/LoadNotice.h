#pragma once

class QTextDocument;

// Tells the user, once per Open or Paste, what the reading changed to keep the window
// usable: pictures left out because together they would take more memory than a document
// may hold (RtfPictureBudget), paragraphs broken because they were too long to lay out
// (ParagraphBreaker).
class LoadNotice
{
public:
    static inline const char *const PicturesText =
        "Some pictures in this document are too large to show all of them. They are shown as "
        "empty frames and are saved as they were.";
    static inline const char *const ParagraphsText =
        "Some paragraphs in this document are too long to show. They were divided at the end "
        "of a sentence or between words.";

    // Shows one message for what the last read did; nothing when it changed nothing.
    static void tell(QTextDocument *document);
};
