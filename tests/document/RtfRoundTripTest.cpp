// Documents written as RTF and read back keep their text and formatting; the RTF itself
// is what other word processors expect.
#include "CharacterOffset.h"
#include "DocumentProbe.h"
#include "rtf/RtfWriter.h"

#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
using P = DocumentProbe;

QTextCharFormat plain()
{
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Times New Roman")});
    format.setFontPointSize(10);
    return format;
}

void insert(QTextCursor &cursor, const QString &text,
            const std::function<void(QTextCharFormat &)> &change = {})
{
    QTextCharFormat format = plain();
    if (change)
        change(format);
    cursor.insertText(text, format);
}

std::unique_ptr<QTextDocument> roundTrip(const QTextDocument &document)
{
    return P::read(P::write(document));
}
} // namespace

TEST(RtfRoundTrip, CharacterAttributes)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    insert(c, "plain ");
    insert(c, "bold ", [](auto &f) { f.setFontWeight(QFont::Bold); });
    insert(c, "italic ", [](auto &f) { f.setFontItalic(true); });
    insert(c, "under ", [](auto &f) { f.setFontUnderline(true); });
    insert(c, "strike ", [](auto &f) { f.setFontStrikeOut(true); });
    insert(c, "all ", [](auto &f) {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontUnderline(true);
        f.setFontStrikeOut(true);
    });
    insert(c, "arial ", [](auto &f) { f.setFontFamilies({QStringLiteral("Arial")}); });
    insert(c, "big ", [](auto &f) { f.setFontPointSize(24); });
    insert(c, "half ", [](auto &f) { f.setFontPointSize(10.5); });
    insert(c, "raised ", [](auto &f) { CharacterOffset::set(f, 100); });
    insert(c, "lowered ", [](auto &f) { CharacterOffset::set(f, -100); });
    insert(c, "sup ", [](auto &f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); });
    insert(c, "sub ", [](auto &f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); });

    const auto back = roundTrip(doc);
    EXPECT_EQ(back->toPlainText(), doc.toPlainText());
    const auto &d = *back;
    EXPECT_EQ(P::family(P::formatOf(d, "plain")), "Times New Roman");
    EXPECT_EQ(P::formatOf(d, "plain").fontPointSize(), 10);
    EXPECT_FALSE(P::isBold(P::formatOf(d, "plain")));
    EXPECT_FALSE(P::formatOf(d, "plain").fontItalic());
    EXPECT_FALSE(P::formatOf(d, "plain").fontUnderline());
    EXPECT_FALSE(P::formatOf(d, "plain").fontStrikeOut());
    EXPECT_TRUE(P::isBold(P::formatOf(d, "bold")));
    EXPECT_TRUE(P::formatOf(d, "italic").fontItalic());
    EXPECT_FALSE(P::isBold(P::formatOf(d, "italic")));
    EXPECT_TRUE(P::formatOf(d, "under").fontUnderline());
    EXPECT_TRUE(P::formatOf(d, "strike").fontStrikeOut());
    const QTextCharFormat all = P::formatOf(d, "all");
    EXPECT_TRUE(P::isBold(all) && all.fontItalic() && all.fontUnderline() && all.fontStrikeOut());
    EXPECT_EQ(P::family(P::formatOf(d, "arial")), "Arial");
    EXPECT_EQ(P::formatOf(d, "big").fontPointSize(), 24);
    EXPECT_EQ(P::formatOf(d, "half").fontPointSize(), 10.5);
    EXPECT_EQ(CharacterOffset::get(P::formatOf(d, "raised")), 100);
    EXPECT_EQ(CharacterOffset::get(P::formatOf(d, "lowered")), -100);
    EXPECT_EQ(P::formatOf(d, "sup").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(P::formatOf(d, "sub").verticalAlignment(), QTextCharFormat::AlignSubScript);
}

TEST(RtfRoundTrip, OffsetsTravelInHalfPoints)
{
    // RTF keeps offsets in half-points: the menu's 55 twips come back as the nearest
    // half-point, with the direction kept.
    for (const auto &[twips, expected] : {std::pair{55, 60}, {-55, -60}, {60, 60}, {4, 10}}) {
        QTextDocument doc;
        QTextCursor c(&doc);
        insert(c, "x", [twips = twips](auto &f) { CharacterOffset::set(f, twips); });
        EXPECT_EQ(CharacterOffset::get(P::formatOf(*roundTrip(doc), "x")), expected) << twips;
    }
}

TEST(RtfRoundTrip, MenuColours)
{
    const QList<QRgb> colours = {qRgb(0, 0, 0),     qRgb(128, 128, 128), qRgb(255, 0, 0),
                                 qRgb(255, 128, 0), qRgb(255, 255, 0),   qRgb(0, 255, 0),
                                 qRgb(0, 0, 255),   qRgb(255, 0, 255),   qRgb(12, 34, 56)};
    QTextDocument doc;
    QTextCursor c(&doc);
    for (int i = 0; i < colours.size(); ++i) {
        insert(c, QStringLiteral("c%1 ").arg(i),
               [&](auto &f) { f.setForeground(QColor(colours[i])); });
    }
    insert(c, "auto");
    const auto back = roundTrip(doc);
    for (int i = 0; i < colours.size(); ++i) {
        const QTextCharFormat format = P::formatOf(*back, QStringLiteral("c%1 ").arg(i));
        ASSERT_TRUE(format.hasProperty(QTextFormat::ForegroundBrush)) << i;
        EXPECT_EQ(format.foreground().color().rgb(), colours[i]) << i;
    }
    EXPECT_FALSE(P::formatOf(*back, "auto").hasProperty(QTextFormat::ForegroundBrush));
}

TEST(RtfRoundTrip, ParagraphsAlignmentAndLists)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    const auto paragraph = [&](const QString &text, Qt::Alignment alignment) {
        if (c.position() > 0)
            c.insertBlock(QTextBlockFormat(), plain());
        QTextBlockFormat block;
        block.setAlignment(alignment);
        c.setBlockFormat(block);
        insert(c, text);
    };
    paragraph("left", Qt::AlignLeft);
    paragraph("right", Qt::AlignRight);
    paragraph("centre", Qt::AlignHCenter);
    paragraph("justified", Qt::AlignJustify);
    paragraph("bullet one", Qt::AlignLeft);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    QTextList *list = c.createList(bullets);
    paragraph("bullet two", Qt::AlignLeft);
    list->add(c.block());
    paragraph("nested", Qt::AlignLeft);
    QTextListFormat nested;
    nested.setStyle(QTextListFormat::ListDecimal);
    nested.setIndent(2);
    c.createList(nested);
    paragraph("", Qt::AlignLeft); // an empty paragraph
    paragraph(QStringLiteral("line\u2028break\ttab"), Qt::AlignLeft);
    paragraph("", Qt::AlignLeft); // and an empty last one

    const auto back = roundTrip(doc);
    EXPECT_EQ(P::paragraphs(*back), P::paragraphs(doc));
    EXPECT_EQ(P::blockFormatOf(*back, "left").alignment(), Qt::AlignLeft);
    EXPECT_EQ(P::blockFormatOf(*back, "right").alignment(), Qt::AlignRight);
    EXPECT_EQ(P::blockFormatOf(*back, "centre").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(P::blockFormatOf(*back, "justified").alignment(), Qt::AlignJustify);
    const QTextList *one = P::blockOf(*back, "bullet one").textList();
    ASSERT_TRUE(one);
    EXPECT_EQ(one->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(P::blockOf(*back, "bullet two").textList(), one);
    const QTextList *two = P::blockOf(*back, "nested").textList();
    ASSERT_TRUE(two);
    EXPECT_NE(two, one);
    EXPECT_EQ(two->format().style(), QTextListFormat::ListDecimal);
    EXPECT_EQ(two->format().indent(), 2);
    EXPECT_FALSE(P::blockOf(*back, "line").textList());
}

TEST(RtfRoundTrip, TextBeyondTheCodePage)
{
    const QString text = QStringLiteral("ASCII {braces} back\\slash café € “quotes” — Ж中文 "
                                        "\U0001F600 nbsp\u00A0soft\u00ADhyphen\u2011end");
    QTextDocument doc;
    QTextCursor c(&doc);
    insert(c, text);
    const QByteArray rtf = P::write(doc);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
    for (const char byte : rtf)
        ASSERT_LT(static_cast<unsigned char>(byte), 0x80) << "RTF is 7-bit";
    EXPECT_TRUE(rtf.contains("caf\\'e9"));   // in the code page: a hex byte
    EXPECT_TRUE(rtf.contains("\\'80"));      // the euro sign is in Windows-1252
    EXPECT_TRUE(rtf.contains("\\u1046?"));   // Ж is not: \uN and a stand-in
    EXPECT_TRUE(rtf.contains("\\u-10179?")); // surrogates as signed 16-bit numbers
    EXPECT_EQ(P::text(*roundTrip(doc)), text);
}

TEST(RtfRoundTrip, SelectionKeepsItsFormatting)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    insert(c, "one ");
    insert(c, "two", [](auto &f) { f.setFontWeight(QFont::Bold); });
    insert(c, " three");
    c.insertBlock();
    insert(c, "four");
    c.setPosition(4);
    c.setPosition(7, QTextCursor::KeepAnchor);
    auto part = P::read(RtfWriter().write(c));
    EXPECT_EQ(part->toPlainText(), "two");
    EXPECT_TRUE(P::isBold(P::formatOf(*part, "two")));

    // Across a paragraph mark, including the mark itself.
    c.setPosition(8);
    c.setPosition(15, QTextCursor::KeepAnchor);
    part = P::read(RtfWriter().write(c));
    EXPECT_EQ(P::paragraphs(*part), QStringList({"three", "f"}));
    c.setPosition(8);
    c.setPosition(14, QTextCursor::KeepAnchor);
    EXPECT_EQ(P::paragraphs(*P::read(RtfWriter().write(c))), QStringList({"three", ""}));
}

TEST(RtfRoundTrip, Pictures)
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(QColor(0, 128, 255));
    QTextDocument doc;
    doc.addResource(QTextDocument::ImageResource, QUrl("mem:picture"), image);
    QTextCursor c(&doc);
    insert(c, "before ");
    QTextImageFormat format;
    format.setName("mem:picture");
    format.setWidth(30);
    format.setHeight(20);
    c.insertImage(format);
    insert(c, " after");

    const auto back = roundTrip(doc);
    EXPECT_EQ(back->toPlainText(), doc.toPlainText());
    const QTextCharFormat read = P::formatOf(*back, QStringLiteral("\uFFFC"));
    ASSERT_TRUE(read.isImageFormat());
    EXPECT_EQ(read.toImageFormat().width(), 30);
    EXPECT_EQ(read.toImageFormat().height(), 20);
    const QImage decoded =
        back->resource(QTextDocument::ImageResource, QUrl(read.toImageFormat().name()))
            .value<QImage>();
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.size(), image.size());
    EXPECT_EQ(decoded.pixel(2, 2), image.pixel(2, 2));
}

TEST(RtfRoundTrip, ProducerFilesSurviveOurWriter)
{
    for (const char *name : {"libreoffice.rtf", "wordpad.rtf", "word.rtf", "pandoc.rtf",
                             "shiftjis-ansicpg932.rtf", "shiftjis-fcharset128.rtf"}) {
        const auto first = P::read(P::dataFile(name));
        const QByteArray written = P::write(*first);
        const auto second = P::read(written);
        EXPECT_EQ(P::paragraphs(*second), P::paragraphs(*first)) << name;
        // Writing what was read back gives the same RTF: nothing drifts.
        EXPECT_EQ(P::write(*second), written) << name;
    }
}

TEST(RtfRoundTrip, ListLabelsForReadersWithoutLists)
{
    // Readers that do not build lists print the list text; it must number like the list.
    for (const auto &[style, third] : {std::pair{QTextListFormat::ListDecimal, "3."},
                                       {QTextListFormat::ListLowerAlpha, "c."},
                                       {QTextListFormat::ListUpperRoman, "III."},
                                       {QTextListFormat::ListDisc, "\\'95"}}) {
        QTextDocument doc;
        QTextCursor c(&doc);
        c.insertText("one");
        QTextList *list = c.createList(style);
        for (const char *item : {"two", "three"}) {
            c.insertBlock();
            list->add(c.block());
            c.insertText(item);
        }
        const QByteArray rtf = P::write(doc);
        const qsizetype label = rtf.lastIndexOf("{\\listtext ", rtf.indexOf("three"));
        EXPECT_TRUE(rtf.mid(label).startsWith(QByteArray("{\\listtext ") + third + "\\tab}"))
            << rtf.toStdString();
    }
}
