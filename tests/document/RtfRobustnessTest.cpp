// Damaged and hostile RTF loads what can be recovered, and never crashes or hangs.
#include "DocumentProbe.h"
#include "rtf/RtfReader.h"

#include <QLoggingCategory>
#include <QTextCursor>
#include <gtest/gtest.h>
#include <random>

namespace {
using P = DocumentProbe;

// Reads, writes the result and reads that again: the writer must cope with whatever the
// reader made of the damage.
QString readAndRewrite(const QByteArray &rtf)
{
    const auto first = P::read(rtf);
    const auto second = P::read(P::write(*first));
    EXPECT_EQ(second->toPlainText(), first->toPlainText());
    return first->toPlainText();
}
} // namespace

TEST(RtfRobustness, UnbalancedBraces)
{
    EXPECT_EQ(readAndRewrite("{\\rtf1 {{{\\b open groups"), "open groups");
    // The document ends with its outermost group; what follows is not read.
    EXPECT_EQ(readAndRewrite("{\\rtf1 A}}} B {C}"), "A");
    EXPECT_EQ(readAndRewrite("}}}{\\rtf1 A}"), "A");
    EXPECT_EQ(readAndRewrite("{\\rtf1 {\\fonttbl{\\f0 Arial;}"), "");
}

TEST(RtfRobustness, TruncatedAnywhere)
{
    // Every cut of a real file loads a prefix of its text.
    const QByteArray full = P::dataFile("word.rtf");
    const QString complete = P::read(full)->toPlainText();
    for (qsizetype length = 0; length <= full.size(); length += 13) {
        const QString text = P::read(full.left(length))->toPlainText();
        ASSERT_TRUE(complete.startsWith(text)) << length << ": " << text.toStdString();
    }
    EXPECT_EQ(P::read("{\\rtf1 abc\\")->toPlainText(), "abc");
    EXPECT_EQ(P::read("{\\rtf1 abc\\'")->toPlainText(), "abc");
    EXPECT_EQ(P::read("{\\rtf1 abc\\'4")->toPlainText(), "abc");
    EXPECT_EQ(P::read("{\\rtf1 abc\\u")->toPlainText(), "abc");
    EXPECT_EQ(P::read("{\\rtf1 a\\'zzb\\'4g}")->toPlainText(), "azzbg");
}

TEST(RtfRobustness, HugeNumbers)
{
    const QString text = readAndRewrite(
        "{\\rtf1{\\colortbl;\\red99999999999\\green-5\\blue300;}{\\fonttbl{\\f99999999999 X;}}"
        "\\fs99999999999999999999 \\cf2147483647 \\li-99999999999 \\fi99999999999 "
        "\\up99999999999 \\ls99999999999 \\ilvl-7 \\f-99999999999 "
        "a\\u99999999999 ?b\\u-99999999999 ?c\\ansicpg99999999999 d\\'e9"
        "{\\pict\\pngblip\\picwgoal99999999999\\pichgoal-5 00}e}");
    EXPECT_EQ(text, QStringLiteral("a\uFFFDb\uFFFDcd\u00E9e"));
    // A huge \uc is capped: it cannot swallow the rest of the document.
    EXPECT_EQ(P::read("{\\rtf1 \\uc99999999999\\u233 0123456789abcdefXYZ}")->toPlainText(),
              QStringLiteral("\u00E9XYZ"));
}

TEST(RtfRobustness, DeepNesting)
{
    const int depth = 200000;
    QByteArray rtf = "{\\rtf1 start";
    rtf += QByteArray(depth, '{') + "\\b deep" + QByteArray(depth, '}') + " end}";
    const auto doc = P::read(rtf);
    EXPECT_EQ(doc->toPlainText(), "startdeep end");

    // Nesting within the limit still scopes formatting exactly.
    QByteArray moderate = "{\\rtf1 ";
    for (int i = 0; i < 100; ++i)
        moderate += "{\\b0 ";
    moderate += "{\\b x}y" + QByteArray(100, '}') + "}";
    const auto scoped = P::read(moderate);
    EXPECT_TRUE(P::isBold(P::formatOf(*scoped, "x")));
    EXPECT_FALSE(P::isBold(P::formatOf(*scoped, "y")));
}

TEST(RtfRobustness, BinaryData)
{
    // \bin data is skipped by its length, braces and backslashes in it included.
    EXPECT_EQ(P::read("{\\rtf1 A{\\*\\blob\\bin6 }}{\\\\}}B}")->toPlainText(), "AB");
    EXPECT_EQ(P::read("{\\rtf1 A{\\pict\\wmetafile8\\bin4 }}}}}B}")->toPlainText(), "AB");
    // A length beyond the data ends the document; a negative one is no data at all.
    EXPECT_EQ(P::read("{\\rtf1 A\\bin999999999 xyz}")->toPlainText(), "A");
    EXPECT_EQ(P::read("{\\rtf1 A\\bin-5 B}")->toPlainText(), "AB");
    // A picture whose data is garbage is left out; the text around it stays.
    EXPECT_EQ(P::read("{\\rtf1 A{\\pict\\pngblip 89504e470d0a1a0a0000}B}")->toPlainText(), "AB");
    EXPECT_EQ(P::read("{\\rtf1 A{\\pict\\jpegblip\\bin3 xyz}B}")->toPlainText(), "AB");
}

TEST(RtfRobustness, GarbageAfterTheHeader)
{
    std::mt19937 random(20240305);
    for (int round = 0; round < 50; ++round) {
        QByteArray rtf = "{\\rtf1 ";
        for (int i = 0; i < 4000; ++i)
            rtf += static_cast<char>(random() & 0xFF);
        readAndRewrite(rtf);
    }
}

TEST(RtfRobustness, MutatedSamples)
{
    // A fixed-seed mutation run over the producer samples: flipped bytes, inserted RTF
    // specials, deleted and duplicated ranges.
    const QList<QByteArray> samples = {P::dataFile("word.rtf"), P::dataFile("libreoffice.rtf"),
                                       P::dataFile("wordpad.rtf"), P::dataFile("pandoc.rtf"),
                                       P::dataFile("shiftjis-ansicpg932.rtf")};
    static const char specials[] = {'{', '}', '\\', '\'', '*', ';', '0', '9', '-', ' '};
    static const char *const words[] = {"\\bin", "\\u",    "\\uc9", "\\'",    "{\\*",
                                        "\\par", "\\cell", "\\row", "\\pict", "\\fonttbl",
                                        "\\ls1", "\\pn",   "}",     "{",      "\\ansicpg932"};
    // Broken pictures are expected here; their decoder warnings are not news.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    std::mt19937 random(12345);
    for (int round = 0; round < 1500; ++round) {
        QByteArray data = samples[round % samples.size()];
        const int mutations = 1 + static_cast<int>(random() % 8);
        for (int m = 0; m < mutations && !data.isEmpty(); ++m) {
            const qsizetype at = random() % data.size();
            switch (random() % 5) {
            case 0:
                data[at] = static_cast<char>(random() & 0xFF);
                break;
            case 1:
                data.insert(at, specials[random() % sizeof(specials)]);
                break;
            case 2:
                data.remove(at, random() % 64);
                break;
            case 3:
                data.insert(at, data.mid(random() % data.size(), random() % 128));
                break;
            case 4:
                data.insert(at, words[random() % std::size(words)]);
                break;
            }
        }
        readAndRewrite(data);
    }
}
