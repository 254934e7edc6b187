#include "DocumentSelection.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

int DocumentSelection::textLength(const QTextEdit *edit)
{
    // The document counts its closing paragraph mark; the plain text does not.
    return qMax(0, edit->document()->characterCount() - 1);
}

int DocumentSelection::start(const QTextEdit *edit)
{
    return edit->textCursor().selectionStart();
}

int DocumentSelection::length(const QTextEdit *edit)
{
    const QTextCursor cursor = edit->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void DocumentSelection::setStart(QTextEdit *edit, int start)
{
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(qBound(0, start, textLength(edit)));
    edit->setTextCursor(cursor);
}

void DocumentSelection::setLength(QTextEdit *edit, int length)
{
    QTextCursor cursor = edit->textCursor();
    const int from = cursor.selectionStart();
    const qint64 wanted = qint64(from) + qMax(0, length);
    const int to = int(qMin<qint64>(wanted, qint64(qMax(from, textLength(edit)))));
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}
