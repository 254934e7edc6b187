// The find window over a document, with its messages answered by the test.
#include "FrmFind.h"
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
class FrmFindTest : public ::testing::Test
{
protected:
    FrmFindTest() : rt(&window)
    {
        window.resize(600, 400);
        rt.setGeometry(0, 0, 600, 400);
        window.show();
    }

    FrmFind *open(const QString &find, const QString &replace = QString())
    {
        FrmFind *frm = FrmFind::open(&rt, &window);
        frm->Text1->setText(find);
        frm->Text2->setText(replace);
        return frm;
    }
    void select(int start, int length)
    {
        QTextCursor cursor = rt.textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        rt.setTextCursor(cursor);
    }
    int selectionStart() const { return rt.textCursor().selectionStart(); }
    QString selected() const { return rt.textCursor().selectedText(); }
    // Lets the deletion of a closed window run.
    static void settle() { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QWidget window;
    QTextEdit rt;
    MessageBoxRecorder boxes;
};

const MessageBoxService::Request Finished{QStringLiteral("All instances have been found."),
                                          MessageBoxService::Ok, MessageBoxService::Information,
                                          QStringLiteral("Finished!")};
} // namespace

TEST_F(FrmFindTest, WindowHasItsControlsInTabOrderAndStaysOnTop)
{
    FrmFind *frm = open(QString());
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("Find"));
    EXPECT_TRUE(frm->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(frm->isModal());
    EXPECT_TRUE(frm->isVisible());
    EXPECT_TRUE(frm->Command1->isDefault());

    QList<QWidget *> chain;
    for (QWidget *w = frm->Text1; chain.size() < 6; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            chain << w;
    }
    EXPECT_EQ(chain, QList<QWidget *>({frm->Text1, frm->Command1, frm->Command2, frm->Check1,
                                       frm->Text2, frm->Command3}));

    // Twips turn into pixels at the screen's density (15 a pixel at 96 dpi).
    const double perPixel = 1440.0 / frm->logicalDpiX();
    EXPECT_NEAR(frm->width(), FrmFind::DesignWidth / perPixel, 1);
    EXPECT_NEAR(frm->Command3->y(), 840 / (1440.0 / frm->logicalDpiY()), 1);
    EXPECT_NEAR(frm->pos().x() - frm->screen()->geometry().x(), 4000 / perPixel, 1);

    // Another "&Find..." while it is open brings up the same window.
    EXPECT_EQ(FrmFind::open(&rt, &window), frm);
    QTest::keyClick(frm, Qt::Key_Escape);
    EXPECT_TRUE(frm->isVisible());
}

TEST_F(FrmFindTest, FindsEachOccurrenceThenReportsAndCloses)
{
    rt.setPlainText(QStringLiteral("one word, two word\nthree word"));
    QPointer<FrmFind> frm = open(QStringLiteral("word"));
    frm->Command1->click();
    EXPECT_EQ(selectionStart(), 4);
    EXPECT_EQ(frm->Command1->text(), QStringLiteral("&Find Next"));
    frm->Command1->click();
    EXPECT_EQ(selectionStart(), 14);
    frm->Command1->click();
    EXPECT_EQ(selectionStart(), 25);
    EXPECT_EQ(selected(), QStringLiteral("word"));
    EXPECT_TRUE(boxes.requests().isEmpty());

    frm->Command1->click();
    ASSERT_EQ(boxes.requests().size(), 1);
    const auto &box = boxes.requests().first();
    EXPECT_EQ(box.text, Finished.text);
    EXPECT_EQ(box.title, Finished.title);
    EXPECT_EQ(box.icon, Finished.icon);
    EXPECT_EQ(box.buttons, Finished.buttons);
    settle();
    EXPECT_TRUE(frm.isNull());

    FrmFind *fresh = open(QStringLiteral("word"));
    EXPECT_EQ(fresh->Command1->text(), QStringLiteral("&Find"));
    EXPECT_EQ(fresh->FindOptions, 0);
    fresh->Command1->click();
    EXPECT_EQ(selectionStart(), 4);
}

TEST_F(FrmFindTest, MissingTextReportsAtTheFirstSearch)
{
    rt.setPlainText(QStringLiteral("nothing here"));
    QPointer<FrmFind> frm = open(QStringLiteral("absent"));
    frm->Command1->click();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().first().text, Finished.text);
    settle();
    EXPECT_TRUE(frm.isNull());

    // An empty text is found nowhere either.
    frm = open(QString());
    frm->Command1->click();
    EXPECT_EQ(boxes.requests().size(), 2);
}

TEST_F(FrmFindTest, MatchCaseIsAnOption)
{
    rt.setPlainText(QStringLiteral("A Word and a word"));
    FrmFind *frm = open(QStringLiteral("word"));
    frm->Command1->click();
    EXPECT_EQ(selectionStart(), 2);
    EXPECT_EQ(selected(), QStringLiteral("Word"));

    frm->Check1->click();
    EXPECT_EQ(frm->FindOptions, DocumentSearch::MatchCase);
    select(0, 0);
    frm->Command1->click(); // Find Next from the start of the text
    EXPECT_EQ(selectionStart(), 13);
    frm->Check1->click();
    EXPECT_EQ(frm->FindOptions, 0);
}

TEST_F(FrmFindTest, FindNextStartsAfterWhateverIsSelectedNow)
{
    rt.setPlainText(QStringLiteral("ab ab ab ab"));
    FrmFind *frm = open(QStringLiteral("ab"));
    frm->Command1->click();
    EXPECT_EQ(selectionStart(), 0);
    select(5, 2); // the user selects by hand between searches
    frm->Command1->click();
    EXPECT_EQ(selectionStart(), 9);
}

TEST_F(FrmFindTest, EnterSearchesOnce)
{
    rt.setPlainText(QStringLiteral("x x x"));
    FrmFind *frm = open(QStringLiteral("x"));
    QTest::keyClick(frm->Text1, Qt::Key_Return);
    EXPECT_EQ(selectionStart(), 0);
    QTest::keyClick(frm->Text1, Qt::Key_Return);
    EXPECT_EQ(selectionStart(), 2);
    EXPECT_EQ(rt.toPlainText(), QStringLiteral("x x x"));
}

TEST_F(FrmFindTest, ReplaceNeedsASelection)
{
    rt.setPlainText(QStringLiteral("keep this"));
    FrmFind *frm = open(QStringLiteral("this"), QStringLiteral("that"));
    frm->Command3->click();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().first().text,
              QStringLiteral("You have not found anything to replace!"));
    EXPECT_EQ(boxes.requests().first().title, QStringLiteral("Error!"));
    EXPECT_EQ(boxes.requests().first().icon, MessageBoxService::Exclamation);
    EXPECT_EQ(rt.toPlainText(), QStringLiteral("keep this"));
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(frm->Command1->text(), QStringLiteral("&Find"));
}

TEST_F(FrmFindTest, ReplaceBeforeAnySearchReplacesTheHandSelectionThenSearchesFromTheStart)
{
    rt.setPlainText(QStringLiteral("cat dog cat"));
    FrmFind *frm = open(QStringLiteral("cat"), QStringLiteral("cow"));
    select(4, 3); // "dog"
    frm->Command3->click();
    EXPECT_EQ(rt.toPlainText(), QStringLiteral("cat cow cat"));
    EXPECT_EQ(selectionStart(), 0);
    EXPECT_EQ(selected(), QStringLiteral("cat"));
    frm->Command3->click();
    EXPECT_EQ(rt.toPlainText(), QStringLiteral("cow cow cat"));
    EXPECT_EQ(selectionStart(), 8);
}

TEST_F(FrmFindTest, ReplacingAByAaNeverRevisitsTheInsertedText)
{
    rt.setPlainText(QStringLiteral("a ba\nab"));
    QPointer<FrmFind> frm = open(QStringLiteral("a"), QStringLiteral("aa"));
    frm->Command1->click();
    for (int i = 0; i < 10 && frm && boxes.requests().isEmpty(); ++i)
        frm->Command3->click();
    EXPECT_EQ(rt.toPlainText(), QStringLiteral("aa baa\naab"));
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests().first().text, Finished.text);
}

TEST(DocumentSearchTest, SearchStaysWithinItsRange)
{
    QTextEdit rt;
    rt.setPlainText(QStringLiteral("abc abc"));
    EXPECT_EQ(DocumentSearch::find(&rt, QStringLiteral("abc"), 1, 6), -1);
    EXPECT_EQ(DocumentSearch::find(&rt, QStringLiteral("abc"), 1, 7), 4);
    EXPECT_EQ(rt.textCursor().selectedText(), QStringLiteral("abc"));
    EXPECT_EQ(DocumentSearch::find(&rt, QStringLiteral("ABC"), 0, -1, DocumentSearch::MatchCase),
              -1);
    // A failed search leaves the selection alone.
    EXPECT_EQ(rt.textCursor().selectionStart(), 4);
    EXPECT_EQ(DocumentSearch::find(&rt, QStringLiteral("abc"), 99), -1);
}
