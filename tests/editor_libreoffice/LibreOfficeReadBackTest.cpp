// Our RTF as another word processor reads it: LibreOffice Writer converts a document we
// wrote to HTML, and every paragraph must come back with the same text, alignment, list
// and formatting runs. Writer must be installed (the test command installs
// libreoffice-writer-nogui); without it the test fails rather than passing unchecked.
#include "CharacterOffset.h"
#include "HtmlParagraphs.h"
#include "rtf/RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>

namespace {
const QString Body = QStringLiteral("DejaVu Serif");

using Change = std::function<void(QTextCharFormat &)>;

void insert(QTextCursor &cursor, const QString &text, const Change &change = {})
{
    QTextCharFormat format;
    format.setFontFamilies({Body});
    format.setFontPointSize(12);
    if (change)
        change(format);
    cursor.insertText(text, format);
}

void newParagraph(QTextCursor &cursor, Qt::Alignment alignment = Qt::AlignLeft)
{
    QTextBlockFormat format;
    format.setAlignment(alignment);
    cursor.insertBlock(format);
}

// A new paragraph in `list`, which is created on first use.
void newItem(QTextCursor &cursor, QTextListFormat::Style style, int indent, QTextList *&list)
{
    newParagraph(cursor);
    if (list) {
        list->add(cursor.block());
        return;
    }
    QTextListFormat format;
    format.setStyle(style);
    format.setIndent(indent);
    list = cursor.createList(format);
}

QString describe(const QTextBlock &block)
{
    const Qt::Alignment alignment = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    QString text = alignment & Qt::AlignHCenter ? "center"
                   : alignment & Qt::AlignJustify
                       ? "justify"
                       : (alignment & (Qt::AlignRight | Qt::AlignTrailing) ? "right" : "left");
    if (const QTextList *list = block.textList()) {
        static const QHash<int, QString> types = {{QTextListFormat::ListDecimal, "1"},
                                                  {QTextListFormat::ListLowerAlpha, "a"},
                                                  {QTextListFormat::ListUpperAlpha, "A"},
                                                  {QTextListFormat::ListLowerRoman, "i"},
                                                  {QTextListFormat::ListUpperRoman, "I"}};
        const QTextListFormat format = list->format();
        const QString kind =
            types.contains(format.style()) ? "ol " + types.value(format.style()) : "ul";
        text += QStringLiteral(" %1 %2").arg(kind).arg(format.indent());
    }
    return text;
}

// The runs of a paragraph in the words HtmlParagraphs uses. HTML has no exact raise or
// lowering, so an offset reads as super- or subscript. Backgrounds are left out: Writer
// reads our \highlight as highlighting, which its HTML export does not carry.
QStringList describeRuns(const QTextBlock &block)
{
    QList<std::pair<QString, QString>> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        QStringList attributes;
        if (format.isImageFormat()) {
            runs.append({it.fragment().text(), QStringLiteral("image %1x%2")
                                                   .arg(qRound(format.toImageFormat().width()))
                                                   .arg(qRound(format.toImageFormat().height()))});
            continue;
        }
        if (format.fontWeight() >= QFont::Bold)
            attributes << "b";
        if (format.fontItalic())
            attributes << "i";
        if (format.fontUnderline())
            attributes << "u";
        if (format.fontStrikeOut())
            attributes << "s";
        if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            attributes << "sup";
        else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
            attributes << "sub";
        if (format.hasProperty(QTextFormat::ForegroundBrush))
            attributes << format.foreground().color().name();
        attributes << format.fontFamilies().toStringList().value(0)
                   << QString::number(format.fontPointSize()) + "pt";
        const QString joined = attributes.join(u' ');
        if (!runs.isEmpty() && runs.last().second == joined)
            runs.last().first += it.fragment().text();
        else
            runs.append({it.fragment().text(), joined});
    }
    QStringList result;
    for (const auto &[text, attributes] : runs)
        result << text + u'|' + attributes;
    return result;
}

std::vector<std::string> toStd(const QStringList &list)
{
    std::vector<std::string> result;
    for (const QString &item : list)
        result.push_back(item.toStdString());
    return result;
}

QString libreOffice()
{
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

// Converts `rtfPath` to HTML in `dir` with a profile of its own there, so that other runs
// and a desktop session of Writer are left alone.
QString convertToHtml(const QString &rtfPath, const QString &dir, QString *log)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(libreOffice(),
                  {"-env:UserInstallation=" + QUrl::fromLocalFile(dir + "/profile").toString(),
                   "--headless", "--norestore", "--convert-to", "html", "--outdir", dir, rtfPath});
    const bool finished = process.waitForFinished(180000);
    if (!finished)
        process.kill();
    *log = QString::fromLocal8Bit(process.readAll());
    QFile html(dir + "/" + QFileInfo(rtfPath).completeBaseName() + ".html");
    if (!finished || !html.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(html.readAll());
}
} // namespace

TEST(LibreOfficeReadBack, TextAlignmentListsAndRuns)
{
    ASSERT_FALSE(libreOffice().isEmpty())
        << "soffice is not installed: install libreoffice-writer-nogui";

    QTextDocument document;
    QTextCursor c(&document);
    insert(c, "Read back by LibreOffice", [](auto &f) {
        f.setFontWeight(QFont::Bold);
        f.setFontFamilies({QStringLiteral("DejaVu Sans")});
        f.setFontPointSize(16);
    });
    newParagraph(c);
    insert(c, "Plain, ");
    insert(c, "bold", [](auto &f) { f.setFontWeight(QFont::Bold); });
    insert(c, ", ");
    insert(c, "italic", [](auto &f) { f.setFontItalic(true); });
    insert(c, ", ");
    insert(c, "bold italic", [](auto &f) {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
    });
    insert(c, ", ");
    insert(c, "underlined", [](auto &f) { f.setFontUnderline(true); });
    insert(c, " and ");
    insert(c, "struck", [](auto &f) { f.setFontStrikeOut(true); });
    insert(c, " text; {braces} and \\backslash.");

    newParagraph(c);
    insert(c, "Colours: ");
    insert(c, "red", [](auto &f) { f.setForeground(Qt::red); });
    insert(c, ", ");
    insert(c, "bold blue italic", [](auto &f) {
        f.setForeground(QColor(0x00, 0x33, 0xcc));
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
    });
    insert(c, " and ");
    insert(c, "dark green", [](auto &f) { f.setForeground(QColor(0x00, 0x64, 0x00)); });
    insert(c, ".");

    newParagraph(c);
    insert(c, "Fonts: ");
    insert(c, "mono nine", [](auto &f) {
        f.setFontFamilies({QStringLiteral("DejaVu Sans Mono")});
        f.setFontPointSize(9);
    });
    insert(c, ", ");
    insert(c, "twenty", [](auto &f) { f.setFontPointSize(20); });
    insert(c, ", E = mc");
    insert(c, "2", [](auto &f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); });
    insert(c, ", H");
    insert(c, "2", [](auto &f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); });
    insert(c, "O, ");
    insert(c, "raised", [](auto &f) { CharacterOffset::set(f, 100); });
    insert(c, " and ");
    insert(c, "lowered", [](auto &f) { CharacterOffset::set(f, -60); });
    insert(c, ".");

    newParagraph(c, Qt::AlignHCenter);
    insert(c, QStringLiteral("Centred: Привет, «ёлка», Ελληνικά, café, € 5, “quoted” — "
                             "tab\tthen a line break\u2028second line"));
    // East Asian and Arabic text take fonts and styles of their own in word processors.
    newParagraph(c, Qt::AlignRight);
    insert(c, "Right: ");
    insert(c, QStringLiteral("日本語の文"), [](auto &f) { f.setFontWeight(QFont::Bold); });
    insert(c, " and ");
    insert(c, QStringLiteral("مرحبا بالعالم"), [](auto &f) { f.setFontItalic(true); });
    insert(c, ".");
    newParagraph(c, Qt::AlignJustify);
    insert(c, "Justified text that runs long enough to be wrapped by the exporter at least "
              "once, so that a wrapped line reads as the space it replaced.");

    QTextList *bullets = nullptr;
    QTextList *nested = nullptr;
    QTextList *numbers = nullptr;
    QTextList *letters = nullptr;
    newItem(c, QTextListFormat::ListDisc, 1, bullets);
    insert(c, "First bullet");
    newItem(c, QTextListFormat::ListDisc, 1, bullets);
    insert(c, "Second bullet, ");
    insert(c, "bold", [](auto &f) { f.setFontWeight(QFont::Bold); });
    newItem(c, QTextListFormat::ListCircle, 2, nested);
    insert(c, "Nested bullet");
    newItem(c, QTextListFormat::ListDecimal, 1, numbers);
    insert(c, "Step one");
    newItem(c, QTextListFormat::ListDecimal, 1, numbers);
    insert(c, "Step two");
    newItem(c, QTextListFormat::ListLowerAlpha, 1, letters);
    insert(c, "Letter a");

    newParagraph(c);
    insert(c, "Picture: ");
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    document.addResource(QTextDocument::ImageResource, QUrl("picture"), image);
    QTextImageFormat picture;
    picture.setName("picture");
    picture.setWidth(40);
    picture.setHeight(30);
    c.insertImage(picture);
    insert(c, " end.");

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString rtfPath = dir.filePath("document.rtf");
    QFile rtf(rtfPath);
    ASSERT_TRUE(rtf.open(QIODevice::WriteOnly));
    rtf.write(RtfWriter().write(document));
    rtf.close();

    QString log;
    const QString html = convertToHtml(rtfPath, dir.path(), &log);
    ASSERT_FALSE(html.isEmpty()) << "LibreOffice did not convert the file:\n" << log.toStdString();
    const QList<HtmlParagraphs::Paragraph> actual = HtmlParagraphs::parse(html);

    int index = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next(), ++index) {
        if (index >= actual.size()) {
            ADD_FAILURE() << "LibreOffice has no paragraph " << index << ": "
                          << block.text().toStdString();
            continue;
        }
        EXPECT_EQ(actual[index].block.toStdString(), describe(block).toStdString())
            << "paragraph " << index;
        EXPECT_EQ(toStd(actual[index].runs), toStd(describeRuns(block))) << "paragraph " << index;
    }
    EXPECT_EQ(actual.size(), document.blockCount());

    if (::testing::Test::HasFailure()) {
        dir.setAutoRemove(false);
        ADD_FAILURE() << "our RTF and LibreOffice's HTML are kept in " << dir.path().toStdString();
    }
}
