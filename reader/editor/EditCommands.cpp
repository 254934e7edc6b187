#include "EditCommands.h"

#include "RtfClipboard.h"

#include <QTextCursor>
#include <QTextEdit>

EditCommands::EditCommands(QTextEdit *rt, QObject *parent) : QObject(parent), m_rt(rt) {}

void EditCommands::mnuEditUndo_Click()
{
    if (!m_rt)
        return;
    m_rt->setFocus();
    m_rt->undo();
}

void EditCommands::mnuEditCut_Click()
{
    if (!m_rt)
        return;
    mnuEditCopy_Click();
    QTextCursor cursor = m_rt->textCursor();
    cursor.removeSelectedText();
    m_rt->setTextCursor(cursor);
}

void EditCommands::mnuEditCopy_Click()
{
    if (m_rt)
        RtfClipboard::copy(m_rt->textCursor());
}

void EditCommands::mnuEditPaste_Click()
{
    if (!m_rt)
        return;
    QTextCursor cursor = m_rt->textCursor();
    RtfClipboard::paste(cursor);
    m_rt->setTextCursor(cursor);
    m_rt->ensureCursorVisible();
}

void EditCommands::Selall_Click()
{
    if (!m_rt)
        return;
    m_rt->setFocus();
    m_rt->selectAll();
}

void EditCommands::Find_Click()
{
    emit findRequested();
}
