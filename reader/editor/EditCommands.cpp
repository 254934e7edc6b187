#include "EditCommands.h"

#include "RtfClipboard.h"

#include <QTextCursor>
#include <QTextEdit>

EditCommands::EditCommands(QTextEdit *rt, QObject *parent) : QObject(parent), m_rt(rt) {}

void EditCommands::undo()
{
    if (!m_rt)
        return;
    m_rt->setFocus();
    m_rt->undo();
}

void EditCommands::cut()
{
    if (!m_rt)
        return;
    copy();
    QTextCursor cursor = m_rt->textCursor();
    cursor.removeSelectedText();
    m_rt->setTextCursor(cursor);
}

void EditCommands::copy()
{
    if (m_rt)
        RtfClipboard::copy(m_rt->textCursor());
}

void EditCommands::paste()
{
    if (!m_rt)
        return;
    QTextCursor cursor = m_rt->textCursor();
    RtfClipboard::paste(cursor);
    m_rt->setTextCursor(cursor);
    m_rt->ensureCursorVisible();
}

void EditCommands::selectAll()
{
    if (!m_rt)
        return;
    m_rt->setFocus();
    m_rt->selectAll();
}

void EditCommands::find()
{
    emit findRequested();
}
