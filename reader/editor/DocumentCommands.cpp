#include "DocumentCommands.h"

#include "CharacterOffset.h"
#include "DocumentFile.h"
#include "DocumentHandover.h"
#include "DocumentLoader.h"
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
// The formats the reader opens, all of them first; any file may still be picked ("*"
// rather than "*.*" so that names without a dot show too), and its content decides.
const QString OpenFilter = QStringLiteral(
    "All supported documents (*.rtf *.txt *.pdf *.epub *.docx *.odt *.html *.htm *.xhtml *.md "
    "*.markdown *.doc);;"
    "RTF documents (*.rtf *.doc);;PDF documents (*.pdf);;EPUB books (*.epub);;"
    "DOCX documents (*.docx);;ODT documents (*.odt);;HTML pages (*.html *.htm *.xhtml);;"
    "Markdown texts (*.md *.markdown);;Text files (*.txt);;All Files (*)");
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
    // A new document has no title or author of its own, whatever the last file said.
    DocumentMetadata::attach(m_rt->document(), {});

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
    const bool opened = open(path, false);
    // The layout runs after every Open, whether or not the file could be read.
    emit layoutRequested();
    return opened;
}

bool DocumentCommands::openGivenFile(const QString &path)
{
    const bool opened = open(path, true);
    emit layoutRequested();
    return opened;
}

bool DocumentCommands::open(const QString &path, bool namedElsewhere)
{
    // A file still being read keeps the window busy; a second open waits for the user.
    if (!m_rt || m_opening)
        return false;
    m_opening = true;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    DocumentFile::Imported imported =
        DocumentLoader::import(m_window, absolute, newDocumentFormat());
    m_opening = false;
    const DocumentFile::LoadResult &result = imported.result;
    if (!result.ok()) {
        // A cancelled open changes nothing and needs no message. A file that could not be
        // read at all is named only when it was picked outside the window (the command line,
        // a second start, a drop), where the user would otherwise see nothing happen; in the
        // Open dialog the old document simply stays. What is read but is no document, or a
        // damaged one, is always explained.
        if (result.outcome == DocumentFile::LoadResult::Failed ||
            result.outcome == DocumentFile::LoadResult::NeedsPassword)
            MessageBoxService::show(result.error, MessageBoxService::Ok,
                                    MessageBoxService::Exclamation, ErrorTitle);
        else if (namedElsewhere && result.outcome == DocumentFile::LoadResult::Unreadable)
            MessageBoxService::show(CannotOpenText.arg(QDir::toNativeSeparators(path)),
                                    MessageBoxService::Ok, MessageBoxService::Exclamation,
                                    ErrorTitle);
        return false;
    }
    // The editor shows the document that was read, with the cursor at its start.
    DocumentHandover::show(m_rt, std::move(imported.document));
    // Save writes RTF: only a file that already is RTF or text may be written back to.
    // A PDF or an e-book opened here is saved under a name the user picks.
    setCurrentFile(DocumentFormat::keepsItsPath(result.format) ? absolute : QString());
    updateTitle();
    LoadNotice::tell(m_rt->document());
    return true;
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
