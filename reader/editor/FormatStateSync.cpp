#include "FormatStateSync.h"

#include "EditorToolBar.h"
#include "FormatMenu.h"
#include "SelectionFormat.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTextEdit>

FormatStateSync::FormatStateSync(QTextEdit *editor, FormatMenu *menu, EditorToolBar *toolBar,
                                 QWidget *window, QObject *parent)
    : QObject(parent), m_editor(editor), m_menu(menu), m_toolBar(toolBar), m_window(window)
{
    if (m_editor) {
        m_editor->installEventFilter(this);
        m_editor->viewport()->installEventFilter(this);
    }
}

bool FormatStateSync::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_editor)
        return false;
    if (watched == m_editor) {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->key() == Qt::Key_F5) {
            refreshEditor();
        } else if (event->type() == QEvent::KeyRelease) {
            syncFormatState();
        }
    } else if (watched == m_editor->viewport() && event->type() == QEvent::MouseButtonRelease) {
        syncFormatState();
    }
    // The document handles its own keys and clicks as well.
    return false;
}

void FormatStateSync::syncFormatState()
{
    if (!m_editor || !m_menu)
        return;
    const SelectionFormat selection(m_editor);

    // A mixed alignment, now or last time, counts as no change.
    const std::optional<int> alignment = selection.alignment();
    if (alignment && m_previousAlignment && *alignment != *m_previousAlignment)
        m_menu->updateAlignmentMarks();
    m_previousAlignment = alignment;

    const auto mark = [this](QAction *item, int button, std::optional<bool> on) {
        const bool pressed = on.value_or(false);
        item->setChecked(pressed);
        if (m_toolBar)
            m_toolBar->setButtonValue(button, pressed ? 1 : 0);
    };
    mark(m_menu->boldItem, FormatMenu::ButtonBold, selection.bold());
    mark(m_menu->italicItem, FormatMenu::ButtonItalic, selection.italic());
    mark(m_menu->underlineItem, FormatMenu::ButtonUnderline, selection.underline());
}

void FormatStateSync::refreshEditor()
{
    const QPointer<FormatStateSync> self(this);
    // Other events run between the steps; this object or its widgets may be gone after.
    const auto yield = [&] {
        QCoreApplication::processEvents();
        return bool(self);
    };

    if (!yield())
        return;
    if (m_menu)
        m_menu->updateMarks();
    if (!yield())
        return;
    if (m_toolBar) {
        m_toolBar->fontNameBox->repaint();
        m_toolBar->fontSizeBox->repaint();
        m_toolBar->repaint();
    }
    if (!yield())
        return;
    if (m_window)
        m_window->repaint();
    if (!yield())
        return;
    if (m_editor)
        m_editor->repaint();
    if (!yield())
        return;
    if (m_toolBar)
        m_toolBar->fillFontBoxes();
    yield();
}
