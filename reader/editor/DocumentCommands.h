#pragma once

#include "FileStamp.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextCharFormat>
#include <optional>

class QTextEdit;
class QWidget;

// The File menu's document commands on the document control: New, Open, Save, Save As
// and the entry to printing, with the current file and the window title that shows it.
// Whatever would set the document aside (New, Open, a file handed over, the end of the
// program) first asks whether changes made since it was opened or saved are to be kept.
class DocumentCommands : public QObject
{
    Q_OBJECT

public:
    static const QString TitlePrefix;  // "Larkvane TTS Reader - "
    static const QString UntitledName; // "Untitled"

    DocumentCommands(QTextEdit *editor, QWidget *window, QObject *parent = nullptr);

    // The file Save writes to; empty for a new document and for one opened from a format
    // other than RTF or text, which Save writes under a new name.
    const QString &currentFile() const { return m_currentFile; }
    // The file the document was opened from or last saved to, which the title shows.
    const QString &shownFile() const { return m_shownFile; }

    // The title for a shown file (an empty one is the untitled document).
    static QString titleFor(const QString &file);

    // The formatting New gives the insertion point, also used for plain-text files.
    static QTextCharFormat newDocumentFormat();

    // What Open does with the file picked in its dialog. False, with nothing changed, when
    // the file cannot be read.
    bool openFile(const QString &path);
    // A file handed over from outside the window (the command line, a second start, a drop):
    // opened as Open does once unsaved changes are settled, and a file that cannot be
    // opened is named in a message, since the user picked it elsewhere and would otherwise
    // see nothing happen.
    bool openGivenFile(const QString &path);

    // Asks "Save changes to <name>?" when the document holds changes that are not on disk.
    // True when the caller may set the document aside: nothing to save, Discard, or Save
    // that succeeded. False on Cancel or a failed or cancelled save.
    bool askToSaveChanges();
    // Save and Save As; true when the document was written.
    bool save();
    bool saveAs();

    static const QString CannotOpenText;    // %1: the file
    static const QString SaveChangesText;   // %1: the document's name
    static const QString ChangedOnDiskText; // %1: the file

public slots:
    void newDocument();
    void openDocument();
    void saveDocument();
    void saveDocumentAs();
    void printDocument();

signals:
    // The editor's formatting state should be derived again (after New).
    void refreshRequested();
    // The window layout should run again (after Open).
    void layoutRequested();
    // The print question should be shown.
    void printRequested();
    void currentFileChanged(const QString &file);
    // A file was opened and is shown; what it says of itself is kept with the document.
    void documentOpened();

private:
    bool open(const QString &path, bool namedElsewhere);
    // The document is now the content of `file` on disk.
    void savedAs(const QString &file);
    // Whether Save may write over the current file: asks when another program changed it
    // since it was opened or saved here.
    bool mayReplaceCurrentFile();
    void setCurrentFile(const QString &file);
    void updateTitle();

    QPointer<QTextEdit> m_editor;
    QPointer<QWidget> m_window;
    QString m_currentFile;
    QString m_shownFile;
    // The current file as it was when opened or saved here.
    std::optional<FileStamp> m_currentStamp;
    bool m_opening = false;
    // The Open dialog's choice to keep a PDF's running heads and feet and page numbers,
    // for this session.
    bool m_keepPageFurniture = false;
};
