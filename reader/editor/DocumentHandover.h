#pragma once

#include <memory>

class QTextDocument;
class QTextEdit;

// Shows a document made away from the editor (a file just read) in the editor as it is,
// in place of the one shown: nothing is copied, and the editor lays it out once, the
// first screen at once and the rest while the window goes on answering. The document
// starts a fresh undo history, unmodified, with the cursor at its start.
class DocumentHandover
{
public:
    static void show(QTextEdit *edit, std::unique_ptr<QTextDocument> document);
};
