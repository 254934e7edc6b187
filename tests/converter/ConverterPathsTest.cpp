#include "ConversionLauncher.h"
#include "ConverterFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>

using ConverterPathsTest = ConverterFixture;

namespace {
const QStringList Voices{QStringLiteral("Scripted One")};
}

TEST_F(ConverterPathsTest, TheTextFileIsNeverTheResultAndOnlyRegularFilesAreRead)
{
    // The text file chosen as the WAV file, directly and through a link: refused, and the
    // text is still there.
    const QString link = m_dir.filePath(QStringLiteral("alias.wav"));
    ASSERT_TRUE(QFile::link(m_text, link));
    for (const QString &answer : {m_text, link}) {
        m_saveAnswer = answer;
        auto window = scriptedWindow(Voices);
        EXPECT_EQ(window->run(standardLine(QStringLiteral("Scripted One"))),
                  ConverterWindow::Failed)
            << answer.toStdString();
        QFile text(m_text);
        ASSERT_TRUE(text.open(QIODevice::ReadOnly));
        EXPECT_EQ(text.readAll(), QByteArray("Hello there, patient listener.\r\n"));
    }
    EXPECT_FALSE(messages().contains(QStringLiteral("Wave file created.")));

    // A FIFO as the text file would wait for a writer for ever.
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    m_saveAnswer = m_wav;
    auto window = scriptedWindow(Voices);
    const QString line = QStringList{QStringLiteral("Scripted One"), fifo, "0", "80"}.join('*');
    EXPECT_EQ(window->run(line), ConverterWindow::Failed);
    ASSERT_FALSE(messages().isEmpty());
    EXPECT_TRUE(messages().last().contains(QStringLiteral("not a regular file")));
    EXPECT_FALSE(QFileInfo::exists(m_wav));
}

TEST_F(ConverterPathsTest, AReplacedWavKeepsItsModeAndALinkStaysALink)
{
    QFile old(m_wav);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    ASSERT_TRUE(old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(scriptedWindow(Voices)->run(standardLine(QStringLiteral("Scripted One"))),
              ConverterWindow::Created);
    EXPECT_TRUE(inspect(m_wav).ok);
    struct stat status = {};
    ASSERT_EQ(::stat(QFile::encodeName(m_wav).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    // Saving to a link writes the file it points at.
    const QString target = m_dir.filePath(QStringLiteral("kept/speech-target.wav"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
    const QString link = m_dir.filePath(QStringLiteral("link.wav"));
    ASSERT_TRUE(QFile::link(target, link));
    writeText();
    m_saveAnswer = link;
    EXPECT_EQ(scriptedWindow(Voices)->run(standardLine(QStringLiteral("Scripted One"))),
              ConverterWindow::Created);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(inspect(target).ok);
}

TEST_F(ConverterPathsTest, TheTemporaryFolderNeverHoldsTheFieldSeparator)
{
    // Neither the runtime folder nor the temporary folder is usable: a private one without
    // "*" is made under /tmp.
    QTemporaryDir starred(QDir::tempPath() + QStringLiteral("/a*b-XXXXXX"));
    ASSERT_TRUE(starred.isValid());
    const QByteArray oldTemp = qgetenv("TMPDIR");
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(starred.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(starred.path() + QStringLiteral("/none")));
    const QString folder = ConversionLauncher::temporaryFolder();
    for (const auto &[name, value] :
         {std::pair{"TMPDIR", oldTemp}, std::pair{"XDG_RUNTIME_DIR", oldRuntime}}) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_FALSE(folder.contains(QLatin1Char('*'))) << folder.toStdString();
    EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
}
