// Files in the style of the word processors people will open, each with the text and
// formatting it must yield.
#include "CharacterOffset.h"
#include "DocumentProbe.h"

#include <QTextBlock>
#include <QTextList>
#include <gtest/gtest.h>

namespace {
using P = DocumentProbe;

QString listLine(const QTextDocument &document, const QString &text)
{
    const QTextList *list = P::blockOf(document, text).textList();
    return list ? QStringLiteral("%1/%2")
                      .arg(int(list->format().style()))
                      .arg(list->format().indent())
                : QStringLiteral("none");
}

QString styleLine(QTextListFormat::Style style, int indent)
{
    return QStringLiteral("%1/%2").arg(int(style)).arg(indent);
}

int imageCount(const QTextDocument &document, QSizeF *size = nullptr)
{
    int count = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QTextImageFormat image = format.toImageFormat();
            const QVariant resource =
                document.resource(QTextDocument::ImageResource, QUrl(image.name()));
            if (resource.value<QImage>().isNull())
                continue;
            ++count;
            if (size)
                *size = QSizeF(image.width(), image.height());
        }
    }
    return count;
}
} // namespace

TEST(RtfProducers, LibreOfficeWriter)
{
    const auto doc = P::read(P::dataFile("libreoffice.rtf"));
    EXPECT_EQ(
        P::paragraphs(*doc),
        QStringList({"Sample heading", "Plain text, bold, italic, underlined, struck and red.",
                     "Centred Arial 16", "Right aligned",
                     QStringLiteral("Justified: café naïve “quoted” — 中文."),
                     "E = mc2, H2O, raised up and lowered down.", "First bullet", "Second bullet",
                     "Nested bullet", "Numbered one", "Numbered two", "Cell A1\tCell A2",
                     "Cell B1\tCell B2", QStringLiteral("Picture: \uFFFC end.")}));

    EXPECT_EQ(P::family(P::formatOf(*doc, "Sample heading")), "Liberation Sans");
    EXPECT_EQ(P::formatOf(*doc, "Sample heading").fontPointSize(), 14);
    EXPECT_EQ(P::family(P::formatOf(*doc, "Plain")), "Liberation Serif");
    EXPECT_FALSE(P::isBold(P::formatOf(*doc, "Plain")));
    EXPECT_TRUE(P::isBold(P::formatOf(*doc, "bold")));
    EXPECT_TRUE(P::formatOf(*doc, "italic").fontItalic());
    EXPECT_TRUE(P::formatOf(*doc, "underlined").fontUnderline());
    EXPECT_TRUE(P::formatOf(*doc, "struck").fontStrikeOut());
    EXPECT_EQ(P::formatOf(*doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_FALSE(P::formatOf(*doc, " and ").hasProperty(QTextFormat::ForegroundBrush));

    EXPECT_EQ(P::family(P::formatOf(*doc, "Centred")), "Arial");
    EXPECT_EQ(P::formatOf(*doc, "Centred").fontPointSize(), 16);
    EXPECT_EQ(P::blockFormatOf(*doc, "Centred").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(P::blockFormatOf(*doc, "Right aligned").alignment(), Qt::AlignRight);
    EXPECT_EQ(P::blockFormatOf(*doc, "Justified").alignment(), Qt::AlignJustify);
    EXPECT_EQ(P::blockFormatOf(*doc, "Plain").alignment(), Qt::AlignLeft);

    const auto script = P::runs(*doc, 5);
    ASSERT_EQ(script.size(), 9);
    EXPECT_EQ(script[1].format.verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(script[3].format.verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(CharacterOffset::get(script[5].format), 90); // \up9: half-points
    EXPECT_EQ(CharacterOffset::get(script[7].format), -90);
    EXPECT_EQ(CharacterOffset::get(script[0].format), 0);

    EXPECT_EQ(listLine(*doc, "First bullet"), styleLine(QTextListFormat::ListDisc, 1));
    EXPECT_EQ(P::blockOf(*doc, "First bullet").textList(),
              P::blockOf(*doc, "Second bullet").textList());
    EXPECT_EQ(listLine(*doc, "Nested bullet"), styleLine(QTextListFormat::ListCircle, 2));
    EXPECT_EQ(listLine(*doc, "Numbered one"), styleLine(QTextListFormat::ListDecimal, 1));
    EXPECT_EQ(
        P::blockOf(*doc, "Numbered two").textList()->itemText(P::blockOf(*doc, "Numbered two")),
        "2.");
    EXPECT_EQ(listLine(*doc, "Cell A1"), "none");

    QSizeF size;
    EXPECT_EQ(imageCount(*doc, &size), 1); // the metafile alternative is not shown twice
    EXPECT_EQ(size, QSizeF(40, 30));       // 600 x 450 twips
}

TEST(RtfProducers, WordPad)
{
    const auto doc = P::read(P::dataFile("wordpad.rtf"));
    EXPECT_EQ(P::paragraphs(*doc),
              QStringList({"Plain bold italic underline struck", "red and blue text", "centred",
                           "right", "first bullet", "second bullet", "numbered",
                           QStringLiteral("Привет, мир and αβγ"), "x2 H2O up down",
                           QStringLiteral("Large normal\u2028next line\ttabbed")}));
    EXPECT_EQ(P::family(P::formatOf(*doc, "Plain")), "Calibri");
    EXPECT_EQ(P::formatOf(*doc, "Plain").fontPointSize(), 11);
    EXPECT_TRUE(P::isBold(P::formatOf(*doc, "bold")));
    EXPECT_FALSE(P::isBold(P::formatOf(*doc, "italic")));
    EXPECT_TRUE(P::formatOf(*doc, "italic").fontItalic());
    EXPECT_TRUE(P::formatOf(*doc, "underline").fontUnderline());
    EXPECT_FALSE(P::formatOf(*doc, "struck").fontUnderline()); // \ulnone ended it
    EXPECT_TRUE(P::formatOf(*doc, "struck").fontStrikeOut());
    EXPECT_EQ(P::formatOf(*doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(P::formatOf(*doc, "blue").foreground().color(), QColor(0, 77, 187));
    EXPECT_FALSE(P::formatOf(*doc, "text").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(P::blockFormatOf(*doc, "centred").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(P::blockFormatOf(*doc, "right").alignment(), Qt::AlignRight);

    // Legacy \pn numbering: the second bullet has no \pn of its own and inherits it.
    EXPECT_EQ(listLine(*doc, "first bullet"), styleLine(QTextListFormat::ListDisc, 1));
    EXPECT_EQ(P::blockOf(*doc, "first bullet").textList(),
              P::blockOf(*doc, "second bullet").textList());
    EXPECT_EQ(listLine(*doc, "numbered"), styleLine(QTextListFormat::ListDecimal, 1));

    // Cyrillic and Greek through the fonts' character sets.
    EXPECT_EQ(P::family(P::formatOf(*doc, QStringLiteral("Привет"))), "Arial");
    EXPECT_EQ(CharacterOffset::get(P::formatOf(*doc, "up")), 60);
    EXPECT_EQ(CharacterOffset::get(P::formatOf(*doc, "down")), -60);
    EXPECT_EQ(P::formatOf(*doc, "Large").fontPointSize(), 16);
    EXPECT_EQ(P::formatOf(*doc, "normal").fontPointSize(), 11);
}

TEST(RtfProducers, MicrosoftWord)
{
    const auto doc = P::read(P::dataFile("word.rtf"));
    // Headers, footnote separators, document information, styles, theme and data store
    // are not document text; the field shows its result, the table its cells.
    EXPECT_EQ(P::paragraphs(*doc),
              QStringList({"Word text with bold, italic, underline, strike and red.",
                           "Centred Times 14", QStringLiteral("Привет\u00A0日本 E=mc2 and raised"),
                           "Bullet one", "Bullet two", "Number one", "See the example.",
                           "Left cell\tRight cell", QStringLiteral("Picture \uFFFC")}));
    EXPECT_EQ(P::family(P::formatOf(*doc, "Word text")), "Calibri"); // \f31506 via \deff0
    EXPECT_TRUE(P::isBold(P::formatOf(*doc, "bold")));
    EXPECT_TRUE(P::formatOf(*doc, "italic").fontItalic());
    EXPECT_TRUE(P::formatOf(*doc, "underline").fontUnderline());
    EXPECT_TRUE(P::formatOf(*doc, "strike").fontStrikeOut());
    EXPECT_EQ(P::formatOf(*doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(P::family(P::formatOf(*doc, "Centred")), "Times New Roman");
    EXPECT_EQ(P::formatOf(*doc, "Centred").fontPointSize(), 14);
    EXPECT_EQ(P::blockFormatOf(*doc, "Centred").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(P::family(P::formatOf(*doc, QStringLiteral("日本"))), "MS Mincho");
    EXPECT_EQ(P::formatOf(*doc, "2 and").verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(CharacterOffset::get(P::formatOf(*doc, "raised")), 60);
    EXPECT_EQ(listLine(*doc, "Bullet one"), styleLine(QTextListFormat::ListDisc, 1));
    EXPECT_EQ(listLine(*doc, "Number one"), styleLine(QTextListFormat::ListDecimal, 1));
    EXPECT_EQ(P::formatOf(*doc, "the example").foreground().color(), QColor(5, 99, 193));
    EXPECT_TRUE(P::formatOf(*doc, "the example").fontUnderline());
    QSizeF size;
    EXPECT_EQ(imageCount(*doc, &size), 1); // the JPEG, not the metafile
    EXPECT_EQ(size, QSizeF(8, 8));
}

TEST(RtfProducers, Pandoc)
{
    const auto doc = P::read(P::dataFile("pandoc.rtf"));
    EXPECT_EQ(P::paragraphs(*doc),
              QStringList({"Pandoc heading",
                           QStringLiteral("Plain bold italic struck code and café, naïve, "
                                          "“quoted”, emoji \U0001F600."),
                           QStringLiteral("•\tFirst item"), QStringLiteral("•\tSecond item"),
                           "x2 and H2O", "a link", "Name\tValue", "alpha\t1",
                           QStringLiteral("\uFFFC"), "Centred last line"}));
    EXPECT_TRUE(P::isBold(P::formatOf(*doc, "Pandoc heading")));
    EXPECT_EQ(P::formatOf(*doc, "Pandoc heading").fontPointSize(), 18);
    EXPECT_EQ(P::family(P::formatOf(*doc, "Plain")), "Helvetica");
    EXPECT_FALSE(P::isBold(P::formatOf(*doc, "Plain")));
    EXPECT_EQ(P::family(P::formatOf(*doc, "code")), "Courier");
    EXPECT_TRUE(P::formatOf(*doc, "a link").fontUnderline());
    EXPECT_TRUE(P::isBold(P::formatOf(*doc, "Name")));
    EXPECT_EQ(P::blockFormatOf(*doc, "Centred last").alignment(), Qt::AlignHCenter);
    EXPECT_EQ(imageCount(*doc), 1);
}

TEST(RtfCodePages, ShiftJisFromDocumentCodePage)
{
    // \ansicpg932 with a Japanese font; 0x5C after a lead byte is a trail byte, whether
    // written as \'5c or as an escaped backslash.
    const auto doc = P::read(P::dataFile("shiftjis-ansicpg932.rtf"));
    EXPECT_EQ(P::paragraphs(*doc), QStringList({QStringLiteral("こんにちは ABC 表表")}));
    EXPECT_EQ(P::family(P::formatOf(*doc, QStringLiteral("こん"))), QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(P::family(P::formatOf(*doc, "ABC")), "Calibri");
}

TEST(RtfCodePages, ShiftJisFromFontCharset)
{
    const auto doc = P::read(P::dataFile("shiftjis-fcharset128.rtf"));
    EXPECT_EQ(P::paragraphs(*doc), QStringList({QStringLiteral("Latin café 日本語 done")}));
}

TEST(RtfCodePages, CharsetsAndDocumentCodePages)
{
    struct Case
    {
        const char *rtf;
        QString text;
    };
    const Case cases[] = {
        // Windows-1252 specifics beyond Latin-1.
        {R"({\rtf1\ansi \'80 \'93x\'94 \'e9})", QStringLiteral("€ “x” é")},
        // Cyrillic by font character set, the document staying Western.
        {R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial;}}\f1 \'c4\'e0\f0 \'e9})",
         QStringLiteral("Даé")},
        // Cyrillic as the document's code page, with a default-charset font.
        {R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0\fcharset1 Arial;}}\f0 \'c4\'e0})",
         QStringLiteral("Да")},
        // A font's explicit \cpg wins.
        {R"({\rtf1\ansi{\fonttbl{\f0\cpg1253 Arial;}}\f0 \'e1})", QStringLiteral("α")},
        // Mac Roman.
        {R"({\rtf1\mac \'8e})", QStringLiteral("é")},
        // An unknown code page reads as Windows-1252 rather than failing.
        {R"({\rtf1\ansi\ansicpg4242 \'e9})", QStringLiteral("é")},
        // Shift-JIS lead byte without its trail byte at the end of a run.
        {R"({\rtf1\ansi\ansicpg932 a\'82})", QStringLiteral("a\uFFFD")},
        // A font name in its own character set.
        {R"({\rtf1\ansi{\fonttbl{\f0\fcharset204 \'d2\'e5\'f1\'f2;}}\f0 x})", QStringLiteral("x")},
    };
    for (const Case &c : cases) {
        const auto doc = P::read(c.rtf);
        EXPECT_EQ(P::text(*doc), c.text) << c.rtf;
    }
    const auto named = P::read(R"({\rtf1\ansi{\fonttbl{\f0\fcharset204 \'d2\'e5\'f1\'f2;}}\f0 x})");
    EXPECT_EQ(P::family(P::formatOf(*named, "x")), QStringLiteral("Тест"));
}

TEST(RtfCodePages, UnicodeSkipsItsStandIns)
{
    struct Case
    {
        const char *rtf;
        QString text;
    };
    const Case cases[] = {
        {R"({\rtf1\ansi caf\u233\'e9s})", QStringLiteral("cafés")},
        {R"({\rtf1\ansi caf\u233?s})", QStringLiteral("cafés")},
        {R"({\rtf1\ansi\uc0 caf\u233 s})", QStringLiteral("cafés")},
        {R"({\rtf1\ansi\uc2 \u26085\'93\'fa!})", QStringLiteral("日!")},
        // \uc is scoped to its group: the outer \uc1 applies again after it.
        {R"({\rtf1\ansi{\uc2\u26085\'93\'fa}\u233?x})", QStringLiteral("日éx")},
        // A group end stops the skipping.
        {R"({\rtf1\ansi\uc3{\u233}x})", QStringLiteral("éx")},
        // A control word can be the stand-in.
        {R"({\rtf1\ansi \u8364\'80\u8364\emdash x})", QStringLiteral("€€x")},
        // Negative numbers for the upper half, surrogate pairs for characters beyond it.
        {R"({\rtf1\ansi \u-4064?\u-10179?\u-8704?})", QStringLiteral("\uF020\U0001F600")},
    };
    for (const Case &c : cases) {
        const auto doc = P::read(c.rtf);
        EXPECT_EQ(P::text(*doc), c.text) << c.rtf;
    }
}
