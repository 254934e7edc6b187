// The Edit menu and the clipboard, plain text beside RTF.
#include "EditCommands.h"
#include "DocumentProbe.h"
#include "RichTextEdit.h"
#include "RtfClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
using P = DocumentProbe;

class EditCommandsTest : public ::testing::Test
{
protected:
    EditCommandsTest() : commands(&editor) { QApplication::clipboard()->clear(); }

    void select(int from, int to)
    {
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
    }
    void placeAt(int position) { select(position, position); }

    void setClipboard(const QString &text, const QByteArray &rtf = QByteArray())
    {
        auto *data = new QMimeData;
        data->setText(text);
        if (!rtf.isNull())
            data->setData("text/rtf", rtf);
        QApplication::clipboard()->setMimeData(data);
    }

    RichTextEdit editor;
    EditCommands commands;
};
} // namespace

TEST_F(EditCommandsTest, CopyPutsPlainTextAndRtf)
{
    editor.setPlainText("one two three");
    select(4, 7);
    commands.copy();
    const QMimeData *data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), "two");
    EXPECT_TRUE(data->data("text/rtf").startsWith("{\\rtf1"));
    EXPECT_EQ(P::read(data->data("text/rtf"))->toPlainText(), "two");
    EXPECT_EQ(editor.toPlainText(), "one two three");
}

TEST_F(EditCommandsTest, BoldWordPastedElsewhereStaysBold)
{
    QTextCursor cursor = editor.textCursor();
    cursor.insertText("plain ");
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText("strong", bold);
    cursor.insertText(" end", QTextCharFormat());
    select(6, 12);
    commands.copy();
    placeAt(0);
    commands.paste();
    EXPECT_EQ(editor.toPlainText(), "strongplain strong end");
    EXPECT_TRUE(P::isBold(P::formatOf(*editor.document(), "strongplain")));
    EXPECT_FALSE(P::isBold(P::formatOf(*editor.document(), "plain")));
    EXPECT_EQ(editor.document()->blockCount(), 1);
    EXPECT_EQ(editor.textCursor().position(), 6); // after the pasted word
}

TEST_F(EditCommandsTest, PlainTextTakesTheFormattingAtTheInsertionPoint)
{
    QTextCharFormat italic;
    italic.setFontItalic(true);
    editor.textCursor().insertText("slanted", italic);
    setClipboard("from elsewhere");
    placeAt(3);
    commands.paste();
    EXPECT_EQ(editor.toPlainText(), "slafrom elsewherented");
    EXPECT_TRUE(P::formatOf(*editor.document(), "from").fontItalic());
}

TEST_F(EditCommandsTest, PastePrefersRtfOverPlainText)
{
    setClipboard("plain version", "{\\rtf1 {\\i rich} version}");
    commands.paste();
    EXPECT_EQ(editor.toPlainText(), "rich version");
    EXPECT_TRUE(P::formatOf(*editor.document(), "rich").fontItalic());
}

TEST_F(EditCommandsTest, PasteWithEmptyClipboardRemovesTheSelection)
{
    editor.setPlainText("keep drop keep");
    select(4, 9);
    commands.paste();
    EXPECT_EQ(editor.toPlainText(), "keep keep");
}

TEST_F(EditCommandsTest, CutWithoutSelectionOnlyEmptiesTheClipboard)
{
    editor.setPlainText("untouched");
    setClipboard("old content");
    placeAt(3);
    commands.cut();
    EXPECT_EQ(editor.toPlainText(), "untouched");
    const QMimeData *data = QApplication::clipboard()->mimeData();
    EXPECT_EQ(data->text(), "");
    EXPECT_FALSE(data->hasFormat("text/rtf"));
}

TEST_F(EditCommandsTest, UndoAfterCutBringsTheTextBack)
{
    editor.setPlainText("alpha beta gamma");
    select(6, 11);
    commands.cut();
    EXPECT_EQ(editor.toPlainText(), "alpha gamma");
    EXPECT_EQ(QApplication::clipboard()->text(), "beta ");
    commands.undo();
    EXPECT_EQ(editor.toPlainText(), "alpha beta gamma");
}

TEST_F(EditCommandsTest, SelectAllThenTypingReplacesEverything)
{
    editor.setPlainText("first\nsecond\nthird");
    placeAt(2);
    commands.selectAll();
    QTest::keyClicks(&editor, "new");
    EXPECT_EQ(editor.toPlainText(), "new");
}

TEST_F(EditCommandsTest, CutAndPasteAcrossParagraphs)
{
    editor.setPlainText("one\ntwo\nthree");
    select(2, 9); // "e\ntwo\nt"
    commands.cut();
    EXPECT_EQ(P::paragraphs(*editor.document()), QStringList({"onhree"}));
    placeAt(6);
    commands.paste();
    EXPECT_EQ(P::paragraphs(*editor.document()), QStringList({"onhreee", "two", "t"}));
}

TEST_F(EditCommandsTest, PastedPicturesCanBeShown)
{
    QImage image(5, 5, QImage::Format_RGB32);
    image.fill(Qt::green);
    QTextDocument source;
    source.addResource(QTextDocument::ImageResource, QUrl("mem:green"), image);
    QTextCursor cursor(&source);
    QTextImageFormat format;
    format.setName("mem:green");
    cursor.insertImage(format);
    cursor.select(QTextCursor::Document);
    RtfClipboard::copy(cursor);

    commands.paste();
    const QTextCharFormat pasted = P::formatOf(*editor.document(), QStringLiteral("\uFFFC"));
    ASSERT_TRUE(pasted.isImageFormat());
    const QVariant resource = editor.document()->resource(QTextDocument::ImageResource,
                                                          QUrl(pasted.toImageFormat().name()));
    EXPECT_EQ(resource.value<QImage>().size(), QSize(5, 5));
}

TEST_F(EditCommandsTest, FindEntryAsksForTheFindWindow)
{
    QSignalSpy finds(&commands, &EditCommands::findRequested);
    commands.find();
    EXPECT_EQ(finds.count(), 1);
}

TEST_F(EditCommandsTest, ControlKeysInTheDocumentCarryRtf)
{
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    editor.textCursor().insertText("keyboard", bold);
    editor.selectAll();
    QTest::keySequence(&editor, QKeySequence::Copy);
    const QMimeData *copied = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(copied->hasFormat("text/rtf"));
    EXPECT_TRUE(copied->hasHtml()); // Qt's own formats stay for programs without RTF
    EXPECT_EQ(copied->text(), "keyboard");

    setClipboard("plain", "{\\rtf1 {\\i pasted}}");
    placeAt(0);
    QTest::keySequence(&editor, QKeySequence::Paste);
    EXPECT_EQ(editor.toPlainText(), "pastedkeyboard");
    EXPECT_TRUE(P::formatOf(*editor.document(), "pasted").fontItalic());

    // Another program's HTML arrives as its plain text, as through the Edit menu.
    auto *html = new QMimeData;
    html->setHtml("<b>loud</b>");
    html->setText("loud");
    QApplication::clipboard()->setMimeData(html);
    placeAt(0);
    QTest::keySequence(&editor, QKeySequence::Paste);
    EXPECT_EQ(editor.toPlainText(), "loudpastedkeyboard");
    EXPECT_FALSE(P::isBold(P::formatOf(*editor.document(), "loud")));
}
