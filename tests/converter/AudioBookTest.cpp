// Audio books from the converter's command line: documents from real producers (pandoc's
// EPUB, LibreOffice's DOCX) through the real program, its files read back by libsndfile and
// ffprobe.
#include "AudioProbe.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class AudioBookTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString write(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }

    int run(const QStringList &arguments, const QString &program = WAVEWRIGHT_PROGRAM)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        process.waitForFinished(300000);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QStringList filesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    static QStringList playlistEntries(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList entries;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n'))
            if (!line.isEmpty() && !line.startsWith(u'#'))
                entries.append(line);
        return entries;
    }

    QTemporaryDir m_dir;
};

QByteArray sentences(const QByteArray &subject, int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += subject + " counted " + QByteArray::number(i + 1) + " pears before the rain. ";
    return text;
}

// Waits until `ready` holds, for at most a minute.
template <typename Ready> bool waitFor(Ready ready)
{
    for (int i = 0; i < 1200 && !ready(); ++i)
        QThread::msleep(50);
    return ready();
}

// Whether the process has a file open in `folder` (an unnamed one shows as "#inode (deleted)").
bool writesInto(qint64 pid, const QString &folder)
{
    for (int fd = 0; fd < 1024; ++fd) {
        char target[4096] = {};
        const QByteArray link =
            "/proc/" + QByteArray::number(pid) + "/fd/" + QByteArray::number(fd);
        const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
        if (length > 0 && QString::fromLocal8Bit(target, length).startsWith(folder + u'/'))
            return true;
    }
    return false;
}

} // namespace

// Each chapter a file, "NN Title", in reading order, tagged, listed in the playlist, and
// together as long as the book in one file; a document without chapters is one file as
// without splitting; a book in one Opus or Vorbis file marks where its chapters start.
TEST_F(AudioBookTest, ChaptersOfAnEbookAndAWordDocumentInEveryFormat)
{
    write(QStringLiteral("book.md"),
          "---\ntitle: Three Chapters\nauthor: Ann Writer\n---\n\n# Morning\n\n" +
              sentences("The miller", 2) + "\n\n# Noon\n\n" + sentences("A traveller", 2) +
              "\n\n# Evening: Last?\n\n" + sentences("The watchman", 2) + "\n");
    ASSERT_EQ(run({m_dir.filePath(QStringLiteral("book.md")), QStringLiteral("-o"),
                   m_dir.filePath(QStringLiteral("book.epub"))},
                  QStringLiteral("pandoc")),
              0);
    write(QStringLiteral("parts.html"),
          "<html><head><title>Three Parts</title></head><body><h1>One</h1><p>" +
              sentences("The miller", 2) + "</p><h1>Two</h1><p>" + sentences("A traveller", 2) +
              "</p><h1>Three</h1><p>" + sentences("The watchman", 2) + "</p></body></html>");
    {
        QProcess office;
        office.setWorkingDirectory(m_dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        office.setProcessEnvironment(environment);
        office.start(QStringLiteral("soffice"),
                     {QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                      QStringLiteral("docx:MS Word 2007 XML"), QStringLiteral("parts.html")});
        ASSERT_TRUE(office.waitForFinished(180000));
        ASSERT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("parts.docx"))));
    }
    QProcess list;
    list.start(WAVEWRIGHT_PROGRAM, {QStringLiteral("--list-voices")});
    list.waitForFinished();
    const QString voice = QString::fromUtf8(list.readAllStandardOutput()).section(u'\n', 0, 0);
    ASSERT_FALSE(voice.isEmpty());

    struct Book
    {
        QString file;
        QString album;
        QString artist;
        QStringList chapters;
        QStringList names;
    };
    const QList<Book> books = {
        {QStringLiteral("book.epub"),
         QStringLiteral("Three Chapters"),
         QStringLiteral("Ann Writer"),
         {QStringLiteral("Morning"), QStringLiteral("Noon"), QStringLiteral("Evening: Last?")},
         {QStringLiteral("01 Morning"), QStringLiteral("02 Noon"),
          QStringLiteral("03 Evening - Last")}},
        {QStringLiteral("parts.docx"),
         QStringLiteral("Three Parts"),
         voice,
         {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")},
         {QStringLiteral("01 One"), QStringLiteral("02 Two"), QStringLiteral("03 Three")}},
    };
    for (const Book &book : books) {
        const QString input = m_dir.filePath(book.file);
        const QString whole = m_dir.filePath(book.file + QStringLiteral(".wav"));
        ASSERT_EQ(run({QStringLiteral("--voice"), voice, QStringLiteral("-o"), whole, input}), 0);
        const double seconds = AudioProbe::of(whole).seconds;
        ASSERT_GT(seconds, 5.0);
        for (const QString format : {"wav", "mp3", "ogg", "opus", "flac"}) {
            SCOPED_TRACE((book.file + u' ' + format).toStdString());
            const QString folder = m_dir.filePath(book.file + u'-' + format);
            ASSERT_EQ(run({QStringLiteral("--voice"), voice, QStringLiteral("--split"),
                           QStringLiteral("chapters"), QStringLiteral("--format"), format,
                           QStringLiteral("-o"), folder, input}),
                      0);
            QStringList files;
            for (const QString &name : book.names)
                files.append(name + u'.' + format);
            const QString playlist = QDir(folder).dirName() + QStringLiteral(".m3u8");
            EXPECT_EQ(filesIn(folder), files + QStringList{playlist});
            EXPECT_EQ(playlistEntries(QDir(folder).filePath(playlist)), files);
            double total = 0;
            for (int i = 0; i < files.size(); ++i) {
                const AudioProbe probe = AudioProbe::of(QDir(folder).filePath(files[i]));
                ASSERT_TRUE(probe.ok) << files[i].toStdString();
                total += probe.seconds;
                EXPECT_EQ(probe.tags.value(QStringLiteral("title")), book.chapters[i]);
                EXPECT_EQ(probe.tags.value(QStringLiteral("album")), book.album);
                EXPECT_EQ(probe.tags.value(QStringLiteral("artist")), book.artist);
                EXPECT_EQ(probe.tags.value(QStringLiteral("genre")), QStringLiteral("Speech"));
                EXPECT_EQ(probe.tags.value(QStringLiteral("track")).section(u'/', 0, 0),
                          QString::number(i + 1));
            }
            EXPECT_NEAR(total, seconds, seconds * 0.01);
        }
    }

    // Nothing to split by: one file, where it would be without splitting.
    const QString plain = write(QStringLiteral("plain.txt"), sentences("The baker", 2));
    const QString folder = m_dir.filePath(QStringLiteral("plain"));
    ASSERT_EQ(run({QStringLiteral("--split"), QStringLiteral("chapters"), QStringLiteral("-o"),
                   folder, plain}),
              0);
    EXPECT_EQ(filesIn(folder), QStringList{QStringLiteral("plain.wav")});

    // The book in one Opus or Vorbis file, its chapters marked.
    for (const QString name : {"one.opus", "one.ogg"}) {
        SCOPED_TRACE(name.toStdString());
        const QString one = m_dir.filePath(name);
        ASSERT_EQ(run({QStringLiteral("-o"), one, m_dir.filePath(QStringLiteral("book.epub"))}), 0);
        const AudioProbe probe = AudioProbe::of(one);
        EXPECT_EQ(probe.chapters, books.first().chapters);
        ASSERT_EQ(probe.chapterStarts.size(), 3);
        EXPECT_EQ(probe.chapterStarts[0], 0.0);
        EXPECT_GT(probe.chapterStarts[1], 1.0);
        EXPECT_GT(probe.chapterStarts[2], probe.chapterStarts[1] + 1.0);
        EXPECT_LT(probe.chapterStarts[2], probe.seconds);
    }
}

// Ctrl+C keeps the chapters done and a playlist of them and removes the one being written;
// a killed run leaves the folder as it was; where part files stand in for unnamed files,
// the next run removes those the killed one left.
TEST_F(AudioBookTest, InterruptedOrKilledRunsLeaveOnlyWhatIsComplete)
{
    const QString book = write(QStringLiteral("long.md"),
                               "# Short\n\n" + sentences("The miller", 1) + "\n\n# Long\n\n" +
                                   sentences("A traveller", 150) + "\n\n# Longer\n\n" +
                                   sentences("The watchman", 150) + "\n");
    const QString chapters = m_dir.filePath(QStringLiteral("chapters"));
    QProcess process;
    process.start(WAVEWRIGHT_PROGRAM, {QStringLiteral("--split"), QStringLiteral("chapters"),
                                       QStringLiteral("-o"), chapters, book});
    const QString playlist = QDir(chapters).filePath(QStringLiteral("chapters.m3u8"));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(playlist); }));
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 6);
    const QStringList done = playlistEntries(playlist);
    ASSERT_FALSE(done.isEmpty());
    EXPECT_LT(done.size(), 3);
    EXPECT_EQ(filesIn(chapters), done + QStringList{QStringLiteral("chapters.m3u8")});
    for (const QString &file : done)
        EXPECT_TRUE(AudioProbe::of(QDir(chapters).filePath(file)).seconds > 0);

    for (const bool partFiles : {false, true}) {
        SCOPED_TRACE(partFiles ? "part files" : "unnamed files");
        const QString kept =
            m_dir.filePath(partFiles ? QStringLiteral("parts") : QStringLiteral("kept"));
        ASSERT_TRUE(QDir().mkpath(kept));
        QFile old(QDir(kept).filePath(QStringLiteral("long.mp3")));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the previous recording");
        old.close();
        QProcess killed;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (partFiles)
            environment.insert(QStringLiteral("PARLANCE_PART_FILES"), QStringLiteral("1"));
        killed.setProcessEnvironment(environment);
        killed.start(WAVEWRIGHT_PROGRAM, {QStringLiteral("-o"), old.fileName(), book});
        ASSERT_TRUE(waitFor([&] { return writesInto(killed.processId(), kept); }));
        ::kill(pid_t(killed.processId()), SIGKILL);
        ASSERT_TRUE(killed.waitForFinished(60000));
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("the previous recording"));
        old.close();
        if (!partFiles) {
            EXPECT_EQ(filesIn(kept), QStringList{QStringLiteral("long.mp3")});
            continue;
        }
        // The part file stays visible, named after the killed process ...
        EXPECT_EQ(filesIn(kept).size(), 2) << filesIn(kept).join(u' ').toStdString();
        // ... until the next file written into the folder.
        const QString next = write(QStringLiteral("next.txt"), sentences("The baker", 1));
        QProcess again;
        again.setProcessEnvironment(environment);
        again.start(WAVEWRIGHT_PROGRAM, {QStringLiteral("-o"), kept + u'/', next});
        ASSERT_TRUE(again.waitForFinished(60000));
        EXPECT_EQ(again.exitCode(), 0);
        EXPECT_EQ(filesIn(kept),
                  (QStringList{QStringLiteral("long.mp3"), QStringLiteral("next.wav")}));
    }
}
