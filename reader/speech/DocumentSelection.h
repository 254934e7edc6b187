#pragma once

#include <QString>

class QTextEdit;

// The document's selection as a 0-based start and a length in characters of its plain
// text. Setting the start collapses the selection there; setting the length then extends
// it from the start, limited to the end of the text.
class DocumentSelection
{
public:
    static int textLength(const QTextEdit *edit);
    static int start(const QTextEdit *edit);
    static int length(const QTextEdit *edit);
    static void setStart(QTextEdit *edit, int start);
    static void setLength(QTextEdit *edit, int length);
};
