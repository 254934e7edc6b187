// What a document names beyond its own bytes (pictures, backgrounds, style sheets) as a
// hostile file names it: devices, a pipe, files outside its folder or archive, a picture
// beyond the cap, the network. The reader's import and the real converter read such files
// within a memory limit, show what lies beside the document, and name the rest.
#include "DocumentFile.h"
#include "EditorDocument.h"
#include "LoadNotice.h"
#include "formats/ImportLimits.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {
// Limits this process's address space to what it uses now and `extra` more while it lives,
// so that reading a device without end fails at once instead of filling the machine.
class AddressSpaceLimit
{
public:
    explicit AddressSpaceLimit(rlim_t extra)
    {
        getrlimit(RLIMIT_AS, &m_previous);
        QFile statm(QStringLiteral("/proc/self/statm"));
        statm.open(QIODevice::ReadOnly);
        const rlim_t pages = statm.readAll().split(' ').value(0).toULongLong();
        rlimit limited = m_previous;
        limited.rlim_cur = pages * rlim_t(sysconf(_SC_PAGESIZE)) + extra;
        setrlimit(RLIMIT_AS, &limited);
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &m_previous); }

private:
    rlimit m_previous{};
};

QString write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QByteArray png(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString writeZip(const QString &path, const QList<QPair<const char *, QByteArray>> &entries)
{
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto &[name, bytes] : entries)
        zip_file_add(zip, name, zip_source_buffer(zip, bytes.constData(), bytes.size(), 0), 0);
    EXPECT_EQ(zip_close(zip), 0);
    return path;
}

// A one-chapter book whose chapter is `chapter`, with a picture beside it.
QString writeBook(const QString &path, const QByteArray &chapter)
{
    return writeZip(path,
                    {{"mimetype", "application/epub+zip"},
                     {"META-INF/container.xml",
                      "<container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" "
                      "version=\"1.0\"><rootfiles><rootfile full-path=\"OEBPS/book.opf\"/>"
                      "</rootfiles></container>"},
                     {"OEBPS/book.opf", "<package xmlns=\"http://www.idpf.org/2007/opf\"><manifest>"
                                        "<item id=\"c\" href=\"c.xhtml\"/></manifest><spine>"
                                        "<itemref idref=\"c\"/></spine></package>"},
                     {"OEBPS/bg.png", png(8)},
                     {"OEBPS/c.xhtml", chapter}});
}

// A word-processor file with one picture inside it and one linked from `linked`.
QString writeDocx(const QString &path, const QByteArray &linked)
{
    const auto picture = [](const char *how, const char *id) {
        return QByteArray("<w:r><w:drawing><a:blip xmlns:a=\"a\" r:") + how + "=\"" + id +
               "\"/></w:drawing></w:r>";
    };
    return writeZip(
        path,
        {{"[Content_Types].xml", "<Types/>"},
         {"word/media/in.png", png(8)},
         {"word/_rels/document.xml.rels",
          "<Relationships><Relationship Id=\"in\" Target=\"media/in.png\"/><Relationship "
          "Id=\"away\" TargetMode=\"External\" Target=\"" +
              linked +
              "\"/><Relationship "
              "Id=\"up\" Target=\"../../secret.png\"/></Relationships>"},
         {"word/document.xml",
          "<w:document xmlns:w=\"w\" xmlns:r=\"r\"><w:body><w:p><w:r><w:t>Words of the letter."
          "</w:t></w:r>" +
              picture("embed", "in") + picture("link", "away") + picture("embed", "up") +
              "</w:p></w:body></w:document>"}});
}

// A text-document file with one picture inside it and one named outside it.
QString writeOdt(const QString &path)
{
    return writeZip(
        path,
        {{"mimetype", "application/vnd.oasis.opendocument.text"},
         {"Pictures/in.png", png(8)},
         {"content.xml",
          "<office:document-content xmlns:office=\"o\" xmlns:text=\"t\" xmlns:draw=\"d\" "
          "xmlns:xlink=\"x\"><office:body><office:text><text:p>Words of the report.<draw:frame>"
          "<draw:image xlink:href=\"Pictures/in.png\"/></draw:frame><draw:frame><draw:image "
          "xlink:href=\"../outside/secret.png\"/></draw:frame></text:p></office:text>"
          "</office:body></office:document-content>"}});
}
} // namespace

TEST(HostileResources, NothingOutsideTheDocumentIsReadAndWhatIsLeftOutIsNamed)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("book");
    const QString outside = dir.filePath("outside");
    ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(outside));
    write(folder + "/pic.png", png(30));
    write(outside + "/secret.png", png(40));
    // The program's own folder holds a picture of the same name, which must not be taken.
    write(dir.filePath("pic.png"), png(50));
    const QString pipe = folder + "/pipe";
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(outside + "/secret.png", folder + "/link.png"));
    QFile big(folder + "/big.png");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(ImportLimits::MaxImageBytes + 1));
    big.close();
    const QByteArray secret = QUrl::fromLocalFile(outside + "/secret.png").toEncoded();

    struct Case
    {
        QString path;
        QList<QPair<QString, QString>> leftOut; // name, why
    };
    const QString away = QStringLiteral("outside the document's folder");
    const QList<Case> cases = {
        {write(folder + "/page.html",
               "<html><head><link rel=\"stylesheet\" href=\"pipe\"></head><body "
               "background=\"/dev/zero\"><p>Words of the page.</p><table><tr><td "
               "background=\"pipe\">cell</td></tr></table><p style=\"background-image: url(" +
                   secret +
                   ")\">styled</p><img src=\"pic.png\"><img src=\"../outside/secret.png\"><img "
                   "src=\"link.png\"><img src=\"big.png\"><img src=\"/dev/urandom\"><img "
                   "src=\"http://example.com/a.png\"></body></html>"),
         {{"/dev/zero", away},
          {"pipe", "not a regular file"},
          {QString::fromUtf8(secret), away},
          {"../outside/secret.png", away},
          {"link.png", away},
          {"big.png", "larger than 32 MB"},
          {"/dev/urandom", away},
          {"http://example.com/a.png", "nothing is downloaded"}}},
        {write(folder + "/notes.md",
               "Words of the notes.\n\n![a](pic.png) ![b](../outside/secret.png) ![c](/dev/zero) "
               "![d](pipe) ![e](link.png)\n\n<p style=\"background-image: url(pipe)\">raw</p>\n"),
         {{"../outside/secret.png", away},
          {"/dev/zero", away},
          {"pipe", "not a regular file"},
          {"link.png", away}}},
        {writeBook(folder + "/book.epub",
                   "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body background=\"" + secret +
                       "\"><p>Words of the book.</p><table><tr><td background=\"bg.png\">c</td>"
                       "<td background=\"../../outside/secret.png\">d</td></tr></table><img "
                       "src=\"/dev/zero\"/></body></html>"),
         {{QString::fromUtf8(secret), "outside the document"},
          {"../../outside/secret.png", "outside the document"},
          {"/dev/zero", "outside the document"}}},
        {writeDocx(folder + "/letter.docx", secret),
         {{QString::fromUtf8(secret), "outside the document"},
          {"../../secret.png", "outside the document"}}},
        {writeOdt(folder + "/report.odt"), {{"../outside/secret.png", "outside the document"}}}};

    const QString programFolder = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        DocumentFile::Imported imported;
        {
            const AddressSpaceLimit limit(rlim_t(1) << 30);
            imported = DocumentFile::importFile(c.path, {});
        }
        ASSERT_TRUE(imported.result.ok()) << imported.result.error.toStdString();
        EXPECT_TRUE(imported.document->toPlainText().contains("Words of the"));
        // Only the picture beside the document is shown, whatever else has its name.
        for (const QString &name : EditorDocument::pictureNames(*imported.document)) {
            const QImage shown =
                imported.document->resource(QTextDocument::ImageResource, QUrl(name))
                    .value<QImage>();
            EXPECT_TRUE(shown.isNull() || shown.width() == 30 || shown.width() == 8)
                << name.toStdString() << " " << shown.width();
        }
        // One notice names each thing left out, and nothing that was read.
        const QString notice = LoadNotice::take(imported.document.get()).join('\n');
        EXPECT_TRUE(notice.startsWith(QString::fromLatin1(LoadNotice::LeftOutText)));
        for (const auto &[name, why] : c.leftOut) {
            EXPECT_TRUE(notice.contains("    " + name + " (") && notice.contains(why))
                << name.toStdString() << "\n"
                << notice.toStdString();
        }
        EXPECT_EQ(notice.count('\n'), c.leftOut.size());
    }
    QDir::setCurrent(programFolder);

    // The converter reads the same files the same way within a memory limit, names what it
    // left out, and gives the reader's reasons for a file that is no document.
    const QString laughs = writeBook(
        folder + "/laughs.epub",
        "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\">]><html>&a;</html>");
    QProcess converter;
    converter.setWorkingDirectory(dir.path());
    converter.setChildProcessModifier([] {
        const rlimit limit{rlim_t(3) << 30, rlim_t(3) << 30};
        setrlimit(RLIMIT_AS, &limit);
    });
    QStringList arguments = {"--jobs", "1", "-o", dir.filePath("audio")};
    for (const Case &c : cases)
        arguments.append(c.path);
    converter.start(WAVEWRIGHT_PROGRAM, arguments + QStringList{pipe, laughs});
    ASSERT_TRUE(converter.waitForFinished(120000));
    const QString err = QString::fromUtf8(converter.readAllStandardError());
    EXPECT_EQ(converter.exitCode(), 1) << err.toStdString();
    for (const Case &c : cases) {
        for (const auto &[name, why] : c.leftOut)
            EXPECT_TRUE(err.contains(name + " (")) << name.toStdString();
    }
    for (const QString &unreadable : {pipe, laughs})
        EXPECT_TRUE(err.contains(DocumentFile::importFile(unreadable, {}).result.error))
            << err.toStdString();
    EXPECT_EQ(QDir(dir.filePath("audio")).entryList(QDir::Files),
              (QStringList{"book.wav", "letter.wav", "notes.wav", "page.wav", "report.wav"}));
}
