// What a listener hears of documents made by real producers (pandoc, LibreOffice, a PDF
// library), word for word against what a person reads in them, and the way back from every
// spoken word to the place the document shows it.
#include "DocumentFile.h"
#include "DocumentProbe.h"
#include "NoteFormat.h"
#include "SpokenText.h"
#include "TextWords.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>
#include <QTextTable>
#include <gtest/gtest.h>

namespace {
QString dataPath(const QString &name)
{
    return QStringLiteral(PARLANCE_TEST_DATA "/documents/") + name;
}

// Where two word sequences part, with the words around it, for a readable failure.
std::string firstDifference(const QStringList &ours, const QStringList &expected)
{
    qsizetype i = 0;
    while (i < ours.size() && i < expected.size() && ours[i] == expected[i])
        ++i;
    if (i == ours.size() && i == expected.size())
        return "none";
    return QStringLiteral("at word %1\n  heard:    ... %2\n  expected: ... %3")
        .arg(i)
        .arg(ours.mid(qMax<qsizetype>(0, i - 5), 15).join(u' '),
             expected.mid(qMax<qsizetype>(0, i - 5), 15).join(u' '))
        .toStdString();
}

QStringList expectedWords(const QString &name)
{
    QFile file(dataPath(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return textWords(QString::fromUtf8(file.readAll()));
}

bool load(const QString &name, QTextDocument &document, bool keepPageFurniture = false)
{
    DocumentFile::LoadOptions options;
    options.keepPageFurniture = keepPageFurniture;
    const DocumentFile::LoadResult result = DocumentFile::load(dataPath(name), &document, options);
    EXPECT_TRUE(result.ok()) << result.error.toStdString();
    return result.ok();
}

QStringList noteBlocks(const QTextDocument &document)
{
    QStringList notes;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (NoteFormat::isNote(block.blockFormat()))
            notes.append(block.text());
    return notes;
}

QString markersOf(const QTextDocument &document)
{
    QString markers;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (NoteFormat::isMarker(it.fragment().charFormat()))
                markers += it.fragment().text().trimmed() + u' ';
    return markers.trimmed();
}
} // namespace

TEST(DocumentReading, ProducerFilesAreHeardAsAPersonReadsThem)
{
    struct Sample
    {
        QString file;
        QString heard; // what a person reads in it, written down beside it
        QString markers;
    };
    const QList<Sample> samples = {
        {"journal.pdf", "journal.pdf.spoken.txt", "1 1 2 2 3 3"},
        {"reading.epub", "reading.spoken.txt", "1 1 1 1"},
        {"reading.html", "reading.spoken.txt", "1 1 2 2"},
        {"notes.docx", "notes.spoken.txt", "1 1 i i"},
        {"notes.odt", "notes.spoken.txt", "1 1 i i"},
    };
    for (const Sample &sample : samples) {
        SCOPED_TRACE(sample.file.toStdString());
        QTextDocument document;
        if (!load(sample.file, document))
            continue;
        const QStringList heard = textWords(SpokenText::fromDocument(document).text());
        const QStringList expected = expectedWords(sample.heard);
        EXPECT_EQ(heard, expected) << firstDifference(heard, expected);
        // Each note is shown as one after its paragraph, its marker (and its own number)
        // shown and not heard.
        EXPECT_EQ(markersOf(document), sample.markers);
        EXPECT_EQ(noteBlocks(document).size(), sample.markers.count(u' ') / 2 + 1);
    }

    // Merged cells are shown merged; a text box is a paragraph of its own.
    for (const QString file : {"notes.docx", "notes.odt"}) {
        SCOPED_TRACE(file.toStdString());
        QTextDocument document;
        ASSERT_TRUE(load(file, document));
        QTextTable *table = document.find("Crop and month").currentTable();
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->cellAt(0, 0).columnSpan(), 2);
        EXPECT_EQ(table->cellAt(1, 2).rowSpan(), 2);
        EXPECT_EQ(table->cellAt(1, 2).firstCursorPosition().block().text(), "Six");
        EXPECT_TRUE(DocumentProbe::paragraphs(document).contains("The gate closes at dusk."));
    }

    // A chapter after a list is a heading of its own, not the list's next item; the table
    // of contents is not read before the first chapter.
    QTextDocument book;
    ASSERT_TRUE(load("reading.epub", book));
    const QTextBlock chapter = DocumentProbe::blockOf(book, "Chapter Two");
    EXPECT_EQ(chapter.blockFormat().headingLevel(), 1);
    EXPECT_EQ(chapter.textList(), nullptr);
    EXPECT_EQ(DocumentProbe::blockOf(book, "Chapter Three").blockFormat().headingLevel(), 1);

    // The journal: a table read by rows, a heading; page heads and numbers are kept only on
    // request.
    QTextDocument journal;
    ASSERT_TRUE(load("journal.pdf", journal));
    const QStringList paragraphs = DocumentProbe::paragraphs(journal);
    EXPECT_TRUE(paragraphs.contains("Onions\tMarch\t4"));
    EXPECT_EQ(DocumentProbe::blockOf(journal, "Gardening by the Moon").blockFormat().headingLevel(),
              1);
    EXPECT_FALSE(journal.toPlainText().contains("Imaginary"));
    QTextDocument kept;
    ASSERT_TRUE(load("journal.pdf", kept, true));
    EXPECT_TRUE(paragraphs.size() < DocumentProbe::paragraphs(kept).size());
    EXPECT_TRUE(kept.toPlainText().contains("Journal of Imaginary Studies Vol. 12"));
    EXPECT_TRUE(DocumentProbe::paragraphs(kept).contains("17"));
}

TEST(DocumentReading, SpokenTextMapsEveryWordBackToWhereItIsShown)
{
    QTextDocument document;
    document.addResource(QTextDocument::ImageResource, QUrl("can.png"),
                         QImage(4, 4, QImage::Format_RGB32));
    QTextCursor(&document).insertHtml(
        "<h1>Tools</h1>"
        "<ol><li>a spade</li><li>a fork</li></ol>"
        "<p>The oﬃce of the ＳＯＣＩＥＴＹ is near<img src=\"can.png\" alt=\"A can\"/>the gate; "
        "read\u00ADing room.</p>"
        "<table><tr><td>Onions</td><td>March</td></tr></table>"
        "<p>End</p>");
    const SpokenText spoken = SpokenText::fromDocument(document);
    EXPECT_EQ(spoken.text().toStdString(),
              "Tools.\n1. a spade.\n2. a fork.\nThe office of the SOCIETY is near "
              "Picture: A can. the gate; reading room.\nOnions.\nMarch.\n\nEnd");

    const QString shown = document.toPlainText();
    const auto shownAt = [&](const QString &word) {
        const SpokenText::Range range =
            spoken.documentRange(int(spoken.text().indexOf(word)), int(word.size()));
        return shown.mid(range.start, range.length);
    };
    EXPECT_EQ(shownAt("office"), "oﬃce");
    EXPECT_EQ(shownAt("SOCIETY"), "ＳＯＣＩＥＴＹ");
    EXPECT_EQ(shownAt("reading"), "read\u00ADing");
    EXPECT_EQ(shownAt("a fork"), "a fork");
    // Words said for the listener mark nothing; a cell's last word and the break after it
    // never reach into the next cell.
    EXPECT_EQ(shownAt("1. "), "");
    EXPECT_EQ(shownAt("Picture: A can."), "");
    EXPECT_EQ(shownAt("Onions.\n"), "Onions");
    EXPECT_EQ(spoken.documentPosition(int(spoken.text().indexOf("Picture"))),
              int(shown.indexOf(QChar::ObjectReplacementCharacter)));

    // A stretch of the document: from inside a word to inside a cell.
    const int from = int(shown.indexOf("oﬃce"));
    const int to = int(shown.indexOf("Onions") + 3);
    const SpokenText part = SpokenText::fromDocument(document, from, to);
    EXPECT_EQ(part.text().toStdString(),
              "office of the SOCIETY is near Picture: A can. the gate; reading "
              "room.\nOni");
    EXPECT_EQ(part.documentPosition(0), from);
    EXPECT_EQ(part.documentRange(int(part.text().size()) - 3, 3).start, to - 3);
}

TEST(DocumentReading, PagesAndSectionsComeInTheOrderTheyAreWritten)
{
    static const QStringList Crops = {"barley", "oats",   "rye",     "beans",  "peas",
                                      "onions", "leeks",  "carrots", "beets",  "kale",
                                      "chard",  "squash", "garlic",  "fennel", "spinach"};
    const auto sown = [](int page) {
        return QStringLiteral("The %1 went in by the %2 hedge.")
            .arg(Crops[page - 1], Crops[Crops.size() - page]);
    };
    QTemporaryDir dir;
    // A long PDF is read by two threads on a machine with two cores: its pages still follow
    // one another, each once, its furniture still known from all of them.
    const QString pdf = dir.filePath("long.pdf");
    {
        QPdfWriter writer(pdf);
        QPainter painter(&writer);
        QFont font("DejaVu Sans");
        font.setPointSize(12);
        painter.setFont(font);
        const int line = painter.fontMetrics().height();
        for (int page = 1; page <= Crops.size(); ++page) {
            if (page > 1)
                writer.newPage();
            painter.drawText(100, 2 * line, "Almanac of the Lower Field");
            painter.drawText(100, 5 * line, sown(page));
            painter.drawText(100, 60 * line, QString::number(page));
        }
    }
    QTextDocument document;
    const DocumentFile::LoadResult loaded =
        DocumentFile::load(pdf, &document, DocumentFile::LoadOptions());
    ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
    QStringList expected;
    for (int page = 1; page <= Crops.size(); ++page)
        expected.append(sown(page));
    EXPECT_EQ(document.toPlainText().simplified(), expected.join(u' '));

    // HTML 5 sections become blocks where they stand: their classes still style them, a '>'
    // or "id=" inside a quoted value is left as it is, and nothing is glued or lost.
    const QString page = dir.filePath("sections.html");
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><head><style>.loud { font-weight: bold }</style></head><body>"
               "<section id=\"one\" class=\"loud\"><h1>First</h1><p>Alpha.</p></section>"
               "<SECTION title=\"a > b id=c\" id='two'><p>Beta.</p></SECTION>"
               "<section class=\"quiet\"><p>Write id=5 here.</p></section>"
               "<aside id=three>Gamma.</aside><nav\nid = \"four\" class=loud>Delta.</nav>"
               "</body></html>");
    file.close();
    QTextDocument sections;
    ASSERT_TRUE(DocumentFile::load(page, &sections, DocumentFile::LoadOptions()).ok());
    EXPECT_EQ(DocumentProbe::paragraphs(sections),
              QStringList({"First", "Alpha.", "Beta.", "Write id=5 here.", "Gamma.", "Delta."}));
    const auto bold = [&sections](const QString &text) {
        return DocumentProbe::blockOf(sections, text)
                   .begin()
                   .fragment()
                   .charFormat()
                   .fontWeight() == QFont::Bold;
    };
    EXPECT_TRUE(bold("Alpha.") && bold("Delta."));
    EXPECT_FALSE(bold("Beta.") || bold("Gamma."));
}
