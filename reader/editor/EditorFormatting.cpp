#include "EditorFormatting.h"

#include "DocumentCommands.h"
#include "EditCommands.h"
#include "EditorToolBar.h"
#include "FindDialog.h"
#include "FormatMenu.h"
#include "FormatStateSync.h"

#include <QEvent>
#include <QKeyEvent>
#include <QTextEdit>

EditorFormatting::EditorFormatting(QWidget *window, QTextEdit *editor, QMenu *formatMenu,
                                   QWidget *toolBarHost, QObject *parent)
    : QObject(parent), m_window(window), m_editor(editor)
{
    m_toolBar = new EditorToolBar(editor, toolBarHost);
    m_menu = new FormatMenu(formatMenu, editor, window, this);
    m_menu->setToolBar(m_toolBar);
    m_state = new FormatStateSync(editor, m_menu, m_toolBar, window, this);

    m_toolBar->setCommand(QStringLiteral("Bold"), [this] { m_menu->toggleBold(); });
    m_toolBar->setCommand(QStringLiteral("Italic"), [this] { m_menu->toggleItalic(); });
    m_toolBar->setCommand(QStringLiteral("Underline"), [this] { m_menu->toggleUnderline(); });
    m_toolBar->setCommand(QStringLiteral("Align Left"), [this] { m_menu->alignLeft(); });
    m_toolBar->setCommand(QStringLiteral("Center"), [this] { m_menu->alignCenter(); });
    m_toolBar->setCommand(QStringLiteral("Align Right"), [this] { m_menu->alignRight(); });

    if (m_editor)
        m_editor->installEventFilter(this);
    if (m_window) {
        m_window->installEventFilter(this);
        m_toolBar->setFirstActivationDone(m_window->isActiveWindow());
    }
}

void EditorFormatting::attachDocumentCommands(DocumentCommands *document)
{
    if (!m_toolBar || !document)
        return;
    const QPointer<DocumentCommands> commands(document);
    m_toolBar->setCommand(QStringLiteral("New"), [commands] {
        if (commands)
            commands->newDocument();
    });
    m_toolBar->setCommand(QStringLiteral("Open"), [commands] {
        if (commands)
            commands->openDocument();
    });
    m_toolBar->setCommand(QStringLiteral("Save"), [commands] {
        if (commands)
            commands->saveDocument();
    });
    m_toolBar->setCommand(QStringLiteral("Print"), [commands] {
        if (commands)
            commands->printDocument();
    });
    connect(document, &DocumentCommands::refreshRequested, this, &EditorFormatting::refreshEditor);
}

void EditorFormatting::attachEditCommands(EditCommands *edit)
{
    if (!m_toolBar || !edit)
        return;
    const QPointer<EditCommands> commands(edit);
    m_toolBar->setCommand(QStringLiteral("Cut"), [commands] {
        if (commands)
            commands->cut();
    });
    m_toolBar->setCommand(QStringLiteral("Copy"), [commands] {
        if (commands)
            commands->copy();
    });
    m_toolBar->setCommand(QStringLiteral("Paste"), [commands] {
        if (commands)
            commands->paste();
    });
    connect(edit, &EditCommands::findRequested, this, &EditorFormatting::showFindDialog);
}

void EditorFormatting::fillFontBoxes()
{
    if (m_toolBar)
        m_toolBar->fillFontBoxes();
}

void EditorFormatting::syncFormatState()
{
    m_state->syncFormatState();
}

void EditorFormatting::refreshEditor()
{
    m_state->refreshEditor();
}

void EditorFormatting::showFindDialog()
{
    FindDialog::open(m_editor, m_window);
}

QString EditorFormatting::formatKeyCommand(const QKeyEvent &key)
{
    // The style and alignment keys of a rich-text control; Shift or Alt make other keys.
    if (key.modifiers() != Qt::ControlModifier)
        return {};
    switch (key.key()) {
    case Qt::Key_B:
        return QStringLiteral("Bold");
    case Qt::Key_I:
        return QStringLiteral("Italic");
    case Qt::Key_U:
        return QStringLiteral("Underline");
    case Qt::Key_L:
        return QStringLiteral("Align Left");
    case Qt::Key_E:
        return QStringLiteral("Center");
    case Qt::Key_R:
        return QStringLiteral("Align Right");
    default:
        return {};
    }
}

bool EditorFormatting::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::WindowActivate && m_toolBar)
        m_toolBar->setFirstActivationDone(true);
    if (watched != m_editor || !m_toolBar)
        return false;
    // Qt's text control claims Ctrl+E and Ctrl+U for line editing on this desktop; in the
    // document they format, as the buttons do, so that menu and buttons show the change.
    if (event->type() == QEvent::ShortcutOverride &&
        !formatKeyCommand(*static_cast<QKeyEvent *>(event)).isEmpty()) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const QString command = formatKeyCommand(*static_cast<QKeyEvent *>(event));
        if (!command.isEmpty()) {
            m_toolBar->runCommand(command);
            return true;
        }
    }
    return false;
}
