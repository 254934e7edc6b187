#include "DocumentCommands.h"

#include "CharacterOffset.h"
#include "DocumentFile.h"
#include "FileDialogService.h"
#include "LoadNotice.h"
#include "MessageBoxService.h"

#include <QDir>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>

const QString DocumentCommands::TitlePrefix = QStringLiteral("Larkvane TTS Reader - ");
const QString DocumentCommands::UntitledName = QStringLiteral("Untitled");
const QString DocumentCommands::CannotOpenText =
    QStringLiteral("The file \"%1\" cannot be opened: it does not exist, is not a file, or "
                   "cannot be read.");

namespace {
const QString OpenTitle = QStringLiteral("Pick a File to Open");
// Any file may be opened; "*" rather than "*.*" so that names without a dot show too.
const QString OpenFilter = QStringLiteral("All Files (*)");
const QString SaveAsTitle = QStringLiteral("Save As");
const QString SaveAsFilter = QStringLiteral("Word for Windows 6.0 (*.doc)");
const QString ErrorTitle = QStringLiteral("Error!");
const QString SaveError = QStringLiteral("There was an error in saving the file!");
const QString SaveAsError = QStringLiteral("Error in saving file!");
} // namespace

DocumentCommands::DocumentCommands(QTextEdit *rt, QWidget *window, QObject *parent)
    : QObject(parent), m_rt(rt), m_window(window)
{
    updateTitle();
}

QString DocumentCommands::titleFor(const QString &file)
{
    return TitlePrefix + (file.isEmpty() ? UntitledName : file);
}

QTextCharFormat DocumentCommands::newDocumentFormat()
{
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Times New Roman")});
    format.setFontWeight(QFont::Normal);
    format.setForeground(QColor(Qt::black));
    format.setFontPointSize(10);
    format.setFontItalic(false);
    format.setFontStrikeOut(false);
    format.setFontUnderline(false);
    CharacterOffset::set(format, 0);
    return format;
}

void DocumentCommands::mnuFileNew_Click()
{
    setCurrentFile(QString());
    updateTitle();
    if (!m_rt)
        return;
    m_rt->clear();

    QTextCursor cursor = m_rt->textCursor();
    QTextBlockFormat block = cursor.blockFormat();
    block.setAlignment(Qt::AlignLeft);
    cursor.setBlockFormat(block);
    if (QTextList *list = cursor.currentList())
        list->remove(cursor.block());
    const QTextCharFormat format = newDocumentFormat();
    cursor.setBlockCharFormat(format);
    m_rt->setTextCursor(cursor);
    m_rt->setCurrentCharFormat(format);
    // Clearing and formatting the empty document is not an edit to undo.
    m_rt->document()->clearUndoRedoStacks();

    emit refreshRequested();
    if (m_window)
        m_window->update();
}

void DocumentCommands::mnuFileOpen_Click()
{
    const QString path = FileDialogService::getOpenFileName(m_window, OpenTitle, OpenFilter);
    if (path.isEmpty())
        return;
    openFile(path);
}

bool DocumentCommands::openFile(const QString &path)
{
    const bool loaded = m_rt && QFileInfo(path).isFile() &&
                        DocumentFile::load(path, m_rt->document(), newDocumentFormat());
    if (loaded) {
        m_rt->moveCursor(QTextCursor::Start);
        setCurrentFile(QFileInfo(path).absoluteFilePath());
        updateTitle();
        LoadNotice::tell(m_rt->document());
    }
    emit layoutRequested();
    return loaded;
}

bool DocumentCommands::openGivenFile(const QString &path)
{
    if (openFile(path))
        return true;
    MessageBoxService::show(CannotOpenText.arg(QDir::toNativeSeparators(path)),
                            MessageBoxService::Ok, MessageBoxService::Exclamation, ErrorTitle);
    return false;
}

void DocumentCommands::mnuFileSave_Click()
{
    if (m_currentFile.isEmpty()) {
        mnuFileSaveAs_Click();
    } else if (!m_rt || !DocumentFile::save(*m_rt->document(), m_currentFile)) {
        MessageBoxService::show(SaveError, MessageBoxService::Ok, MessageBoxService::Exclamation,
                                ErrorTitle);
    }
    updateTitle();
}

void DocumentCommands::mnuFileSaveAs_Click()
{
    const QString path = FileDialogService::getSaveFileName(m_window, SaveAsTitle, SaveAsFilter);
    if (!path.isEmpty()) {
        // The content is RTF whatever the name; nothing is appended to it.
        if (!m_rt || !DocumentFile::save(*m_rt->document(), path)) {
            MessageBoxService::show(SaveAsError, MessageBoxService::Ok,
                                    MessageBoxService::Exclamation, ErrorTitle);
            return;
        }
        setCurrentFile(QFileInfo(path).absoluteFilePath());
    }
    updateTitle();
}

void DocumentCommands::mnuFilePrint_Click()
{
    emit printRequested();
}

void DocumentCommands::setCurrentFile(const QString &file)
{
    if (file == m_currentFile)
        return;
    m_currentFile = file;
    emit currentFileChanged(file);
}

void DocumentCommands::updateTitle()
{
    if (m_window)
        m_window->setWindowTitle(titleFor(m_currentFile));
}
