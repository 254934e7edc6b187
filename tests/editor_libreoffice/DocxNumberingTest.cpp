// DOCX list numbering as LibreOffice Writer shows it: items under different numbering
// instances that share one abstract numbering continue one count, unless an instance
// restarts it. Each document is opened by us and turned into text by the real soffice,
// and the numbered items must read the same.
#include "DocumentFile.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>
#include <gtest/gtest.h>
#include <zip.h>

namespace {
const QByteArray Main = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
const QByteArray Relationships =
    "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";

QByteArray item(const QByteArray &text, int numId = 0)
{
    const QByteArray numbering = numId ? "<w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"" +
                                             QByteArray::number(numId) + "\"/></w:numPr></w:pPr>"
                                       : QByteArray();
    return "<w:p>" + numbering + "<w:r><w:t>" + text + "</w:t></w:r></w:p>";
}

// Three instances of one decimal list; the third restarts the count where it is first used.
void writeLists(const QString &path)
{
    const QList<QPair<const char *, QByteArray>> entries = {
        {"[Content_Types].xml",
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/"
         "vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
         "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
         "<Override PartName=\"/word/numbering.xml\" ContentType=\"application/"
         "vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml\"/></Types>"},
        {"_rels/.rels", "<Relationships " + Relationships +
                            "><Relationship Id=\"r1\" Type=\"http://schemas.openxmlformats.org/"
                            "officeDocument/2006/relationships/officeDocument\" "
                            "Target=\"word/document.xml\"/></Relationships>"},
        {"word/_rels/document.xml.rels",
         "<Relationships " + Relationships +
             "><Relationship Id=\"r1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
             "2006/relationships/numbering\" Target=\"numbering.xml\"/></Relationships>"},
        {"word/numbering.xml",
         "<w:numbering " + Main +
             "><w:abstractNum w:abstractNumId=\"7\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
             "<w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
             "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"7\"/></w:num>"
             "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"7\"/></w:num>"
             "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"7\"/><w:lvlOverride w:ilvl=\"0\">"
             "<w:startOverride w:val=\"1\"/></w:lvlOverride></w:num></w:numbering>"},
        {"word/document.xml", "<w:document " + Main + "><w:body>" + item("Alpha", 1) +
                                  item("Beta", 2) + item("Gamma", 1) + item("Between") +
                                  item("Delta", 3) + item("Epsilon", 2) + "</w:body></w:document>"},
    };
    int error = 0;
    zip_t *archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto &[name, bytes] : entries)
        zip_file_add(archive, name, zip_source_buffer(archive, bytes.constData(), bytes.size(), 0),
                     0);
    ASSERT_EQ(zip_close(archive), 0);
}

// "1. Alpha" for every item of a decimal list, in order.
QStringList numberedItems(const QTextDocument &document)
{
    QStringList items;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextList *list = block.textList();
        if (list && list->format().style() == QTextListFormat::ListDecimal)
            items << list->itemText(block) + u' ' + block.text();
    }
    return items;
}
} // namespace

TEST(DocxNumbering, ContinuesAndRestartsAsLibreOfficeShowsIt)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    ASSERT_FALSE(soffice.isEmpty()) << "soffice is not installed: install libreoffice-writer-nogui";
    QTemporaryDir dir;
    const QString lists = dir.filePath(QStringLiteral("lists.docx"));
    writeLists(lists);
    // A DOCX that LibreOffice itself wrote: two numbering instances, one list.
    const QString office = dir.filePath(QStringLiteral("office.docx"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(PARLANCE_TEST_DATA "/documents/office.docx"), office));

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice, {"-env:UserInstallation=" +
                                QUrl::fromLocalFile(dir.filePath("profile")).toString(),
                            "--headless", "--norestore", "--convert-to", "txt:Text", "--outdir",
                            dir.path(), lists, office});
    ASSERT_TRUE(process.waitForFinished(300000)) << "soffice did not finish";

    const QRegularExpression numbered(QStringLiteral("^\\s*(\\d+\\.)\\s+(.+)$"));
    for (const QString &file : {lists, office}) {
        SCOPED_TRACE(file.toStdString());
        QFile text(QString(file).replace(QStringLiteral(".docx"), QStringLiteral(".txt")));
        ASSERT_TRUE(text.open(QIODevice::ReadOnly)) << process.readAll().toStdString();
        QStringList writer;
        for (const QString &line : QString::fromUtf8(text.readAll()).split(u'\n')) {
            const QRegularExpressionMatch match = numbered.match(line.trimmed());
            if (match.hasMatch())
                writer << match.captured(1) + u' ' + match.captured(2);
        }
        ASSERT_FALSE(writer.isEmpty());
        QTextDocument ours;
        ASSERT_TRUE(DocumentFile::load(file, &ours));
        EXPECT_EQ(numberedItems(ours), writer);
    }
}
