// The File menu's document commands driven as the user would, with the dialogs and message
// boxes answered by the test.
#include "DocumentCommands.h"
#include "CharacterOffset.h"
#include "DocumentFile.h"
#include "DocumentProbe.h"
#include "FileDialogStub.h"
#include "MessageBoxRecorder.h"
#include "PasswordDialogService.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextList>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
using P = DocumentProbe;

const QString Untitled = QStringLiteral("Larkvane TTS Reader - Untitled");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// A PDF of `pages` pages of text, written directly: every page draws the same content.
QByteArray bookPdf(int pages)
{
    QByteArray text = "BT /F1 9 Tf 11 TL 50 800 Td";
    for (int line = 0; line < 60; ++line)
        text += " (Line " + QByteArray::number(line) + " of a long book that nobody reads.) '";
    text += " ET";
    const int font = pages + 4;
    QList<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "",
                                 "<< /Length " + QByteArray::number(text.size()) + " >>\nstream\n" +
                                     text + "\nendstream"};
    QByteArray kids;
    for (int page = 0; page < pages; ++page) {
        kids += QByteArray::number(page + 4) + " 0 R ";
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 3 0 R "
                       "/Resources << /Font << /F1 " +
                       QByteArray::number(font) + " 0 R >> >> >>");
    }
    objects[1] = "<< /Type /Pages /Count " + QByteArray::number(pages) + " /Kids [" + kids + "] >>";
    objects.append("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray xref =
        "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (int i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const QByteArray start = QByteArray::number(pdf.size());
    pdf += xref + "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
    return pdf;
}

class DocumentCommandsTest : public ::testing::Test
{
protected:
    DocumentCommandsTest() : editor(&window), commands(&editor, &window)
    {
        EXPECT_TRUE(dir.isValid());
        commands.newDocument(); // as the window's load sequence does
    }

    QString path(const QString &name) const
    {
        return QFileInfo(dir.filePath(name)).absoluteFilePath();
    }
    QString title() const { return window.windowTitle(); }
    void type(const QString &text) { editor.textCursor().insertText(text); }

    QTemporaryDir dir;
    QWidget window;
    QTextEdit editor;
    DocumentCommands commands;
    FileDialogStub dialogs;
    MessageBoxRecorder boxes;
};
} // namespace

TEST_F(DocumentCommandsTest, UntitledAtStartAndSaveAsksForAName)
{
    EXPECT_EQ(title(), Untitled);
    EXPECT_TRUE(commands.currentFile().isEmpty());
    type("text");
    dialogs.queueAnswer(path("first.doc"));
    commands.saveDocument();
    ASSERT_EQ(dialogs.requests().size(), 1);
    EXPECT_EQ(dialogs.requests()[0].mode, FileDialogService::Save);
    EXPECT_TRUE(dialogs.requests()[0].filter.contains("*.doc"));
    EXPECT_EQ(commands.currentFile(), path("first.doc"));
    EXPECT_EQ(title(), "Larkvane TTS Reader - " + path("first.doc"));
    EXPECT_TRUE(readFile(path("first.doc")).startsWith("{\\rtf1")); // RTF, whatever the name
    EXPECT_TRUE(boxes.requests().isEmpty());
}

TEST_F(DocumentCommandsTest, NewForgetsTheFileSoSaveAsksAgain)
{
    type("saved once");
    dialogs.queueAnswer(path("a.doc"));
    commands.saveDocumentAs();
    const QByteArray saved = readFile(path("a.doc"));
    ASSERT_FALSE(saved.isEmpty());

    commands.newDocument();
    EXPECT_EQ(title(), Untitled);
    EXPECT_TRUE(commands.currentFile().isEmpty());
    type("different");
    commands.saveDocument(); // the dialog is cancelled
    EXPECT_EQ(dialogs.requests().size(), 2);
    EXPECT_EQ(readFile(path("a.doc")), saved);
    EXPECT_EQ(title(), Untitled);
}

TEST_F(DocumentCommandsTest, OpenThenSaveWritesBackWithoutADialog)
{
    writeFile(path("b.rtf"), "{\\rtf1 {\\b original}\\par}");
    QSignalSpy layouts(&commands, &DocumentCommands::layoutRequested);
    dialogs.queueAnswer(path("b.rtf"));
    commands.openDocument();
    ASSERT_EQ(dialogs.requests().size(), 1);
    EXPECT_EQ(dialogs.requests()[0].mode, FileDialogService::Open);
    EXPECT_EQ(dialogs.requests()[0].title, "Pick a File to Open");
    EXPECT_EQ(editor.toPlainText(), "original");
    EXPECT_TRUE(P::isBold(P::formatOf(*editor.document(), "original")));
    EXPECT_EQ(title(), "Larkvane TTS Reader - " + path("b.rtf"));
    EXPECT_EQ(layouts.count(), 1);
    // A loaded document is not an edit that Undo takes back.
    EXPECT_FALSE(editor.document()->isUndoAvailable());

    editor.moveCursor(QTextCursor::End);
    type(" edited");
    commands.saveDocument();
    EXPECT_EQ(dialogs.requests().size(), 1);
    const QByteArray written = readFile(path("b.rtf"));
    EXPECT_TRUE(written.startsWith("{\\rtf1"));
    EXPECT_EQ(P::read(written)->toPlainText(), "original edited");
    EXPECT_EQ(title(), "Larkvane TTS Reader - " + path("b.rtf"));
}

// What the user typed is set aside only after "Save changes to ...?": Cancel, and a save
// that fails, keep it; Discard lets it go; Save writes it first.
TEST_F(DocumentCommandsTest, ChangesAreSetAsideOnlyWhenTheUserSaysSo)
{
    type("typed words");
    commands.newDocument(); // the recorder answers neither Save nor Discard: Cancel
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests()[0].text, "Save changes to Untitled?");
    EXPECT_EQ(boxes.requests()[0].buttons, MessageBoxService::SaveDiscardCancel);
    EXPECT_EQ(boxes.requests()[0].effectiveDefault(), MessageBoxService::ResultSave);
    EXPECT_EQ(editor.toPlainText(), "typed words");

    // Save fails (no such folder): the error is shown and the Open goes no further.
    boxes.queueAnswer(MessageBoxService::ResultSave);
    dialogs.queueAnswer(path("no folder/words.rtf"));
    commands.openDocument();
    EXPECT_EQ(dialogs.requests().size(), 1); // the Save As dialog only
    EXPECT_EQ(editor.toPlainText(), "typed words");

    boxes.queueAnswer(MessageBoxService::ResultSave);
    dialogs.queueAnswer(path("words.rtf"));
    EXPECT_TRUE(commands.askToSaveChanges());
    EXPECT_EQ(P::read(readFile(path("words.rtf")))->toPlainText(), "typed words");
    EXPECT_TRUE(commands.askToSaveChanges()); // saved: nothing to ask
    EXPECT_EQ(boxes.requests().size(), 4);

    type(" and more");
    boxes.queueAnswer(MessageBoxService::ResultDiscard);
    commands.newDocument();
    EXPECT_EQ(boxes.requests().last().text, "Save changes to words.rtf?");
    EXPECT_TRUE(editor.toPlainText().isEmpty());
    EXPECT_EQ(P::read(readFile(path("words.rtf")))->toPlainText(), "typed words");
    // An empty untitled document holds nothing to ask about, typed in or not.
    type("x");
    editor.clear();
    EXPECT_TRUE(commands.askToSaveChanges());
    EXPECT_EQ(boxes.requests().size(), 5);
}

TEST_F(DocumentCommandsTest, OpenTakesPlainTextFiles)
{
    writeFile(path("notes.txt"), "caf\xC3\xA9\nsecond line");
    dialogs.queueAnswer(path("notes.txt"));
    commands.openDocument();
    EXPECT_EQ(P::paragraphs(*editor.document()),
              QStringList({QStringLiteral("café"), "second line"}));
    EXPECT_EQ(P::family(P::formatOf(*editor.document(), "second")), "Times New Roman");
    EXPECT_EQ(commands.currentFile(), path("notes.txt"));
}

TEST_F(DocumentCommandsTest, CancelledDialogsChangeNothing)
{
    type("unsaved");
    QSignalSpy layouts(&commands, &DocumentCommands::layoutRequested);
    boxes.queueAnswer(MessageBoxService::ResultDiscard);
    commands.openDocument();
    commands.saveDocumentAs();
    EXPECT_EQ(dialogs.requests().size(), 2);
    EXPECT_EQ(editor.toPlainText(), "unsaved");
    EXPECT_EQ(title(), Untitled);
    EXPECT_TRUE(commands.currentFile().isEmpty());
    EXPECT_EQ(layouts.count(), 0);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(DocumentCommandsTest, FailedOpenKeepsDocumentAndFile)
{
    writeFile(path("c.rtf"), "{\\rtf1 first}");
    dialogs.queueAnswer(path("c.rtf"));
    commands.openDocument();
    QSignalSpy layouts(&commands, &DocumentCommands::layoutRequested);
    dialogs.queueAnswer(path("missing.rtf"));
    commands.openDocument();
    EXPECT_EQ(editor.toPlainText(), "first");
    EXPECT_EQ(commands.currentFile(), path("c.rtf"));
    EXPECT_EQ(title(), "Larkvane TTS Reader - " + path("c.rtf"));
    EXPECT_EQ(layouts.count(), 1); // the layout runs all the same
    EXPECT_TRUE(boxes.requests().isEmpty());
}

TEST_F(DocumentCommandsTest, FailedSaveReportsAndKeepsTheFile)
{
    QDir(dir.path()).mkdir("gone");
    const QString file = path("gone/d.rtf");
    writeFile(file, "{\\rtf1 on disk}");
    dialogs.queueAnswer(file);
    commands.openDocument();
    ASSERT_TRUE(QDir(dir.filePath("gone")).removeRecursively());

    commands.saveDocument();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests()[0].text,
              "There was an error in saving the file!\n\nThe folder does not exist.");
    EXPECT_EQ(boxes.requests()[0].title, "Error!");
    EXPECT_EQ(boxes.requests()[0].icon, MessageBoxService::Exclamation);
    EXPECT_EQ(boxes.requests()[0].buttons, MessageBoxService::Ok);
    EXPECT_EQ(commands.currentFile(), file);
    EXPECT_EQ(title(), "Larkvane TTS Reader - " + file);
    EXPECT_EQ(editor.toPlainText(), "on disk");
}

TEST_F(DocumentCommandsTest, FailedSaveAsReportsAndKeepsTheOldName)
{
    dialogs.queueAnswer(path("e.rtf"));
    commands.saveDocumentAs();
    dialogs.queueAnswer(path("no/such/folder.rtf"));
    commands.saveDocumentAs();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests()[0].text, "Error in saving file!\n\nThe folder does not exist.");
    EXPECT_EQ(boxes.requests()[0].title, "Error!");
    EXPECT_EQ(boxes.requests()[0].icon, MessageBoxService::Exclamation);
    EXPECT_EQ(commands.currentFile(), path("e.rtf"));
    EXPECT_EQ(title(), "Larkvane TTS Reader - " + path("e.rtf"));
}

TEST_F(DocumentCommandsTest, NewResetsTheInsertionPointFormatting)
{
    QSignalSpy refreshes(&commands, &DocumentCommands::refreshRequested);
    QTextCharFormat loud;
    loud.setFontWeight(QFont::Bold);
    loud.setFontItalic(true);
    loud.setFontUnderline(true);
    loud.setFontStrikeOut(true);
    loud.setForeground(QColor(255, 0, 0));
    loud.setFontPointSize(30);
    loud.setFontFamilies({QStringLiteral("Arial")});
    CharacterOffset::set(loud, 55);
    editor.setCurrentCharFormat(loud);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    editor.textCursor().setBlockFormat(centred);
    editor.textCursor().createList(QTextListFormat::ListDisc);
    type("formatted");

    boxes.queueAnswer(MessageBoxService::ResultDiscard);
    commands.newDocument();
    EXPECT_EQ(editor.toPlainText(), "");
    EXPECT_EQ(refreshes.count(), 1);
    type("typed");
    const QTextCharFormat format = P::formatOf(*editor.document(), "typed");
    EXPECT_EQ(P::family(format), "Times New Roman");
    EXPECT_EQ(format.fontPointSize(), 10);
    EXPECT_FALSE(P::isBold(format));
    EXPECT_FALSE(format.fontItalic());
    EXPECT_FALSE(format.fontUnderline());
    EXPECT_FALSE(format.fontStrikeOut());
    EXPECT_EQ(format.foreground().color(), QColor(Qt::black));
    EXPECT_EQ(CharacterOffset::get(format), 0);
    EXPECT_EQ(format.verticalAlignment(), QTextCharFormat::AlignNormal);
    EXPECT_EQ(editor.textCursor().blockFormat().alignment(), Qt::AlignLeft);
    EXPECT_FALSE(editor.textCursor().currentList());
}

TEST_F(DocumentCommandsTest, PrintEntryAsksForThePrintQuestion)
{
    QSignalSpy prints(&commands, &DocumentCommands::printRequested);
    commands.printDocument();
    EXPECT_EQ(prints.count(), 1);
}

// Other formats open, but Save never writes RTF over them; what is no document is refused.
TEST_F(DocumentCommandsTest, OpenReadsOtherFormatsAndRefusesWhatIsNoDocument)
{
    writeFile(path("b.rtf"), "{\\rtf1 original\\par}");
    dialogs.queueAnswer(path("b.rtf"));
    commands.openDocument();
    const QStringList filters = dialogs.requests()[0].filter.split(";;");
    EXPECT_TRUE(filters.first().startsWith("All supported documents ("));
    EXPECT_TRUE(filters.first().contains("*.pdf") && filters.first().contains("*.epub"));
    EXPECT_EQ(filters.last(), "All Files (*)");
    ASSERT_EQ(commands.currentFile(), path("b.rtf"));

    // A program, even named like a document: refused by name, nothing changes.
    QFile::copy("/bin/ls", path("ls.rtf"));
    dialogs.queueAnswer(path("ls.rtf"));
    commands.openDocument();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_TRUE(boxes.requests()[0].text.contains(path("ls.rtf")));
    EXPECT_EQ(editor.toPlainText(), "original");
    EXPECT_EQ(commands.currentFile(), path("b.rtf"));
    EXPECT_EQ(title(), "Larkvane TTS Reader - " + path("b.rtf"));

    // An encrypted PDF asks for its password; the document then has no file to save to.
    const QString pdf = QStringLiteral(PARLANCE_TEST_DATA "/documents/locked.pdf");
    const QByteArray pdfBytes = readFile(pdf);
    QStringList asked;
    PasswordDialogService::setHandler([&](const PasswordDialogService::Request &request) {
        asked.append(request.fileName + (request.retry ? " again" : ""));
        return std::optional<QString>(request.retry ? "secret" : "guess");
    });
    EXPECT_TRUE(commands.openFile(pdf));
    PasswordDialogService::setHandler({});
    EXPECT_EQ(asked, QStringList({pdf, pdf + " again"}));
    EXPECT_TRUE(editor.toPlainText().contains("The last paragraph ends the sample."));
    EXPECT_TRUE(commands.currentFile().isEmpty());
    EXPECT_EQ(title(), "Larkvane TTS Reader - " + pdf);
    const qsizetype dialogsBefore = dialogs.requests().size();
    commands.saveDocument(); // asks for a name (cancelled) instead of writing the PDF
    EXPECT_EQ(dialogs.requests().size(), dialogsBefore + 1);
    EXPECT_EQ(dialogs.requests().last().mode, FileDialogService::Save);
    // It becomes RTF: offered first, and the name typed without an extension gets ".rtf".
    EXPECT_TRUE(dialogs.requests().last().filter.startsWith("Rich Text Format (*.rtf);;"));
    EXPECT_TRUE(dialogs.requests().last().filter.contains("Word for Windows 6.0 (*.doc)"));
    dialogs.queueAnswer(path("book"));
    commands.saveDocument();
    EXPECT_EQ(commands.currentFile(), path("book.rtf"));
    EXPECT_TRUE(readFile(path("book.rtf")).startsWith("{\\rtf1"));
    EXPECT_EQ(readFile(pdf), pdfBytes);
    EXPECT_EQ(boxes.requests().size(), 1);

    // A journal's running heads and page numbers are left out, unless the Open dialog's
    // check box keeps them.
    const QString journal = QStringLiteral(PARLANCE_TEST_DATA "/documents/journal.pdf");
    for (const bool keep : {true, false}) {
        dialogs.setOption(keep);
        dialogs.queueAnswer(journal);
        commands.openDocument();
        EXPECT_EQ(dialogs.requests().last().option, "Keep page headers and footers");
        EXPECT_EQ(editor.toPlainText().contains("Journal of Imaginary Studies"), keep);
    }
}

TEST_F(DocumentCommandsTest, CancelInTheProgressDialogKeepsTheOldDocumentAndTheWindowUsable)
{
    writeFile(path("old.rtf"), "{\\rtf1 the old text}");
    ASSERT_TRUE(commands.openFile(path("old.rtf")));
    // A book long enough that reading it shows the progress dialog.
    writeFile(path("book.pdf"), bookPdf(3000));
    // Cancel is pressed on the dialog as soon as it shows.
    bool clicked = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *progress = qobject_cast<QProgressDialog *>(widget);
            if (!progress || !progress->isVisible() || clicked)
                continue;
            EXPECT_TRUE(progress->labelText().contains("book.pdf"));
            QPushButton *cancel = progress->findChild<QPushButton *>();
            ASSERT_NE(cancel, nullptr);
            EXPECT_EQ(cancel->text(), "Cancel");
            clicked = true;
            cancel->click();
        }
    });
    watcher.start(20);
    QSignalSpy layouts(&commands, &DocumentCommands::layoutRequested);
    dialogs.queueAnswer(path("book.pdf"));
    commands.openDocument();
    watcher.stop();

    ASSERT_TRUE(clicked) << "the progress dialog never showed";
    EXPECT_EQ(editor.toPlainText(), "the old text");
    EXPECT_EQ(commands.currentFile(), path("old.rtf"));
    EXPECT_TRUE(boxes.requests().isEmpty());
    EXPECT_EQ(layouts.count(), 1);
    for (QWidget *widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QProgressDialog *>(widget) && widget->isVisible());
    // The window goes on working: typing, and the next open.
    editor.moveCursor(QTextCursor::End);
    type(" and more");
    EXPECT_EQ(editor.toPlainText(), "the old text and more");
    writeFile(path("next.txt"), "the next text");
    boxes.queueAnswer(MessageBoxService::ResultDiscard);
    dialogs.queueAnswer(path("next.txt"));
    commands.openDocument();
    EXPECT_EQ(editor.toPlainText(), "the next text");
}

TEST_F(DocumentCommandsTest, OpenShowsTheDocumentAsReadWithTheCursorAtItsStart)
{
    // A word processor's file with lists, alignment and runs of every kind, opened after
    // some typing and with the cursor at the end of it.
    const QString file = path("office.rtf");
    writeFile(file, P::dataFile("libreoffice.rtf"));
    type("typed before the open");
    ASSERT_TRUE(editor.document()->isUndoAvailable());
    ASSERT_TRUE(commands.openFile(file));

    DocumentFile::Imported parsed = DocumentFile::importFile(file, {});
    ASSERT_TRUE(parsed.result.ok());
    const QTextDocument &shown = *editor.document();
    const QTextDocument &expected = *parsed.document;
    ASSERT_EQ(P::paragraphs(shown), P::paragraphs(expected));
    for (int i = 0; i < expected.blockCount(); ++i) {
        const QList<P::Run> wanted = P::runs(expected, i);
        const QList<P::Run> got = P::runs(shown, i);
        ASSERT_EQ(got.size(), wanted.size()) << i;
        for (int r = 0; r < got.size(); ++r) {
            EXPECT_EQ(got[r].text, wanted[r].text);
            EXPECT_EQ(got[r].format.font(), wanted[r].format.font()) << got[r].text.toStdString();
            EXPECT_EQ(got[r].format.foreground(), wanted[r].format.foreground())
                << got[r].text.toStdString();
            EXPECT_EQ(got[r].format.verticalAlignment(), wanted[r].format.verticalAlignment());
        }
        const QTextBlock block = shown.findBlockByNumber(i), source = expected.findBlockByNumber(i);
        EXPECT_EQ(block.blockFormat().alignment(), source.blockFormat().alignment()) << i;
        EXPECT_EQ(bool(block.textList()), bool(source.textList())) << i;
        if (block.textList()) {
            EXPECT_EQ(block.textList()->itemText(block), source.textList()->itemText(source));
        }
    }

    EXPECT_EQ(editor.textCursor().position(), 0);
    EXPECT_FALSE(editor.textCursor().hasSelection());
    // Typing at the start takes the document's first format, not the one before the open.
    const QTextCharFormat first = expected.begin().begin().fragment().charFormat();
    EXPECT_EQ(editor.currentCharFormat().font().toString().toStdString(),
              first.font().toString().toStdString());
    // Open starts a fresh history: neither the typing before it nor the file can be undone,
    // and an edit after it undoes back to the file as read.
    EXPECT_FALSE(editor.document()->isUndoAvailable());
    EXPECT_FALSE(editor.document()->isModified());
    type("new ");
    editor.undo();
    EXPECT_EQ(P::paragraphs(*editor.document()), P::paragraphs(expected));
    EXPECT_FALSE(editor.document()->isUndoAvailable());
}
