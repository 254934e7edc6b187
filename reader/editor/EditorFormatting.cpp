#include "EditorFormatting.h"

#include "DocumentCommands.h"
#include "EditCommands.h"
#include "EditorToolBar.h"
#include "FormatMenu.h"
#include "FormatStateSync.h"
#include "FrmFind.h"

#include <QEvent>
#include <QKeyEvent>
#include <QTextEdit>

EditorFormatting::EditorFormatting(QWidget *window, QTextEdit *rt, QMenu *formatMenu,
                                   QWidget *toolBarHost, QObject *parent)
    : QObject(parent), m_window(window), m_rt(rt)
{
    m_toolBar = new EditorToolBar(rt, toolBarHost);
    m_menu = new FormatMenu(formatMenu, rt, window, this);
    m_menu->setToolBar(m_toolBar);
    m_state = new FormatStateSync(rt, m_menu, m_toolBar, window, this);

    m_toolBar->setCommand(QStringLiteral("Bold"), [this] { m_menu->bold_Click(); });
    m_toolBar->setCommand(QStringLiteral("Italic"), [this] { m_menu->italic_Click(); });
    m_toolBar->setCommand(QStringLiteral("Underline"), [this] { m_menu->Underline_Click(); });
    m_toolBar->setCommand(QStringLiteral("Align Left"), [this] { m_menu->aLeft_Click(); });
    m_toolBar->setCommand(QStringLiteral("Center"), [this] { m_menu->aCenter_Click(); });
    m_toolBar->setCommand(QStringLiteral("Align Right"), [this] { m_menu->aRight_Click(); });

    if (m_rt)
        m_rt->installEventFilter(this);
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
            commands->mnuFileNew_Click();
    });
    m_toolBar->setCommand(QStringLiteral("Open"), [commands] {
        if (commands)
            commands->mnuFileOpen_Click();
    });
    m_toolBar->setCommand(QStringLiteral("Save"), [commands] {
        if (commands)
            commands->mnuFileSave_Click();
    });
    m_toolBar->setCommand(QStringLiteral("Print"), [commands] {
        if (commands)
            commands->mnuFilePrint_Click();
    });
    connect(document, &DocumentCommands::refreshRequested, this, &EditorFormatting::RefreshEditor);
}

void EditorFormatting::attachEditCommands(EditCommands *edit)
{
    if (!m_toolBar || !edit)
        return;
    const QPointer<EditCommands> commands(edit);
    m_toolBar->setCommand(QStringLiteral("Cut"), [commands] {
        if (commands)
            commands->mnuEditCut_Click();
    });
    m_toolBar->setCommand(QStringLiteral("Copy"), [commands] {
        if (commands)
            commands->mnuEditCopy_Click();
    });
    m_toolBar->setCommand(QStringLiteral("Paste"), [commands] {
        if (commands)
            commands->mnuEditPaste_Click();
    });
    connect(edit, &EditCommands::findRequested, this, &EditorFormatting::Find_Click);
}

void EditorFormatting::FillFontBoxes()
{
    if (m_toolBar)
        m_toolBar->FillFontBoxes();
}

void EditorFormatting::SyncFormatState()
{
    m_state->SyncFormatState();
}

void EditorFormatting::RefreshEditor()
{
    m_state->RefreshEditor();
}

void EditorFormatting::Find_Click()
{
    FrmFind::open(m_rt, m_window);
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
    if (watched != m_rt || !m_toolBar)
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
            m_toolBar->tbToolBar_ButtonClick(command);
            return true;
        }
    }
    return false;
}
