#pragma once

#include <QString>

class QTextEdit;

// The document control's find operation: searches a range of the text and selects the
// first match.
class DocumentSearch
{
public:
    // Option bits, as the find window passes them.
    static constexpr int WholeWord = 2;
    static constexpr int MatchCase = 4;
    static constexpr int NoPosition = -1;

    // Searches from `start` (NoPosition: the insertion point) for a match that ends by `end`
    // (NoPosition: the end of the text). Returns the 0-based position of the match, which is
    // then selected, or -1 when there is none (the selection is then left alone). Without
    // MatchCase letter case is ignored. An empty text is never found.
    static int find(QTextEdit *editor, const QString &text, int start = NoPosition,
                    int end = NoPosition, int options = 0);
};
