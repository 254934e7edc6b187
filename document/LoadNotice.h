#pragma once

#include <QStringList>

class QTextDocument;

// Tells the user, once per Open or Paste, what the reading changed to keep the window
// usable: pictures left out because together they would take more memory than a document
// may hold (RtfPictureBudget), paragraphs broken because they were too long to lay out
// (ParagraphBreaker), and the files the document names that were not read, each named with
// the reason (ResourceGate).
class LoadNotice
{
public:
    static inline const char *const PicturesText =
        "Some pictures in this document are too large to show all of them. They are shown as "
        "empty frames and are saved as they were.";
    static inline const char *const ParagraphsText =
        "Some paragraphs in this document are too long to show. They were divided at the end "
        "of a sentence or between words.";

    static inline const char *const LeftOutText =
        "These files that the document names were left out:";

    // The lines of the message for what the last read did; empty when it changed nothing.
    static QStringList take(QTextDocument *document);
    // Shows one message for what the last read did; nothing when it changed nothing.
    static void tell(QTextDocument *document);
};
