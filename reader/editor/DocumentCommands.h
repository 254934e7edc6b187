#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextCharFormat>

class QTextEdit;
class QWidget;

// The File menu's document commands on the document control: New, Open, Save, Save As
// and the entry to printing, with the current file and the window title that shows it.
// There is no modified flag: nothing asks about unsaved changes.
class DocumentCommands : public QObject
{
    Q_OBJECT

public:
    static const QString TitlePrefix;  // "Larkvane TTS Reader - "
    static const QString UntitledName; // "Untitled"

    DocumentCommands(QTextEdit *rt, QWidget *window, QObject *parent = nullptr);

    // The file Save writes to; empty for a new document.
    const QString &CurrentFile() const { return m_currentFile; }

    // The title for a current file (an empty one is the untitled document).
    static QString titleFor(const QString &file);

    // The formatting New gives the insertion point, also used for plain-text files.
    static QTextCharFormat newDocumentFormat();

    // What Open does with the file picked in its dialog. False, with nothing changed, when
    // the file cannot be read.
    bool openFile(const QString &path);
    // A file handed over from outside the window (the command line, a second start, a drop):
    // opened as Open does, and a file that cannot be opened is named in a message, since
    // the user picked it elsewhere and would otherwise see nothing happen.
    bool openGivenFile(const QString &path);

    static const QString CannotOpenText; // %1: the file

public slots:
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFilePrint_Click();

signals:
    // The editor's formatting state should be derived again (after New).
    void refreshRequested();
    // The window layout should run again (after Open).
    void layoutRequested();
    // The print question should be shown.
    void printRequested();
    void currentFileChanged(const QString &file);

private:
    bool open(const QString &path, bool namedElsewhere);
    void setCurrentFile(const QString &file);
    void updateTitle();

    QPointer<QTextEdit> m_rt;
    QPointer<QWidget> m_window;
    QString m_currentFile;
    bool m_opening = false;
    // The Open dialog's choice to keep a PDF's running heads and feet and page numbers,
    // for this session.
    bool m_keepPageFurniture = false;
};
