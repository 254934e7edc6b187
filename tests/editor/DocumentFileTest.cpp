// Opening files of any kind and saving without ever losing the previous file.
#include "DocumentFile.h"
#include "DocumentFonts.h"
#include "DocumentLoader.h"
#include "DocumentProbe.h"
#include "PlainTextDecoder.h"
#include "SelectionFormat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using P = DocumentProbe;

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes writes beyond `bytes` fail for the lifetime of the object, as a full disk would.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limited = m_previous;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};
} // namespace

TEST(PlainTextDecoder, Encodings)
{
    EXPECT_EQ(PlainTextDecoder::decode("caf\xC3\xA9 \xE2\x82\xAC"), QStringLiteral("café €"));
    EXPECT_EQ(PlainTextDecoder::decode("\xEF\xBB\xBF"
                                       "caf\xC3\xA9"),
              QStringLiteral("café"));
    EXPECT_EQ(PlainTextDecoder::decode(QByteArray("\xFF\xFE"
                                                  "c\0\xE9\0",
                                                  6)),
              QStringLiteral("cé"));
    EXPECT_EQ(PlainTextDecoder::decode(QByteArray("\xFE\xFF"
                                                  "\0c\x04\x16",
                                                  6)),
              QStringLiteral("cЖ"));
    // Not valid UTF-8: every byte is a Latin-1 character, nothing is lost.
    EXPECT_EQ(PlainTextDecoder::decode("caf\xE9 na\xEFve"), QStringLiteral("café naïve"));
    EXPECT_EQ(PlainTextDecoder::decode("a\r\nb\rc\nd"), QStringLiteral("a\nb\nc\nd"));
    EXPECT_EQ(PlainTextDecoder::decode(""), QString());
}

TEST(DocumentFile, LoadsRtfAndPlainText)
{
    QTemporaryDir dir;
    QTextDocument doc;
    QTextCharFormat plainFormat;
    plainFormat.setFontFamilies({QStringLiteral("Times New Roman")});
    plainFormat.setFontPointSize(10);

    ASSERT_TRUE(
        DocumentFile::load(writeFile(dir, "a.doc", "{\\rtf1 {\\b rich}\\par}"), &doc, plainFormat));
    EXPECT_EQ(doc.toPlainText(), "rich");
    EXPECT_TRUE(P::isBold(P::formatOf(doc, "rich")));

    ASSERT_TRUE(DocumentFile::load(writeFile(dir, "b.txt", "line one\r\nline {\\b two}\r\n"), &doc,
                                   plainFormat));
    EXPECT_EQ(P::paragraphs(doc), QStringList({"line one", "line {\\b two}", ""}));
    EXPECT_EQ(P::family(P::formatOf(doc, "one")), "Times New Roman");
    EXPECT_EQ(P::formatOf(doc, "one").fontPointSize(), 10);

    ASSERT_TRUE(DocumentFile::load(writeFile(dir, "c", QByteArray("\xFF\xFEh\0i\0", 6)), &doc));
    EXPECT_EQ(doc.toPlainText(), "hi");

    ASSERT_TRUE(DocumentFile::load(writeFile(dir, "empty", ""), &doc));
    EXPECT_TRUE(doc.isEmpty());
}

TEST(DocumentFile, LoadFailureLeavesTheDocument)
{
    QTemporaryDir dir;
    QTextDocument doc;
    QTextCursor(&doc).insertText("kept");
    EXPECT_FALSE(DocumentFile::load(dir.filePath("missing.rtf"), &doc));
    EXPECT_FALSE(DocumentFile::load(dir.path(), &doc)); // a folder
    EXPECT_EQ(doc.toPlainText(), "kept");
}

TEST(DocumentFile, HugeFilesAndPipesAreRefusedOrCancelledWithoutWaiting)
{
    QTemporaryDir dir;
    QTextDocument doc;
    QTextCursor(&doc).insertText("kept");
    DocumentFile::LoadOptions options;
    // Beyond the limit: refused by its size, naming the file. The files are sparse.
    const QString huge = dir.filePath("huge.txt");
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(DocumentFile::MaxLoadSize + 1));
    file.close();
    DocumentFile::LoadResult result = DocumentFile::load(huge, &doc, options);
    EXPECT_EQ(result.outcome, DocumentFile::LoadResult::Failed);
    EXPECT_TRUE(result.error.contains(huge) && result.error.contains("larger than 512 MB"))
        << result.error.toStdString();

    // At the limit, Cancel ends the reading itself.
    ASSERT_TRUE(QFile::resize(huge, DocumentFile::MaxLoadSize));
    const std::atomic_bool cancelled = true;
    options.cancel = &cancelled;
    EXPECT_EQ(DocumentFile::load(huge, &doc, options).outcome, DocumentFile::LoadResult::Cancelled);
    options.cancel = nullptr;

    // A pipe nobody writes to would be waited on for ever.
    const QString pipe = dir.filePath("pipe.rtf");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    result = DocumentFile::load(pipe, &doc, options);
    EXPECT_EQ(result.outcome, DocumentFile::LoadResult::Unreadable);
    EXPECT_TRUE(result.error.contains(pipe) && result.error.contains("not a regular file"))
        << result.error.toStdString();
    EXPECT_EQ(doc.toPlainText(), "kept");
}

// Cancel ends an open at once, even while Qt's HTML import (which never looks at it) runs,
// and what that reading makes after is thrown away: the reading here ends as loaded.
TEST(DocumentLoader, CancelledOpenNeverReplacesTheDocument)
{
    QTemporaryDir dir;
    QByteArray page = "<html><body>";
    for (int i = 0; i < 30000; ++i)
        page += "<p>Paragraph <b>" + QByteArray::number(i) + "</b> of a long page.</p>";
    const QString path = writeFile(dir, "long.html", page + "</body></html>");
    QWidget window;
    QTextDocument doc;
    QTextCursor(&doc).insertText("kept");
    // The user presses Cancel once the HTML import has begun (the progress shows 10 %).
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto *progress = window.findChild<QProgressDialog *>();
        if (progress && progress->value() >= 10)
            progress->findChild<QPushButton *>()->click();
    });
    user.start(5);
    const DocumentFile::LoadResult result =
        DocumentLoader::open(&window, path, &doc, QTextCharFormat());
    user.stop();
    DocumentLoader::finishCancelledReadings();
    QCoreApplication::processEvents();
    EXPECT_EQ(result.outcome, DocumentFile::LoadResult::Cancelled);
    EXPECT_EQ(doc.toPlainText(), "kept");
}

TEST(DocumentFile, LoadStartsANewUndoHistory)
{
    QTemporaryDir dir;
    QTextDocument doc;
    QTextCursor(&doc).insertText("typed");
    ASSERT_TRUE(doc.isUndoAvailable());
    ASSERT_TRUE(DocumentFile::load(writeFile(dir, "a.rtf", "{\\rtf1 loaded}"), &doc));
    EXPECT_FALSE(doc.isUndoAvailable());
    EXPECT_TRUE(doc.isUndoRedoEnabled());
}

TEST(DocumentFile, FontsThisMachineLacksShowInAnotherAndKeepTheirNames)
{
    // An installed family is used as it is. A missing one shows in an installed family; past
    // the families the system is asked about, in a stand-in of its kind. Saving names the
    // document's own fonts, unless the user has chosen another since.
    const QString present = QFontDatabase::families().value(0);
    ASSERT_FALSE(present.isEmpty());
    QByteArray table =
        "{\\fonttbl{\\f0\\froman Absent Serif;}{\\f1\\fswiss " + present.toUtf8() +
        ";}"
        // Marked roman as one word processor marks it: the family decides, not the mark.
        "{\\f999\\froman Liberation Sans;}";
    QByteArray body = "\\f0 absent \\f1 present \\f999 marked ";
    const int beyond = DocumentFonts::SystemMatchBudget + 2;
    for (int i = 2; i <= beyond; ++i) {
        const QByteArray n = QByteArray::number(i);
        table += "{\\f" + n + "\\fmodern Absent Mono " + n + ";}";
        body += "\\f" + n + " mono" + n + " ";
    }
    QTemporaryDir dir;
    const QString path =
        writeFile(dir, "fonts.rtf", "{\\rtf1\\ansi" + table + "}" + body + "\\par}");
    const QString lastMono = QStringLiteral("mono%1").arg(beyond);
    const auto shown = [](const QTextDocument &document, const QString &text) {
        return P::formatOf(document, text).fontFamilies().toStringList().value(0);
    };

    QTextDocument doc;
    ASSERT_TRUE(DocumentFile::load(path, &doc));
    EXPECT_EQ(P::formatOf(doc, "present").fontFamilies().toStringList(), QStringList{present});
    EXPECT_EQ(P::family(P::formatOf(doc, "present")), present);
    const QString absentShown = shown(doc, "absent");
    EXPECT_TRUE(QFontDatabase::hasFamily(absentShown)) << absentShown.toStdString();
    EXPECT_EQ(P::family(P::formatOf(doc, "absent")), "Absent Serif");
    EXPECT_EQ(shown(doc, "marked"), QFontInfo(QFont("Liberation Sans")).family());
    EXPECT_TRUE(QFontDatabase::isFixedPitch(shown(doc, lastMono)))
        << shown(doc, lastMono).toStdString();

    const QString saved = dir.filePath("saved.rtf");
    ASSERT_TRUE(DocumentFile::save(doc, saved));
    const QByteArray file = readFile(saved);
    EXPECT_TRUE(file.contains("\\froman\\fcharset0 Absent Serif;"));
    EXPECT_TRUE(
        file.contains("\\fmodern\\fcharset0 Absent Mono " + QByteArray::number(beyond) + ";"));
    QTextDocument reopened;
    ASSERT_TRUE(DocumentFile::load(saved, &reopened));
    EXPECT_EQ(P::family(P::formatOf(reopened, "absent")), "Absent Serif");
    EXPECT_EQ(shown(reopened, "absent"), absentShown);
    EXPECT_EQ(P::formatOf(reopened, "present").fontFamilies().toStringList(), QStringList{present});

    // A family chosen in the editor replaces the document's, even the very one shown for it.
    QTextEdit editor;
    DocumentFile::adopt(doc, editor.document());
    editor.setTextCursor(editor.document()->find(QStringLiteral("absent ")));
    ASSERT_TRUE(SelectionFormat(&editor).setFontName(absentShown));
    ASSERT_TRUE(DocumentFile::save(*editor.document(), saved));
    EXPECT_FALSE(readFile(saved).contains("Absent Serif"));
    EXPECT_TRUE(readFile(saved).contains("Absent Mono 2;"));
}

TEST(DocumentFile, SaveWritesRtfUnderAnyName)
{
    QTemporaryDir dir;
    QTextDocument doc;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCursor(&doc).insertText("saved", bold);
    const QString path = dir.filePath("name.doc");
    ASSERT_TRUE(DocumentFile::save(doc, path));
    EXPECT_TRUE(readFile(path).startsWith("{\\rtf1"));

    QTextDocument back;
    ASSERT_TRUE(DocumentFile::load(path, &back));
    EXPECT_EQ(back.toPlainText(), "saved");
    EXPECT_TRUE(P::isBold(P::formatOf(back, "saved")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"name.doc"}));
}

TEST(DocumentFile, FailedSaveKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QByteArray previous = "{\\rtf1 previous version\\par}";
    const QString path = writeFile(dir, "keep.rtf", previous);

    QTextDocument doc;
    QTextCursor(&doc).insertText(QString(200000, u'x'));
    int error = 0;
    {
        // The file may not grow past a limit part way through the new content.
        FileSizeLimit limit(8192);
        EXPECT_FALSE(DocumentFile::save(doc, path, &error));
        EXPECT_EQ(error, EFBIG);
    }
    EXPECT_EQ(readFile(path), previous);
    EXPECT_EQ(QDir(dir.path(), {}, QDir::Name, QDir::Files | QDir::Hidden).entryList(),
              QStringList({"keep.rtf"}));

    // A folder that does not exist.
    EXPECT_FALSE(DocumentFile::save(doc, dir.filePath("missing/file.rtf"), &error));
    EXPECT_EQ(error, ENOENT);
    // With room again the same save goes through.
    EXPECT_TRUE(DocumentFile::save(doc, path, &error));
    EXPECT_EQ(error, 0);
    EXPECT_NE(readFile(path), previous);

    // A disk that is really full, then read-only; needs root for a small file system.
    const QByteArray disk = QFile::encodeName(dir.filePath("disk"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("disk")));
    if (::geteuid() != 0 || ::mount("tmpfs", disk.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "a full disk needs a small tmpfs, which only root can mount";
    const QString onDisk = writeFile(dir, "disk/keep.rtf", previous);
    EXPECT_FALSE(DocumentFile::save(doc, onDisk, &error));
    EXPECT_EQ(error, ENOSPC);
    EXPECT_EQ(readFile(onDisk), previous);
    EXPECT_EQ(QDir(dir.filePath("disk"), {}, QDir::Name, QDir::Files | QDir::Hidden).entryList(),
              QStringList({"keep.rtf"}));
    ASSERT_EQ(::mount(nullptr, disk.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    EXPECT_FALSE(DocumentFile::save(QTextDocument(QStringLiteral("short")), onDisk, &error));
    EXPECT_EQ(error, EROFS);
    EXPECT_EQ(readFile(onDisk), previous);
    ::umount(disk.constData());
}
