// The find window over a document, with its messages answered by the test.
#include "FindDialog.h"
#include "DocumentSearch.h"
#include "MessageBoxRecorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {
class FindDialogTest : public ::testing::Test
{
protected:
    FindDialogTest() : editor(&window)
    {
        window.resize(600, 400);
        editor.setGeometry(0, 0, 600, 400);
        window.show();
    }

    FindDialog *open(const QString &find, const QString &replace = QString())
    {
        FindDialog *dialog = FindDialog::open(&editor, &window);
        dialog->findEdit->setText(find);
        dialog->replaceEdit->setText(replace);
        return dialog;
    }
    void select(int start, int length)
    {
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
    }
    int selectionStart() const { return editor.textCursor().selectionStart(); }
    QString selected() const { return editor.textCursor().selectedText(); }
    // Lets the deletion of a closed window run.
    static void settle() { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QWidget window;
    QTextEdit editor;
    MessageBoxRecorder boxes;
};

const MessageBoxService::Request Finished{QStringLiteral("All instances have been found."),
                                          MessageBoxService::Ok, MessageBoxService::Information,
                                          QStringLiteral("Finished!"), std::nullopt};
} // namespace

TEST_F(FindDialogTest, WindowHasItsControlsInTabOrderAndStaysOnTop)
{
    FindDialog *dialog = open(QString());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Find"));
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->findButton->isDefault());

    QList<QWidget *> chain;
    for (QWidget *w = dialog->findEdit; chain.size() < 6; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            chain << w;
    }
    EXPECT_EQ(chain,
              QList<QWidget *>({dialog->findEdit, dialog->findButton, dialog->cancelButton,
                                dialog->matchCaseBox, dialog->replaceEdit, dialog->replaceButton}));

    // Twips turn into pixels at the screen's density (15 a pixel at 96 dpi).
    const double perPixel = 1440.0 / dialog->logicalDpiX();
    EXPECT_NEAR(dialog->width(), FindDialog::DesignWidth / perPixel, 1);
    EXPECT_NEAR(dialog->replaceButton->y(), 840 / (1440.0 / dialog->logicalDpiY()), 1);
    EXPECT_NEAR(dialog->pos().x() - dialog->screen()->geometry().x(), 4000 / perPixel, 1);

    // Another "&Find..." while it is open brings up the same window.
    EXPECT_EQ(FindDialog::open(&editor, &window), dialog);
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(FindDialogTest, FindsEachOccurrenceThenReportsAndCloses)
{
    editor.setPlainText(QStringLiteral("one word, two word\nthree word"));
    QPointer<FindDialog> dialog = open(QStringLiteral("word"));
    dialog->findButton->click();
    EXPECT_EQ(selectionStart(), 4);
    EXPECT_EQ(dialog->findButton->text(), QStringLiteral("&Find Next"));
    dialog->findButton->click();
    EXPECT_EQ(selectionStart(), 14);
    dialog->findButton->click();
    EXPECT_EQ(selectionStart(), 25);
    EXPECT_EQ(selected(), QStringLiteral("word"));
    EXPECT_TRUE(boxes.requests().isEmpty());

    dialog->findButton->click();
    ASSERT_EQ(boxes.requests().size(), 1);
    const auto &box = boxes.requests().first();
    EXPECT_EQ(box.text, Finished.text);
    EXPECT_EQ(box.title, Finished.title);
    EXPECT_EQ(box.icon, Finished.icon);
    EXPECT_EQ(box.buttons, Finished.buttons);
    settle();
    EXPECT_TRUE(dialog.isNull());

    FindDialog *fresh = open(QStringLiteral("word"));
    EXPECT_EQ(fresh->findButton->text(), QStringLiteral("&Find"));
    EXPECT_EQ(fresh->findOptions, 0);
    fresh->findButton->click();
    EXPECT_EQ(selectionStart(), 4);
}

TEST_F(FindDialogTest, MissingTextReportsAtTheFirstSearch)
{
    editor.setPlainText(QStringLiteral("nothing here"));
    QPointer<FindDialog> dialog = open(QStringLiteral("absent"));
    dialog->findButton->click();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().first().text, Finished.text);
    settle();
    EXPECT_TRUE(dialog.isNull());

    // An empty text is found nowhere either.
    dialog = open(QString());
    dialog->findButton->click();
    EXPECT_EQ(boxes.requests().size(), 2);
}

TEST_F(FindDialogTest, MatchCaseIsAnOption)
{
    editor.setPlainText(QStringLiteral("A Word and a word"));
    FindDialog *dialog = open(QStringLiteral("word"));
    dialog->findButton->click();
    EXPECT_EQ(selectionStart(), 2);
    EXPECT_EQ(selected(), QStringLiteral("Word"));

    dialog->matchCaseBox->click();
    EXPECT_EQ(dialog->findOptions, DocumentSearch::MatchCase);
    select(0, 0);
    dialog->findButton->click(); // Find Next from the start of the text
    EXPECT_EQ(selectionStart(), 13);
    dialog->matchCaseBox->click();
    EXPECT_EQ(dialog->findOptions, 0);
}

TEST_F(FindDialogTest, FindNextStartsAfterWhateverIsSelectedNow)
{
    editor.setPlainText(QStringLiteral("ab ab ab ab"));
    FindDialog *dialog = open(QStringLiteral("ab"));
    dialog->findButton->click();
    EXPECT_EQ(selectionStart(), 0);
    select(5, 2); // the user selects by hand between searches
    dialog->findButton->click();
    EXPECT_EQ(selectionStart(), 9);
}

TEST_F(FindDialogTest, EnterSearchesOnce)
{
    editor.setPlainText(QStringLiteral("x x x"));
    FindDialog *dialog = open(QStringLiteral("x"));
    QTest::keyClick(dialog->findEdit, Qt::Key_Return);
    EXPECT_EQ(selectionStart(), 0);
    QTest::keyClick(dialog->findEdit, Qt::Key_Return);
    EXPECT_EQ(selectionStart(), 2);
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("x x x"));
}

TEST_F(FindDialogTest, ReplaceNeedsASelection)
{
    editor.setPlainText(QStringLiteral("keep this"));
    FindDialog *dialog = open(QStringLiteral("this"), QStringLiteral("that"));
    dialog->replaceButton->click();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().first().text,
              QStringLiteral("You have not found anything to replace!"));
    EXPECT_EQ(boxes.requests().first().title, QStringLiteral("Error!"));
    EXPECT_EQ(boxes.requests().first().icon, MessageBoxService::Exclamation);
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("keep this"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->findButton->text(), QStringLiteral("&Find"));
}

TEST_F(FindDialogTest, ReplaceBeforeAnySearchReplacesTheHandSelectionThenSearchesFromTheStart)
{
    editor.setPlainText(QStringLiteral("cat dog cat"));
    FindDialog *dialog = open(QStringLiteral("cat"), QStringLiteral("cow"));
    select(4, 3); // "dog"
    dialog->replaceButton->click();
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("cat cow cat"));
    EXPECT_EQ(selectionStart(), 0);
    EXPECT_EQ(selected(), QStringLiteral("cat"));
    dialog->replaceButton->click();
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("cow cow cat"));
    EXPECT_EQ(selectionStart(), 8);
}

TEST_F(FindDialogTest, ReplacingAByAaNeverRevisitsTheInsertedText)
{
    editor.setPlainText(QStringLiteral("a ba\nab"));
    QPointer<FindDialog> dialog = open(QStringLiteral("a"), QStringLiteral("aa"));
    dialog->findButton->click();
    for (int i = 0; i < 10 && dialog && boxes.requests().isEmpty(); ++i)
        dialog->replaceButton->click();
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("aa baa\naab"));
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().first().text, Finished.text);
}

TEST(DocumentSearchTest, SearchStaysWithinItsRange)
{
    QTextEdit editor;
    editor.setPlainText(QStringLiteral("abc abc"));
    EXPECT_EQ(DocumentSearch::find(&editor, QStringLiteral("abc"), 1, 6), -1);
    EXPECT_EQ(DocumentSearch::find(&editor, QStringLiteral("abc"), 1, 7), 4);
    EXPECT_EQ(editor.textCursor().selectedText(), QStringLiteral("abc"));
    EXPECT_EQ(
        DocumentSearch::find(&editor, QStringLiteral("ABC"), 0, -1, DocumentSearch::MatchCase), -1);
    // A failed search leaves the selection alone.
    EXPECT_EQ(editor.textCursor().selectionStart(), 4);
    EXPECT_EQ(DocumentSearch::find(&editor, QStringLiteral("abc"), 99), -1);
}
