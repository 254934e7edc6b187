// How the reader treats the structure of RTF: groups, destinations, paragraph marks.
#include "rtf/RtfReader.h"
#include "CharacterOffset.h"
#include "DocumentProbe.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <gtest/gtest.h>

namespace {
using P = DocumentProbe;
}

TEST(RtfReader, RecognisesRtfByItsHeader)
{
    EXPECT_TRUE(RtfReader::isRtf("{\\rtf1\\ansi x}"));
    EXPECT_TRUE(RtfReader::isRtf("\xEF\xBB\xBF\r\n {\\rtf1 x}"));
    EXPECT_FALSE(RtfReader::isRtf("{\\rtx1}"));
    EXPECT_FALSE(RtfReader::isRtf("Hello {\\rtf1}"));
    EXPECT_FALSE(RtfReader::isRtf(""));
}

TEST(RtfReader, ParagraphMarksCloseParagraphs)
{
    // The mark after the last paragraph closes it; it does not open an empty one.
    EXPECT_EQ(P::paragraphs(*P::read("{\\rtf1 A\\par}")), QStringList({"A"}));
    EXPECT_EQ(P::paragraphs(*P::read("{\\rtf1 A\\par B}")), QStringList({"A", "B"}));
    EXPECT_EQ(P::paragraphs(*P::read("{\\rtf1 A\\par\\par}")), QStringList({"A", ""}));
    EXPECT_EQ(P::paragraphs(*P::read("{\\rtf1 \\par A\\par}")), QStringList({"", "A"}));
    EXPECT_EQ(P::paragraphs(*P::read("{\\rtf1 }")), QStringList({""}));
    // The old spelling of \par: a backslash before a line end.
    EXPECT_EQ(P::paragraphs(*P::read("{\\rtf1 A\\\nB}")), QStringList({"A", "B"}));
    // Line ends in the file are not text.
    EXPECT_EQ(P::paragraphs(*P::read("{\\rtf1 A\r\nB\nC}")), QStringList({"ABC"}));
}

TEST(RtfReader, ParagraphFormattingIsTakenAtTheMark)
{
    // Word puts the properties first, but those in force at \par are the ones that count,
    // and the unterminated last paragraph takes what is in force at the end.
    const auto doc = P::read("{\\rtf1 \\qc A\\par \\pard B\\qr\\par {\\qc C}\\par D\\qc}");
    EXPECT_EQ(P::paragraphs(*doc), QStringList({"A", "B", "C", "D"}));
    EXPECT_EQ(P::blockFormatOf(*doc, "A").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(P::blockFormatOf(*doc, "B").alignment(), Qt::AlignRight);
    EXPECT_EQ(P::blockFormatOf(*doc, "C").alignment(), Qt::AlignRight); // the group ended
    EXPECT_EQ(P::blockFormatOf(*doc, "D").alignment(), Qt::AlignHCenter);
}

TEST(RtfReader, GroupsScopeCharacterFormatting)
{
    const auto doc = P::read("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                             "\\f0\\fs20 a{\\b\\i\\f1\\fs30 b{\\b0 c}d}e\\plain f}");
    EXPECT_EQ(doc->toPlainText(), "abcdef");
    EXPECT_FALSE(P::isBold(P::formatOf(*doc, "a")));
    EXPECT_EQ(P::formatOf(*doc, "a").fontPointSize(), 10);
    EXPECT_TRUE(P::isBold(P::formatOf(*doc, "b")));
    EXPECT_EQ(P::family(P::formatOf(*doc, "b")), "Courier New");
    EXPECT_EQ(P::formatOf(*doc, "b").fontPointSize(), 15);
    EXPECT_FALSE(P::isBold(P::formatOf(*doc, "c")));
    EXPECT_TRUE(P::formatOf(*doc, "c").fontItalic());
    EXPECT_TRUE(P::isBold(P::formatOf(*doc, "d")));
    EXPECT_FALSE(P::formatOf(*doc, "e").fontItalic());
    EXPECT_EQ(P::family(P::formatOf(*doc, "e")), "Arial");
    // \plain: the default font (\deff, here unset so font 0) at RTF's default 12 points.
    EXPECT_EQ(P::family(P::formatOf(*doc, "f")), "Arial");
    EXPECT_EQ(P::formatOf(*doc, "f").fontPointSize(), 12);
}

TEST(RtfReader, SkipsWhatIsNotDocumentText)
{
    const auto doc =
        P::read("{\\rtf1{\\info{\\title T}{\\author A}}{\\stylesheet{\\s1 Heading;}}"
                "{\\*\\unknowndestination hidden {\\nested too}}{\\header head\\par}{\\footer foot}"
                "{\\*\\bkmkstart mark}A{\\*\\bkmkend mark}{\\footnote note}\\unknownword B"
                "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt C}}{\\v hidden}D\\{\\}\\\\}");
    EXPECT_EQ(doc->toPlainText(), "ABCD{}\\");
}

TEST(RtfReader, ColoursAndAutomaticColour)
{
    const auto doc =
        P::read("{\\rtf1{\\colortbl;\\red255\\green128\\blue0;;\\red0\\green0\\blue255;}"
                "\\cf1 a\\cf2 b\\cf3 c\\cf0 d\\cf9 e{\\highlight3 f}}");
    EXPECT_EQ(P::formatOf(*doc, "a").foreground().color(), QColor(255, 128, 0));
    EXPECT_FALSE(P::formatOf(*doc, "b").hasProperty(QTextFormat::ForegroundBrush)); // auto
    EXPECT_EQ(P::formatOf(*doc, "c").foreground().color(), QColor(0, 0, 255));
    EXPECT_FALSE(P::formatOf(*doc, "d").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_FALSE(P::formatOf(*doc, "e").hasProperty(QTextFormat::ForegroundBrush)); // no entry
    EXPECT_EQ(P::formatOf(*doc, "f").background().color(), QColor(0, 0, 255));
}

TEST(RtfReader, OffsetsWithoutNumbersAndResets)
{
    // \up alone is 6 half-points; \up0 and \nosupersub return to the baseline.
    const auto doc = P::read("{\\rtf1 {\\up d}{\\up0 f}{\\super g\\nosupersub h}}");
    EXPECT_EQ(CharacterOffset::get(P::formatOf(*doc, "d")), 60);
    EXPECT_EQ(P::formatOf(*doc, "f").verticalAlignment(), QTextCharFormat::AlignNormal);
    EXPECT_EQ(P::formatOf(*doc, "g").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(P::formatOf(*doc, "h").verticalAlignment(), QTextCharFormat::AlignNormal);
}

TEST(RtfReader, ListTablesAndNumberStyles)
{
    const char *rtf =
        "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc4{\\leveltext\\'02\\'00);}}"
        "{\\listlevel\\levelnfc2}\\listid7}{\\list{\\listlevel\\levelnfc23}\\listid8}}"
        "{\\*\\listoverridetable{\\listoverride\\listid8\\listoverridecount0\\ls1}"
        "{\\listoverride\\listid7\\listoverridecount0\\ls2}}"
        "{\\listtext a)\\tab}\\pard\\ls2 one\\par {\\listtext b)\\tab}two\\par"
        "\\pard\\ls2\\ilvl1 sub\\par \\pard plain\\par \\pard\\ls2 three\\par"
        "\\pard\\ls1 dot\\par \\pard\\ls9 unknown\\par}";
    const auto doc = P::read(rtf);
    EXPECT_EQ(P::paragraphs(*doc),
              QStringList({"one", "two", "sub", "plain", "three", "dot", "unknown"}));
    const QTextList *letters = P::blockOf(*doc, "one").textList();
    ASSERT_TRUE(letters);
    EXPECT_EQ(letters->format().style(), QTextListFormat::ListLowerAlpha);
    EXPECT_EQ(P::blockOf(*doc, "two").textList(), letters);
    // Numbering of the same \ls continues after an ordinary paragraph, as in Word.
    EXPECT_EQ(P::blockOf(*doc, "three").textList(), letters);
    EXPECT_EQ(letters->itemText(P::blockOf(*doc, "three")), "c.");
    ASSERT_TRUE(P::blockOf(*doc, "sub").textList());
    EXPECT_EQ(P::blockOf(*doc, "sub").textList()->format().style(),
              QTextListFormat::ListLowerRoman);
    EXPECT_EQ(P::blockOf(*doc, "sub").textList()->format().indent(), 2);
    EXPECT_FALSE(P::blockOf(*doc, "plain").textList());
    EXPECT_EQ(P::blockOf(*doc, "dot").textList()->format().style(), QTextListFormat::ListDisc);
    // An \ls without a definition still shows as a list rather than being dropped.
    ASSERT_TRUE(P::blockOf(*doc, "unknown").textList());
}

TEST(RtfReader, InsertsAtTheCursorOfAnExistingDocument)
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText("before after");
    cursor.setPosition(7);
    RtfReader().read("{\\rtf1 {\\b middle }}", cursor);
    EXPECT_EQ(doc.toPlainText(), "before middle after");
    EXPECT_TRUE(P::isBold(P::formatOf(doc, "middle")));
    EXPECT_FALSE(P::isBold(P::formatOf(doc, "after")));
}

TEST(RtfReader, LongListsKeepEveryItem)
{
    QByteArray rtf = "{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc0}\\listid5}}"
                     "{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}}\\ls1 ";
    for (int i = 0; i < 2500; ++i)
        rtf += "item\\par ";
    const auto doc = P::read(rtf + "}");
    ASSERT_EQ(doc->blockCount(), 2500);
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        ASSERT_TRUE(block.textList()) << block.blockNumber();
        ASSERT_EQ(block.textList()->format().style(), QTextListFormat::ListDecimal);
    }
    const QTextBlock hundredth = doc->findBlockByNumber(99);
    EXPECT_EQ(hundredth.textList()->itemText(hundredth), "100.");
}
