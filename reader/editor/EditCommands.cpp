#include "EditCommands.h"

#include "RtfClipboard.h"

#include <QTextCursor>
#include <QTextEdit>

EditCommands::EditCommands(QTextEdit *editor, QObject *parent) : QObject(parent), m_editor(editor)
{
}

void EditCommands::undo()
{
    if (!m_editor)
        return;
    m_editor->setFocus();
    m_editor->undo();
}

void EditCommands::cut()
{
    if (!m_editor)
        return;
    copy();
    QTextCursor cursor = m_editor->textCursor();
    cursor.removeSelectedText();
    m_editor->setTextCursor(cursor);
}

void EditCommands::copy()
{
    if (m_editor)
        RtfClipboard::copy(m_editor->textCursor());
}

void EditCommands::paste()
{
    if (!m_editor)
        return;
    QTextCursor cursor = m_editor->textCursor();
    RtfClipboard::paste(cursor);
    m_editor->setTextCursor(cursor);
    m_editor->ensureCursorVisible();
}

void EditCommands::selectAll()
{
    if (!m_editor)
        return;
    m_editor->setFocus();
    m_editor->selectAll();
}

void EditCommands::find()
{
    emit findRequested();
}
