// Outside formats opened from files made by real producers, compared with independent
// readers of the same files; and hostile files refused with a message, never a crash.
#include "DocumentChapters.h"
#include "DocumentFile.h"
#include "DocumentProbe.h"
#include "formats/ImportLimits.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

namespace {
using P = DocumentProbe;

QString dataPath(const QString &name)
{
    return QStringLiteral(PARLANCE_TEST_DATA "/documents/") + name;
}

// Text without whitespace, list bullets, table rules, picture marks and names ("[...]" in
// pandoc's rendering) and the direction marks pdftotext puts around right-to-left words:
// what is left is what is read aloud.
QString reading(QString text)
{
    static const QRegularExpression picture(QStringLiteral("\\[[^\\]]*\\]"));
    text.remove(picture);
    QString out;
    for (const QChar c : text) {
        if (c.isSpace() || c == u'-' || c == u'•' || c == u'[' || c == u']' ||
            c == QChar::ObjectReplacementCharacter ||
            (c.unicode() >= 0x202A && c.unicode() <= 0x202E))
            continue;
        out += c;
    }
    return out;
}

// Characters to insert, delete or change to turn one text into the other.
int editDistance(const QString &a, const QString &b)
{
    QList<int> row(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] =
                qMin(qMin(row[j] + 1, row[j - 1] + 1), diagonal + (a[i - 1] == b[j - 1] ? 0 : 1));
            diagonal = above;
        }
    }
    return row[b.size()];
}

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

DocumentFile::LoadResult load(const QString &path, QTextDocument &document,
                              const QString &password = QString())
{
    DocumentFile::LoadOptions options;
    options.password = password;
    return DocumentFile::load(path, &document, options);
}

// A zip archive of the given entries, compressed fast.
QString writeZip(const QTemporaryDir &dir, const QString &name,
                 const QList<QPair<QString, QByteArray>> &entries)
{
    const QString path = dir.filePath(name);
    int error = 0;
    zip_t *archive = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive, nullptr);
    for (const auto &[entry, bytes] : entries) {
        zip_source_t *source = zip_source_buffer(archive, bytes.constData(), bytes.size(), 0);
        const zip_int64_t index = zip_file_add(archive, entry.toUtf8().constData(), source, 0);
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
    }
    EXPECT_EQ(zip_close(archive), 0);
    return path;
}

// A DOCX whose body inflates to `megabytes` of zeros, written by hand: one megabyte
// deflated once and its bytes repeated (each piece ends on a full flush, so pieces chain),
// which is how such files are made small. Compressing the zeros for real would take longer
// than the whole test should.
QByteArray zipBomb(int megabytes)
{
    const QByteArray zeros(1024 * 1024, '0');
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray piece(4096, '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(zeros.constData()));
    z.avail_in = uInt(zeros.size());
    z.next_out = reinterpret_cast<Bytef *>(piece.data());
    z.avail_out = uInt(piece.size());
    deflate(&z, Z_FULL_FLUSH);
    piece.resize(piece.size() - z.avail_out);
    deflateEnd(&z);
    const QByteArray body = piece.repeated(megabytes) + QByteArray("\x03\x00", 2);

    const auto u16 = [](QByteArray &b, quint16 v) {
        b.append(char(v & 0xFF)).append(char(v >> 8));
    };
    const auto u32 = [&](QByteArray &b, quint32 v) {
        u16(b, quint16(v));
        u16(b, quint16(v >> 16));
    };
    struct Entry
    {
        QByteArray name, data;
        quint16 method;
        quint32 size;
    };
    const QList<Entry> entries = {{"[Content_Types].xml", "", 0, 0},
                                  {"word/document.xml", body, 8, quint32(megabytes) << 20}};
    QByteArray file, central;
    for (const Entry &e : entries) {
        const quint32 offset = quint32(file.size());
        for (QByteArray *b : {&file, &central}) {
            u32(*b, b == &file ? 0x04034b50 : 0x02014b50);
            if (b == &central)
                u16(*b, 20);
            u16(*b, 20);
            u16(*b, 0);
            u16(*b, e.method);
            u16(*b, 0);
            u16(*b, 0x21);
            u32(*b, 0); // the CRC is never reached: reading stops at the cap first
            u32(*b, quint32(e.data.size()));
            u32(*b, e.size);
            u16(*b, quint16(e.name.size()));
            u16(*b, 0);
            if (b == &central) {
                u16(*b, 0);
                u16(*b, 0);
                u16(*b, 0);
                u32(*b, 0);
                u32(*b, offset);
            }
            b->append(e.name);
        }
        file += e.data;
    }
    const quint32 centralOffset = quint32(file.size());
    file += central;
    u32(file, 0x06054b50);
    u16(file, 0);
    u16(file, 0);
    u16(file, 2);
    u16(file, 2);
    u32(file, quint32(central.size()));
    u32(file, centralOffset);
    u16(file, 0);
    return file;
}

QByteArray epubContainer()
{
    return "<?xml version=\"1.0\"?><container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:"
           "container\" version=\"1.0\"><rootfiles><rootfile full-path=\"OEBPS/book.opf\" "
           "media-type=\"application/oebps-package+xml\"/></rootfiles></container>";
}

QByteArray epubPackage(const QByteArray &href)
{
    return "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\"><manifest>"
           "<item id=\"c1\" href=\"" +
           href +
           "\" media-type=\"application/xhtml+xml\"/>"
           "</manifest><spine><itemref idref=\"c1\"/></spine></package>";
}

QByteArray docxTypes()
{
    return "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/"
           "2006/content-types\"/>";
}

bool anyBlock(const QTextDocument &document, const std::function<bool(const QTextBlock &)> &test)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (test(block))
            return true;
    }
    return false;
}

QTextBlock blockStarting(const QTextDocument &document, const QString &start)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.text().trimmed().startsWith(start))
            return block;
    }
    return QTextBlock();
}
} // namespace

// Every sample as its producer wrote it: the text must match what pdftotext or pandoc
// read from the same file, and what the eye relies on must be there.
TEST(DocumentFormats, ProducerFilesMatchIndependentReadersAndKeepTheirStructure)
{
    // Differences allowed, in characters of about 310: list numbers ("1.", "2."), a
    // picture's caption that one reader shows and another does not ("Asmallfigure"), an
    // EPUB title page that pandoc leaves out of its rendering ("Sample").
    constexpr int MaxDifferingCharacters = 24;
    enum Structure { Words, Formatting, Everything };
    struct Sample
    {
        QString file;
        DocumentFormat::Kind format;
        // A PDF carries words only; LibreOffice's EPUB keeps bold, italic, the table and the
        // picture but writes headings and list items as plain paragraphs.
        Structure structure;
    };
    const QList<Sample> samples = {
        {"office.pdf", DocumentFormat::Pdf, Words},
        {"pandoc.docx", DocumentFormat::Docx, Everything},
        {"office.docx", DocumentFormat::Docx, Everything},
        {"pandoc.odt", DocumentFormat::Odt, Everything},
        {"office.odt", DocumentFormat::Odt, Everything},
        {"pandoc.epub", DocumentFormat::Epub, Everything},
        {"office.epub", DocumentFormat::Epub, Formatting},
        {"sample.html", DocumentFormat::Html, Everything},
        {"sample.md", DocumentFormat::Markdown, Everything},
    };
    for (const Sample &sample : samples) {
        SCOPED_TRACE(sample.file.toStdString());
        QTextDocument document;
        const DocumentFile::LoadResult result = load(dataPath(sample.file), document);
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_EQ(result.format, sample.format);

        const QString ours = reading(document.toPlainText());
        const QString theirs = reading(fileText(dataPath(sample.file + ".txt")));
        ASSERT_FALSE(theirs.isEmpty());
        EXPECT_LE(editDistance(ours, theirs), MaxDifferingCharacters)
            << "ours:   " << ours.toStdString() << "\ntheirs: " << theirs.toStdString();
        for (const QString words :
             {"Καλημέρα κόσμε", "Привет, мир", "你好世界", "The last paragraph"})
            EXPECT_TRUE(document.toPlainText().contains(words)) << words.toStdString();

        // Paragraphs stay paragraphs, in order.
        const QTextBlock heading = blockStarting(document, "Reading aloud");
        ASSERT_TRUE(heading.isValid());
        EXPECT_EQ(heading.text().trimmed(), "Reading aloud");
        EXPECT_TRUE(blockStarting(document, "Languages").isValid());
        if (sample.structure == Words) {
            // A table is read row by row, as it is drawn.
            const QTextBlock header = blockStarting(document, "Name");
            EXPECT_EQ(header.text(), "Name\tValue");
            EXPECT_EQ(header.next().text(), "alpha\tone");
            EXPECT_EQ(header.next().next().text(), "beta\ttwo");
            continue;
        }

        EXPECT_TRUE(P::isBold(P::formatOf(document, "bold words")));
        EXPECT_FALSE(P::isBold(P::formatOf(document, "A first")));
        EXPECT_TRUE(P::formatOf(document, "italic words").fontItalic());
        if (sample.structure == Everything) {
            EXPECT_GE(heading.blockFormat().headingLevel(), 1);
            const QTextBlock greek = blockStarting(document, "Greek");
            const QTextBlock second = blockStarting(document, "Second step");
            ASSERT_TRUE(greek.isValid() && second.isValid());
            ASSERT_NE(greek.textList(), nullptr);
            ASSERT_NE(second.textList(), nullptr);
            EXPECT_EQ(second.textList()->format().style(), QTextListFormat::ListDecimal);
            EXPECT_NE(greek.textList(), second.textList());
            // LibreOffice's DOCX starts a list of its own for each numbered item (pandoc
            // reads it the same way); elsewhere the second item is number two.
            if (sample.file != "office.docx") {
                EXPECT_EQ(second.textList()->itemNumber(second), 1);
            }
        }
        // The table is a table, its rows readable as rows.
        const QTextCursor alpha = document.find("alpha");
        ASSERT_FALSE(alpha.isNull());
        QTextTable *table = alpha.currentTable();
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->columns(), 2);
        EXPECT_EQ(table->cellAt(alpha).column(), 0);
        // The picture is there and its pixels came with it.
        const bool picture = anyBlock(document, [&](const QTextBlock &block) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                if (f.isImageFormat() &&
                    !document.resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name()))
                         .value<QImage>()
                         .isNull())
                    return true;
            }
            return false;
        });
        EXPECT_TRUE(picture);
    }
}

TEST(DocumentFormats, PdfJoinsHyphenatedWordsAndAsksForAPassword)
{
    QTextDocument document;
    QTextCursor(&document).insertText("kept");
    DocumentFile::LoadResult result = load(dataPath("locked.pdf"), document);
    EXPECT_EQ(result.outcome, DocumentFile::LoadResult::NeedsPassword);
    EXPECT_TRUE(result.error.contains("locked.pdf"));
    EXPECT_EQ(load(dataPath("locked.pdf"), document, "wrong").outcome,
              DocumentFile::LoadResult::NeedsPassword);
    EXPECT_EQ(document.toPlainText(), "kept");
    ASSERT_TRUE(load(dataPath("locked.pdf"), document, "secret").ok());
    EXPECT_TRUE(document.toPlainText().contains("The last paragraph ends the sample."));

    // Cancel, as the progress dialog's button sets it, leaves the document as it was.
    const QString before = document.toPlainText();
    const std::atomic_bool cancelled = true;
    DocumentFile::LoadOptions options;
    options.cancel = &cancelled;
    for (const QString name : {"office.pdf", "pandoc.docx", "office.odt", "pandoc.epub"}) {
        EXPECT_EQ(DocumentFile::load(dataPath(name), &document, options).outcome,
                  DocumentFile::LoadResult::Cancelled)
            << name.toStdString();
    }
    EXPECT_EQ(document.toPlainText(), before);

    // A PDF of pictures only (a scan) says there is nothing to read.
    QTemporaryDir dir;
    const QString scan = dir.filePath("scan.pdf");
    {
        QPdfWriter writer(scan);
        QPainter painter(&writer);
        QImage page(200, 100, QImage::Format_RGB32);
        page.fill(Qt::gray);
        painter.drawImage(QRect(0, 0, 2000, 1000), page);
    }
    result = load(scan, document);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains("scan.pdf") && result.error.contains("no text"))
        << result.error.toStdString();

    // Words broken at a line end are read whole; the break stays where the word does not go on.
    const QString hyphenated = dir.filePath("hyphen.pdf");
    {
        QPdfWriter writer(hyphenated);
        QPainter painter(&writer);
        QFont font("DejaVu Sans");
        font.setPointSize(12);
        painter.setFont(font);
        const int line = painter.fontMetrics().height();
        painter.drawText(100, 2 * line, "The reader pronoun-");
        painter.drawText(100, 3 * line, "ces every word, well-");
        painter.drawText(100, 4 * line, "Known or not.");
    }
    ASSERT_TRUE(load(hyphenated, document).ok());
    EXPECT_EQ(document.toPlainText().simplified(),
              "The reader pronounces every word, well- Known or not.");
}

TEST(DocumentFormats, HostileAndBrokenFilesAreRefusedWithAMessage)
{
    QTemporaryDir dir;
    QTextDocument document;
    QTextCursor(&document).insertText("kept");
    const auto refused = [&](const QString &path, const char *because) {
        SCOPED_TRACE(path.toStdString());
        const DocumentFile::LoadResult result = load(path, document);
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.error.contains(path)) << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(because)) << result.error.toStdString();
        EXPECT_EQ(document.toPlainText(), "kept");
    };

    // A program is not a document, whatever its name.
    QFile::copy("/bin/ls", dir.filePath("program.txt"));
    refused(dir.filePath("program.txt"), "not a document");

    // A zip bomb: 300 KB that unpack to 300 MB.
    QFile bomb(dir.filePath("bomb.docx"));
    ASSERT_TRUE(bomb.open(QIODevice::WriteOnly));
    bomb.write(zipBomb(300));
    bomb.close();
    refused(bomb.fileName(), "more than 256 MB");

    // XML nested far beyond any real document, in each zip format.
    const QByteArray deep = "<w:document xmlns:w=\"w\"><w:body>" +
                            QByteArray("<w:sdt>").repeated(5000) + "</w:body></w:document>";
    refused(writeZip(dir, "deep.docx",
                     {{"[Content_Types].xml", docxTypes()}, {"word/document.xml", deep}}),
            "nests more than");
    refused(writeZip(dir, "deep.odt",
                     {{"mimetype", "application/vnd.oasis.opendocument.text"},
                      {"content.xml", "<a>" + QByteArray("<b>").repeated(5000)}}),
            "nests more than");
    const QByteArray deepChapter = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body>" +
                                   QByteArray("<div>").repeated(5000) + "</body></html>";
    refused(writeZip(dir, "deep.epub",
                     {{"mimetype", "application/epub+zip"},
                      {"META-INF/container.xml", epubContainer()},
                      {"OEBPS/book.opf", epubPackage("c.xhtml")},
                      {"OEBPS/c.xhtml", deepChapter}}),
            "nests more than");
    QFile html(dir.filePath("nested.html"));
    ASSERT_TRUE(html.open(QIODevice::WriteOnly));
    html.write("<html><body>" + QByteArray("<div>").repeated(100000));
    html.close();
    refused(html.fileName(), "nests more than");

    // Table cells spanning without end open with their spans cut, in HTML and in Markdown.
    for (const QString name : {"span.html", "span.md"}) {
        QFile spans(dir.filePath(name));
        ASSERT_TRUE(spans.open(QIODevice::WriteOnly));
        spans.write(QByteArray("<table><tr><td>a</td><td colspan=\"+99999\" ROWSPAN=99999>b</td>"
                               "</tr></table>")
                        .repeated(3));
        spans.close();
        QTextDocument opened;
        ASSERT_TRUE(load(spans.fileName(), opened).ok());
        QTextTable *table = opened.find("b").currentTable();
        ASSERT_NE(table, nullptr);
        EXPECT_LE(table->columns(), ImportLimits::MaxCellSpan + 1);
        EXPECT_LE(table->rows(), ImportLimits::MaxCellSpan);
    }

    // An EPUB spine that leaves the book.
    for (const QByteArray href : {"../../etc/passwd", "/etc/passwd", "text/../../x.xhtml"}) {
        refused(writeZip(dir, "escape.epub",
                         {{"mimetype", "application/epub+zip"},
                          {"META-INF/container.xml", epubContainer()},
                          {"OEBPS/book.opf", epubPackage(href)}}),
                "not a file inside the book");
    }

    // Entity expansion ("billion laughs") in a DOCX body.
    const QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\">"
                              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><d>&b;</d>";
    refused(writeZip(dir, "laughs.docx",
                     {{"[Content_Types].xml", docxTypes()}, {"word/document.xml", laughs}}),
            "declares entities");

    // A PDF of 100 000 (empty) pages.
    QByteArray pdf = "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
                     "2 0 obj<</Type/Pages/Count 100000/MediaBox[0 0 9 9]/Kids[";
    QByteArray objects;
    for (int i = 3; i < 100003; ++i) {
        pdf += QByteArray::number(i) + " 0 R ";
        objects += QByteArray::number(i) + " 0 obj<</Type/Page/Parent 2 0 R>>endobj\n";
    }
    pdf += "]>>endobj\n" + objects + "trailer<</Root 1 0 R>>\n%%EOF\n";
    QFile pages(dir.filePath("pages.pdf"));
    ASSERT_TRUE(pages.open(QIODevice::WriteOnly));
    pages.write(pdf);
    pages.close();
    refused(pages.fileName(), "100000 pages");

    // Markdown that crashed Qt's cursor import (found by fuzzing) opens as an empty list.
    QFile markdown(dir.filePath("item.md"));
    ASSERT_TRUE(markdown.open(QIODevice::WriteOnly));
    markdown.write("\r+");
    markdown.close();
    EXPECT_TRUE(load(markdown.fileName(), document).ok());
    // A paragraph of many small pieces, which Qt's import laid out again after each (found
    // by fuzzing: minutes for this file).
    ASSERT_TRUE(markdown.open(QIODevice::WriteOnly | QIODevice::Truncate));
    markdown.write(QByteArray("*x*y ").repeated(20000));
    markdown.close();
    EXPECT_TRUE(load(markdown.fileName(), document).ok());
    QTextCursor(&document).insertText("kept");

    // Truncated samples: a clear message or what could be read, never a crash.
    for (const QString name : {"office.pdf", "pandoc.docx", "office.odt", "pandoc.epub"}) {
        const QByteArray bytes = fileBytes(dataPath(name));
        for (const qsizetype cut : {qsizetype(16), bytes.size() / 2, bytes.size() - 30}) {
            QFile part(dir.filePath("cut-" + name));
            ASSERT_TRUE(part.open(QIODevice::WriteOnly | QIODevice::Truncate));
            part.write(bytes.left(cut));
            part.close();
            QTextDocument cutDocument;
            const DocumentFile::LoadResult result = load(part.fileName(), cutDocument);
            if (!result.ok()) {
                EXPECT_TRUE(result.error.contains(part.fileName())) << result.error.toStdString();
            }
        }
    }
}

TEST(DocumentFormats, PdfTablesAreReadByRowsWhileColumnsOfTextStayColumns)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("table.pdf");
    const QString left = QStringLiteral(
        "The left column tells its own story from the top of the page to the bottom, line "
        "after line, and it must be read to its end before the right column begins.");
    const QString right = QStringLiteral(
        "The right column goes on with another story that is set beside the other one, and "
        "none of its lines may be read in between the lines of the left column.");
    {
        QPdfWriter writer(path);
        QPainter painter(&writer);
        QFont font("DejaVu Sans");
        font.setPointSize(10);
        painter.setFont(font);
        const int line = painter.fontMetrics().height();
        const QStringList rows = {"Name Age City", "Ann 31 Oslo", "Bob 4 Rome"};
        for (int r = 0; r < rows.size(); ++r) {
            const QStringList cells = rows[r].split(u' ');
            for (int c = 0; c < cells.size(); ++c)
                painter.drawText(200 + c * 2400, (2 + r) * line, cells[c]);
        }
        // Two columns of justified text with a gutter of two line heights.
        const int width = (writer.width() - 400 - 2 * line) / 2;
        const int top = 8 * line;
        painter.drawText(QRect(200, top, width, 20 * line), Qt::TextWordWrap | Qt::AlignJustify,
                         left);
        painter.drawText(QRect(200 + width + 2 * line, top, width, 20 * line),
                         Qt::TextWordWrap | Qt::AlignJustify, right);
    }
    QTextDocument document;
    ASSERT_TRUE(load(path, document).ok());
    const QStringList paragraphs = P::paragraphs(document);
    const qsizetype header = paragraphs.indexOf("Name\tAge\tCity");
    ASSERT_GE(header, 0) << document.toPlainText().toStdString();
    EXPECT_EQ(paragraphs.mid(header + 1, 2), QStringList({"Ann\t31\tOslo", "Bob\t4\tRome"}));
    EXPECT_TRUE(paragraphs.contains(left)) << document.toPlainText().toStdString();
    EXPECT_TRUE(paragraphs.contains(right));
}

namespace {
QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile out(dir.filePath(name));
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    return out.fileName();
}

// A PDF of one page per text, written by hand so that its Info dictionary (and any further
// objects, from number 100 on) say what the test needs; poppler finds the objects without a
// cross-reference table. Page i is object 10 + 2i, its content 11 + 2i.
QByteArray handMadePdf(const QStringList &pages, const QByteArray &info,
                       const QByteArray &more = {}, const QByteArray &catalog = {})
{
    QByteArray kids;
    QByteArray objects;
    for (int i = 0; i < pages.size(); ++i) {
        const QByteArray page = QByteArray::number(10 + 2 * i);
        const QByteArray content = QByteArray::number(11 + 2 * i);
        const QByteArray text = "BT /F1 12 Tf 20 700 Td (" + pages[i].toLatin1() + ") Tj ET";
        kids += page + " 0 R ";
        objects += page +
                   " 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 600 800]/Resources<<"
                   "/Font<</F1 3 0 R>>>>/Contents " +
                   content + " 0 R>>endobj\n" + content + " 0 obj<</Length " +
                   QByteArray::number(text.size()) + ">>stream\n" + text + "\nendstream endobj\n";
    }
    return "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R" + catalog +
           ">>endobj\n2 0 obj<</Type/Pages/Count " + QByteArray::number(pages.size()) + "/Kids[" +
           kids +
           "]>>endobj\n3 0 obj<</Type/Font/Subtype/Type1/BaseFont/Helvetica>>endobj\n"
           "4 0 obj<<" +
           info + ">>endobj\n" + objects + more + "trailer<</Root 1 0 R/Info 4 0 R>>\n%%EOF\n";
}
} // namespace

// Each format's title, author and language reach the load's result and stay with the
// document; what names no language ("C") or is absent stays empty.
TEST(DocumentFormats, TitleAuthorAndLanguageOfEveryFormat)
{
    QTemporaryDir dir;
    const auto file = [&dir](const QString &name, const QByteArray &bytes) {
        return writeFile(dir, name, bytes);
    };
    const QByteArray dc = "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"";
    const QByteArray body = "<w:document xmlns:w=\"w\"><w:body><w:p><w:r><w:t>Text</w:t></w:r>"
                            "</w:p></w:body></w:document>";
    const QList<std::pair<QString, DocumentMetadata>> cases = {
        {writeZip(dir, "book.epub",
                  {{"mimetype", "application/epub+zip"},
                   {"META-INF/container.xml", epubContainer()},
                   {"OEBPS/book.opf",
                    epubPackage("c.xhtml").replace(
                        "<manifest>", "<metadata " + dc +
                                          "><dc:title>Der Process</dc:title><dc:creator>Franz "
                                          "Kafka</dc:creator><dc:creator>Max Brod</dc:creator>"
                                          "<dc:language>de-at</dc:language></metadata><manifest>")},
                   {"OEBPS/c.xhtml", "<html><body><p>Text</p></body></html>"}}),
         {"Der Process", "Franz Kafka, Max Brod", "de-AT"}},
        {writeZip(
             dir, "core.docx",
             {{"[Content_Types].xml", docxTypes()},
              {"word/document.xml", body},
              {"word/styles.xml", "<w:styles xmlns:w=\"w\"><w:docDefaults><w:rPrDefault><w:rPr>"
                                  "<w:lang w:val=\"en-GB\"/></w:rPr></w:rPrDefault>"
                                  "</w:docDefaults></w:styles>"},
              {"docProps/core.xml", "<cp:coreProperties xmlns:cp=\"c\" " + dc +
                                        "><dc:title>Minutes</dc:title><dc:creator>Ann "
                                        "Lee</dc:creator></cp:coreProperties>"}}),
         {"Minutes", "Ann Lee", "en-GB"}},
        {writeZip(
             dir, "meta.odt",
             {{"mimetype", "application/vnd.oasis.opendocument.text"},
              {"content.xml", "<office:document-content xmlns:office=\"o\" xmlns:text=\"t\">"
                              "<office:body><office:text><text:p>Text</text:p></office:text>"
                              "</office:body></office:document-content>"},
              {"styles.xml", "<s xmlns:style=\"s\" xmlns:fo=\"f\"><style:default-style "
                             "style:family=\"paragraph\"><style:text-properties "
                             "fo:language=\"fr\" fo:country=\"CA\"/></style:default-style></s>"},
              {"meta.xml", "<m xmlns:meta=\"m\" " + dc +
                               "><dc:title>Notes</dc:title><meta:initial-creator>Zoe"
                               "</meta:initial-creator><dc:creator>Editor</dc:creator></m>"}}),
         {"Notes", "Zoe", "fr-CA"}},
        {file("page.html", "<html lang=\"pt_br\"><head><title>A &amp; B</title><meta "
                           "content=\"Ana Sousa\" name=\"Author\"></head><body>Text</body></html>"),
         {"A & B", "Ana Sousa", "pt-BR"}},
        {file("front.md", "---\ntitle: \"Field notes\"\nauthor:\n  - Ann\n  - Bob\nlang: en\n"
                          "---\n# Day one\n\nText\n"),
         {"Field notes", "Ann, Bob", "en"}},
        {file("info.rtf", "{\\rtf1\\ansi\\deflang3079{\\info{\\title Reise}{\\author "
                          "Jos\\'e9 Ruiz}{\\operator x}}\\pard Text\\par}"),
         {"Reise", "Jos\u00e9 Ruiz", "de-AT"}},
        {file("info.pdf", handMadePdf({"Text"}, "/Title(Annual Report)/Author(Ann Smith)")),
         {"Annual Report", "Ann Smith", ""}},
        {file("plain.txt", "Text\n"), {}},
        {dataPath("pandoc.epub"), {"Sample", "", ""}},
        {dataPath("office.docx"), {"", "", "en-US"}},
        {dataPath("office.odt"), {"", "", "en-US"}},
        {dataPath("sample.html"), {"Sample", "", ""}},
    };
    for (const auto &[path, expected] : cases) {
        SCOPED_TRACE(path.toStdString());
        QTextDocument document;
        const DocumentFile::LoadResult result = load(path, document);
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_EQ(result.metadata.title, expected.title);
        EXPECT_EQ(result.metadata.author, expected.author);
        EXPECT_EQ(result.metadata.language, expected.language);
        EXPECT_EQ(DocumentMetadata::of(document), result.metadata);
        EXPECT_TRUE(document.toPlainText().contains("Text") || !path.startsWith(dir.path()));
        EXPECT_FALSE(document.toPlainText().contains("Field notes")); // front matter is not text
    }
}

// Chapters: the spine of an e-book (its title page and an empty cover joining the first
// chapter), the bookmarks of a PDF, the recurring top heading level of the other formats
// (a lone title above them is not a chapter), RTF headings by style name or outline level,
// which our own RTF keeps; one piece when there is nothing to split by.
TEST(DocumentFormats, ChaptersOfEveryFormat)
{
    QTemporaryDir dir;
    const auto file = [&dir](const QString &name, const QByteArray &bytes) {
        return writeFile(dir, name, bytes);
    };
    QByteArray spine;
    QByteArray manifest;
    QList<QPair<QString, QByteArray>> book = {{"mimetype", "application/epub+zip"},
                                              {"META-INF/container.xml", epubContainer()}};
    const QList<QByteArray> items = {
        "<img src=\"cover.png\"/>",
        "<section epub:type=\"titlepage\"><h1>Book</h1><p>Ann</p></section>",
        "<h1>One</h1><p>First text.</p>", "<p>Second text without a heading.</p>",
        "<h1>Three</h1><p>Third text.</p>"};
    for (int i = 0; i < items.size(); ++i) {
        const QByteArray name = "c" + QByteArray::number(i);
        manifest += "<item id=\"" + name + "\" href=\"" + name + ".xhtml\"/>";
        spine += "<itemref idref=\"" + name + "\"/>";
        book.append(
            {"OEBPS/" + name + ".xhtml",
             "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/"
             "2007/ops\"><body>" +
                 items[i] + "</body></html>"});
    }
    book.append({"OEBPS/book.opf", "<package xmlns=\"http://www.idpf.org/2007/opf\"><manifest>" +
                                       manifest + "</manifest><spine>" + spine +
                                       "</spine></package>"});
    QByteArray outline = "100 0 obj<</Type/Outlines/First 101 0 R/Last 103 0 R/Count 3>>endobj\n";
    const QStringList marks = {"Opening", "Middle", "Ending"};
    for (int i = 0; i < 3; ++i)
        outline += QByteArray::number(101 + i) + " 0 obj<</Title(" + marks[i].toLatin1() +
                   ")/Parent 100 0 R/Prev " + QByteArray::number(100 + i) + " 0 R/Next " +
                   QByteArray::number(102 + i) + " 0 R/Dest[" + QByteArray::number(10 + 2 * i) +
                   " 0 R/XYZ 0 800 0]>>endobj\n";
    const QByteArray docxStyles =
        "<w:styles xmlns:w=\"w\"><w:style w:styleId=\"T\"><w:name w:val=\"Title\"/></w:style>"
        "<w:style w:styleId=\"H\"><w:name w:val=\"heading 1\"/></w:style></w:styles>";
    QByteArray docxBody = "<w:document xmlns:w=\"w\"><w:body>";
    for (const auto &[style, text] : QList<QPair<QByteArray, QByteArray>>{{"T", "Book"},
                                                                          {"H", "One"},
                                                                          {"", "a"},
                                                                          {"H", "Two"},
                                                                          {"", "b"},
                                                                          {"H", "Three"},
                                                                          {"", "c"}})
        docxBody += "<w:p><w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr><w:r><w:t>" + text +
                    "</w:t></w:r></w:p>";
    const QByteArray rtfByName = "{\\rtf1{\\stylesheet{\\s0 Normal;}{\\s1\\sbasedon0 Heading 1;}}"
                                 "\\pard\\s1 Alpha\\par\\pard\\s0 a\\par\\pard\\s1 Beta\\par\\pard "
                                 "b\\par}";
    std::unique_ptr<QTextDocument> html = P::read("{\\rtf1 x}");
    html->setHtml("<h1>X</h1><p>x</p><h1>Y</h1><p>y</p>");

    const QList<std::pair<QString, QStringList>> cases = {
        {writeZip(dir, "book.epub", book), {"One", "Second text without a heading.", "Three"}},
        {file("marks.pdf", handMadePdf({"Front", "Page two text", "Closing words"}, "", outline,
                                       "/Outlines 100 0 R")),
         marks},
        {writeZip(dir, "headings.docx",
                  {{"[Content_Types].xml", docxTypes()},
                   {"word/styles.xml", docxStyles},
                   {"word/document.xml", docxBody + "</w:body></w:document>"}}),
         {"One", "Two", "Three"}},
        {writeZip(dir, "headings.odt",
                  {{"mimetype", "application/vnd.oasis.opendocument.text"},
                   {"content.xml", "<office:document-content xmlns:office=\"o\" xmlns:text=\"t\">"
                                   "<office:body><office:text><text:h text:outline-level=\"1\">O1"
                                   "</text:h><text:p>x</text:p><text:h text:outline-level=\"1\">O2"
                                   "</text:h><text:p>y</text:p></office:text></office:body>"
                                   "</office:document-content>"}}),
         {"O1", "O2"}},
        {file("book.md", "# Book\n\nIntro.\n\n## A\n\nText a.\n\n## B\n\nText b.\n"), {"A", "B"}},
        {file("pages.html", "<h1>X</h1><p>x</p><h1>Y</h1><p>y</p>"), {"X", "Y"}},
        {file("styles.rtf", rtfByName), {"Alpha", "Beta"}},
        {file("levels.rtf", "{\\rtf1\\pard\\outlinelevel0 Alpha\\par\\pard a\\par\\pard"
                            "\\outlinelevel0 Beta\\par\\pard b\\par}"),
         {"Alpha", "Beta"}},
        {file("saved.rtf", P::write(*html)), {"X", "Y"}},
        {file("one.md", "# Only\n\nText.\n"), {}},
        {file("plain.pdf", handMadePdf({"Front", "Back"}, "")), {}},
        {file("plain.txt", "Just text.\n\nMore text.\n"), {}},
    };
    for (const auto &[path, titles] : cases) {
        SCOPED_TRACE(path.toStdString());
        QTextDocument document;
        ASSERT_TRUE(load(path, document).ok());
        const QList<DocumentChapters::Chapter> chapters = DocumentChapters::of(document);
        QStringList found;
        int end = 0;
        for (const DocumentChapters::Chapter &chapter : chapters) {
            found.append(chapter.title);
            EXPECT_EQ(chapter.start, end); // the chapters cover the whole document in order
            end = chapter.end;
        }
        EXPECT_EQ(found.join(u'|').toStdString(), titles.join(u'|').toStdString());
        if (!chapters.isEmpty()) {
            EXPECT_EQ(end, document.characterCount() - 1);
        }
        if (path.endsWith("marks.pdf")) {
            EXPECT_TRUE(document.toPlainText().mid(chapters[1].start).startsWith("Page two"));
        }
        if (path.endsWith("book.md")) {
            EXPECT_TRUE(document.toPlainText().left(chapters[1].start).contains("Intro."));
        }
    }
}
