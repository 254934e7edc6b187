#include "DocumentCommands.h"

#include "CharacterOffset.h"
#include "DocumentFile.h"
#include "DocumentHandover.h"
#include "DocumentLoader.h"
#include "FileDialogService.h"
#include "LoadNotice.h"
#include "MessageBoxService.h"
#include "WriteFailure.h"

#include <QDir>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

const QString DocumentCommands::TitlePrefix = QStringLiteral("Larkvane TTS Reader - ");
const QString DocumentCommands::UntitledName = QStringLiteral("Untitled");
const QString DocumentCommands::SaveChangesText = QStringLiteral("Save changes to %1?");
const QString DocumentCommands::ChangedOnDiskText =
    QStringLiteral("The file \"%1\" was changed by another program since it was opened or "
                   "saved here.\n\nReplace it with the document shown here?");
const QString DocumentCommands::CannotOpenText =
    QStringLiteral("The file \"%1\" cannot be opened: it does not exist, is not a file, or "
                   "cannot be read.");

namespace {
const QString OpenTitle = QStringLiteral("Pick a File to Open");
const QString KeepPageFurniture = QStringLiteral("Keep page headers and footers");
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
// A document opened from another format becomes RTF when saved: that is offered first, and
// named so when the typed name has no extension.
const QString RtfSaveAsFilter =
    QStringLiteral("Rich Text Format (*.rtf);;Word for Windows 6.0 (*.doc)");
const QString RtfSuffix = QStringLiteral("rtf");
const QString ErrorTitle = QStringLiteral("Error!");
const QString SaveError = QStringLiteral("There was an error in saving the file!");
const QString SaveAsError = QStringLiteral("Error in saving file!");

// The message of a failed save: the program's sentence, then why.
QString saveFailure(const QString &message, int error)
{
    const QString reason = WriteFailure::reason(error);
    return reason.isEmpty() ? message : message + QStringLiteral("\n\n") + reason;
}
} // namespace

DocumentCommands::DocumentCommands(QTextEdit *editor, QWidget *window, QObject *parent)
    : QObject(parent), m_editor(editor), m_window(window)
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

void DocumentCommands::newDocument()
{
    if (!askToSaveChanges())
        return;
    setCurrentFile(QString());
    m_shownFile.clear();
    updateTitle();
    if (!m_editor)
        return;
    m_editor->clear();
    // A new document has no title or author of its own, whatever the last file said.
    DocumentMetadata::attach(m_editor->document(), {});

    QTextCursor cursor = m_editor->textCursor();
    QTextBlockFormat block = cursor.blockFormat();
    block.setAlignment(Qt::AlignLeft);
    cursor.setBlockFormat(block);
    if (QTextList *list = cursor.currentList())
        list->remove(cursor.block());
    const QTextCharFormat format = newDocumentFormat();
    cursor.setBlockCharFormat(format);
    m_editor->setTextCursor(cursor);
    m_editor->setCurrentCharFormat(format);
    // Clearing and formatting the empty document is not an edit to undo or to save.
    m_editor->document()->clearUndoRedoStacks();
    m_editor->document()->setModified(false);

    emit refreshRequested();
    if (m_window)
        m_window->update();
}

void DocumentCommands::openDocument()
{
    if (!askToSaveChanges())
        return;
    const QString path = FileDialogService::getOpenFileName(
        m_window, OpenTitle, OpenFilter, KeepPageFurniture, &m_keepPageFurniture);
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
    if (m_opening || !askToSaveChanges())
        return false;
    const bool opened = open(path, true);
    emit layoutRequested();
    return opened;
}

bool DocumentCommands::open(const QString &path, bool namedElsewhere)
{
    // A file still being read keeps the window busy; a second open waits for the user.
    if (!m_editor || m_opening)
        return false;
    m_opening = true;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    DocumentFile::Imported imported =
        DocumentLoader::import(m_window, absolute, newDocumentFormat(), m_keepPageFurniture);
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
    DocumentHandover::show(m_editor, std::move(imported.document));
    // Save writes RTF: only a file that already is RTF or text may be written back to.
    // A PDF or an e-book opened here is saved under a name the user picks.
    setCurrentFile(DocumentFormat::keepsItsPath(result.format) ? absolute : QString());
    m_currentStamp = FileStamp::of(m_currentFile);
    m_shownFile = absolute;
    updateTitle();
    LoadNotice::tell(m_editor->document());
    emit documentOpened();
    return true;
}

void DocumentCommands::saveDocument()
{
    save();
}

void DocumentCommands::saveDocumentAs()
{
    saveAs();
}

bool DocumentCommands::save()
{
    if (m_currentFile.isEmpty())
        return saveAs();
    bool saved = false;
    if (m_editor && mayReplaceCurrentFile()) {
        int error = 0;
        saved = DocumentFile::save(*m_editor->document(), m_currentFile, &error);
        if (saved)
            savedAs(m_currentFile);
        else
            MessageBoxService::show(saveFailure(SaveError, error), MessageBoxService::Ok,
                                    MessageBoxService::Exclamation, ErrorTitle);
    }
    updateTitle();
    return saved;
}

bool DocumentCommands::saveAs()
{
    const bool otherFormat = m_currentFile.isEmpty() && !m_shownFile.isEmpty();
    const QString path = FileDialogService::getSaveFileName(
        m_window, SaveAsTitle, otherFormat ? RtfSaveAsFilter : SaveAsFilter,
        otherFormat ? RtfSuffix : QString());
    if (path.isEmpty()) {
        updateTitle();
        return false;
    }
    // The content is RTF whatever the name.
    int error = 0;
    if (!m_editor || !DocumentFile::save(*m_editor->document(), path, &error)) {
        MessageBoxService::show(saveFailure(SaveAsError, error), MessageBoxService::Ok,
                                MessageBoxService::Exclamation, ErrorTitle);
        return false;
    }
    savedAs(QFileInfo(path).absoluteFilePath());
    updateTitle();
    return true;
}

void DocumentCommands::savedAs(const QString &file)
{
    setCurrentFile(file);
    m_shownFile = file;
    m_currentStamp = FileStamp::of(file);
    if (m_editor)
        m_editor->document()->setModified(false);
}

bool DocumentCommands::mayReplaceCurrentFile()
{
    const std::optional<FileStamp> now = FileStamp::of(m_currentFile);
    // A file that is gone loses nothing by being written again.
    if (!now || !m_currentStamp || *now == *m_currentStamp)
        return true;
    MessageBoxService::Request request;
    request.text = ChangedOnDiskText.arg(QDir::toNativeSeparators(m_currentFile));
    request.buttons = MessageBoxService::YesNo;
    request.icon = MessageBoxService::Exclamation;
    request.defaultButton = MessageBoxService::ResultNo;
    return MessageBoxService::show(request) == MessageBoxService::ResultYes;
}

bool DocumentCommands::askToSaveChanges()
{
    if (!m_editor)
        return true;
    const QTextDocument *document = m_editor->document();
    // An untitled document that is empty again holds nothing to lose.
    if (!document->isModified() || (m_shownFile.isEmpty() && document->isEmpty()))
        return true;
    MessageBoxService::Request request;
    request.text = SaveChangesText.arg(m_shownFile.isEmpty() ? UntitledName
                                                             : QFileInfo(m_shownFile).fileName());
    request.buttons = MessageBoxService::SaveDiscardCancel;
    request.icon = MessageBoxService::Exclamation;
    request.defaultButton = MessageBoxService::ResultSave;
    switch (MessageBoxService::show(request)) {
    case MessageBoxService::ResultSave:
        return save();
    case MessageBoxService::ResultDiscard:
        return true;
    default:
        return false;
    }
}

void DocumentCommands::printDocument()
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
        m_window->setWindowTitle(titleFor(m_shownFile));
}
