#include "DocumentSearch.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

int DocumentSearch::find(QTextEdit *editor, const QString &text, int start, int end, int options)
{
    if (!editor || text.isEmpty())
        return -1;
    QTextDocument *document = editor->document();
    // Positions run over the text with one place for each paragraph break, as selections do;
    // the last place is the document's closing break, which no search reaches.
    const int length = document->characterCount() - 1;
    const int from =
        start == NoPosition ? editor->textCursor().position() : std::clamp(start, 0, length);
    const int to = end == NoPosition ? length : std::clamp(end, 0, length);
    if (from > to)
        return -1;

    QTextDocument::FindFlags flags;
    if (options & MatchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (options & WholeWord)
        flags |= QTextDocument::FindWholeWords;
    const QTextCursor match = document->find(text, from, flags);
    if (match.isNull() || match.selectionEnd() > to)
        return -1;
    editor->setTextCursor(match);
    return match.selectionStart();
}
