// Files written by the word processors themselves, each with every paragraph and formatting
// run it must yield. They were made from the sources beside them:
//   tests/data/rtf/libreoffice: soffice --headless --convert-to rtf sample.fodt (Writer 7.4)
//   tests/data/rtf/pandoc:      pandoc -s -t rtf -o sample.rtf sample.md (pandoc 2.17) A run is
//   written as its text, then after '|' what sets it apart from the
// file's body text: b, i, u, s, sup, sub, up/dn with the offset in twips, a colour, a font
// family, a size, or an image with its size.
#include "CharacterOffset.h"
#include "DocumentProbe.h"

#include <QTextBlock>
#include <QTextList>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
using P = DocumentProbe;

struct BodyText
{
    QString family;
    double points;
};

struct Paragraph
{
    QString block; // alignment, then the list style, level and label, or the left margin
    QStringList runs;
};

QString describe(const QTextDocument &document, const QTextCharFormat &format, const BodyText &body)
{
    QStringList parts;
    if (format.isImageFormat()) {
        const QTextImageFormat image = format.toImageFormat();
        const QVariant resource =
            document.resource(QTextDocument::ImageResource, QUrl(image.name()));
        parts << QStringLiteral("image %1x%2%3")
                     .arg(image.width())
                     .arg(image.height())
                     .arg(resource.value<QImage>().isNull() ? " missing" : "");
    }
    if (P::isBold(format))
        parts << "b";
    if (format.fontItalic())
        parts << "i";
    if (format.fontUnderline())
        parts << "u";
    if (format.fontStrikeOut())
        parts << "s";
    const int offset = CharacterOffset::get(format);
    if (offset > 0)
        parts << QStringLiteral("up%1").arg(offset);
    else if (offset < 0)
        parts << QStringLiteral("dn%1").arg(-offset);
    else if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        parts << "sup";
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        parts << "sub";
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        parts << format.foreground().color().name();
    if (P::family(format) != body.family)
        parts << P::family(format);
    if (format.fontPointSize() != body.points)
        parts << QStringLiteral("%1pt").arg(format.fontPointSize());
    return parts.isEmpty() ? QString() : u'|' + parts.join(u' ');
}

QString describe(const QTextBlock &block)
{
    static const QHash<int, QString> styles = {
        {QTextListFormat::ListDisc, "disc"},        {QTextListFormat::ListCircle, "circle"},
        {QTextListFormat::ListSquare, "square"},    {QTextListFormat::ListDecimal, "decimal"},
        {QTextListFormat::ListLowerAlpha, "alpha"}, {QTextListFormat::ListUpperAlpha, "ALPHA"},
        {QTextListFormat::ListLowerRoman, "roman"}, {QTextListFormat::ListUpperRoman, "ROMAN"}};
    const Qt::Alignment alignment = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    QString text = alignment & Qt::AlignHCenter ? "center"
                   : alignment & Qt::AlignJustify
                       ? "justify"
                       : (alignment & (Qt::AlignRight | Qt::AlignTrailing) ? "right" : "left");
    if (const QTextList *list = block.textList()) {
        const QTextListFormat format = list->format();
        text +=
            QStringLiteral(" %1 %2").arg(styles.value(format.style(), "?")).arg(format.indent());
        if (format.style() <= QTextListFormat::ListDecimal)
            text += u' ' + list->itemText(block);
    } else if (block.blockFormat().leftMargin() != 0) {
        text += QStringLiteral(" margin %1").arg(block.blockFormat().leftMargin());
    }
    return text;
}

// Compares paragraph by paragraph so that a failure names the paragraph that differs.
void expectDocument(const QTextDocument &document, const BodyText &body,
                    const QList<Paragraph> &expected)
{
    QList<Paragraph> actual;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        Paragraph paragraph{describe(block), {}};
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            paragraph.runs << it.fragment().text() +
                                  describe(document, it.fragment().charFormat(), body);
        }
        actual << paragraph;
    }
    for (qsizetype i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        EXPECT_EQ(actual[i].block, expected[i].block) << "paragraph " << i;
        EXPECT_EQ(actual[i].runs, expected[i].runs) << "paragraph " << i;
    }
    EXPECT_EQ(actual.size(), expected.size());
}
} // namespace

TEST(RtfProducerFiles, LibreOfficeWriter)
{
    const auto doc = P::read(P::dataFile("libreoffice/sample.rtf"));
    expectDocument(
        *doc, {"Liberation Serif", 12},
        {
            {"left", {"Writer sample|b Liberation Sans 18pt"}},
            {"left",
             {"Plain, ", "bold|b", ", ", "italic|i", ", ", "underlined|u", ", ", "struck|s",
              " and ", "both|b i", "."}},
            {"left",
             {"Colours: ", "red|#ff0000", ", ", "green|#008000", " and ", "navy bold|b #1f4e79",
              "."}},
            {"left",
             {"Fonts: ", "mono ten|Liberation Mono 10pt", ", ", "sans twenty|Liberation Sans 20pt",
              ", ", "small eight|8pt", "."}},
            // \up8 and \dn8 count half-points.
            {"left",
             {"E = mc", "2|sup", ", H", "2|sub", "O, ", "raised|up80", " and ", "lowered|dn80",
              "."}},
            {"center", {"Centred line"}},
            {"right", {"Right line"}},
            {"justify",
             {"Justified line that is long enough to wrap in a narrow window, so that "
              "justification shows."}},
            {"left disc 1", {"First bullet"}},
            {"left disc 1", {"Second bullet"}},
            {"left circle 2", {"Nested bullet"}},
            {"left decimal 1 1.", {"Step one"}},
            {"left decimal 1 2.", {"Step two"}},
            {"left alpha 2 a.", {"Sub step"}},
            {"left decimal 1 3.", {"Step three"}},
            {"left", {QStringLiteral("Tab\tafter tab\u2028second line")}},
            {"left",
             {QStringLiteral("Привет, мир; Ελληνικά; 日本語テキスト; café “quoted” — done €5.")}},
            // The table becomes tab-separated lines; the bold cell keeps its formatting.
            {"left", {"Item", "\tPrice|b"}},
            {"left", {"Tea\t3.50"}},
            // 60 x 45 twips scaled by 960 %, in pixels.
            {"left", {"Picture: ", QStringLiteral("\uFFFC|image 38.4x28.8"), " end."}},
            {"left", {"Last paragraph."}},
        });
    // The three numbered items are one list across the nested one.
    EXPECT_EQ(P::blockOf(*doc, "Step one").textList(), P::blockOf(*doc, "Step three").textList());
    EXPECT_EQ(P::blockOf(*doc, "First bullet").textList(),
              P::blockOf(*doc, "Second bullet").textList());
}

TEST(RtfProducerFiles, Pandoc)
{
    // pandoc writes list labels as text and tables as rows of cells.
    const auto doc = P::read(P::dataFile("pandoc/sample.rtf"));
    expectDocument(
        *doc, {"Helvetica", 12},
        {
            {"left", {"Pandoc sample|b 18pt"}},
            {"left",
             {"Plain, ", "bold|b", ", ", "italic|i", ", ", "struck|s", ", ", "both|b i", " and ",
              "code span|Courier", "."}},
            {"left", {"E = mc", "2|sup", " and H", "2|sub", "O."}},
            {"left margin 24", {QStringLiteral("•\tFirst bullet")}},
            {"left margin 24", {QStringLiteral("•\tSecond bullet")}},
            {"left margin 48", {QStringLiteral("–\tNested bullet")}},
            {"left margin 24", {"1.\tStep one"}},
            {"left margin 24", {"2.\tStep two"}},
            {"left margin 24", {"3.\tStep three"}},
            {"left", {QStringLiteral("First line\u2028second line after a break.")}},
            {"left margin 48", {"Quoted paragraph."}},
            // Characters beyond the BMP come as surrogate pairs of \u.
            {"left",
             {QStringLiteral("Привет, мир; Ελληνικά; 日本語; café “quoted” — €5 \U0001F600.")}},
            // The link shows its result.
            {"left", {"A link|u", " in text."}},
            {"left", {"Name\tValue"}},
            {"left", {"alpha\t1"}},
            {"left", {"beta\t22"}},
            {"left", {}},
            {"left", {QStringLiteral("\uFFFC|image 40x30")}},
            {"left", {"Last paragraph."}},
        });
}
