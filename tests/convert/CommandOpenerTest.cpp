#include "CommandOpener.h"
#include "StartedProgram.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace SOP = CommandOpenerPlatform;

// openCommand with the platform calls recorded instead of made.
class CommandOpenerTest : public ::testing::Test
{
protected:
    struct Call
    {
        QString verb, file, parameters, directory;
        int showStyle = 0;
    };

    void SetUp() override
    {
        SOP::setOpenCall([this](const QString &verb, const QString &file, const QString &parameters,
                                const QString &directory, int show) {
            m_opens.append({verb, file, parameters, directory, show});
            if (m_throw)
                throw std::runtime_error("platform failure");
            return m_answers.isEmpty() ? SOP::Started : m_answers.takeFirst();
        });
        SOP::setRunCall([this](const QString &commandLine, int) {
            m_runs.append(commandLine);
            return true;
        });
    }
    void TearDown() override
    {
        SOP::setOpenCall({});
        SOP::setRunCall({});
    }

    QList<Call> m_opens;
    QList<int> m_answers;
    QStringList m_runs;
    bool m_throw = false;
};

TEST_F(CommandOpenerTest, FirstAttemptSplitsProgramArgumentsAndWorkingFolder)
{
    const QString here = QDir::currentPath();
    const struct
    {
        QString command, workDir;
        QString file, parameters, directory, commandAfter;
    } cases[] = {
        // Quotes keep a path with spaces together and are taken off the caller's string.
        {"\"/opt/my app/viewer\" notes for today.txt",
         {},
         "/opt/my app/viewer",
         "notes for today.txt",
         "/opt/my app",
         "/opt/my app/viewer notes for today.txt"},
        // Only leading spaces leave the arguments; "*" and inner spaces stay.
        {"/usr/bin/viewer    a  b*c  ", {}, "/usr/bin/viewer", "a  b*c  ", "/usr/bin", {}},
        {"\"/usr/lib/parlance/wavewright\" English (America)*/run/t.txt*-3*80", "/home/me",
         "/usr/lib/parlance/wavewright", "English (America)*/run/t.txt*-3*80", "/home/me",
         "/usr/lib/parlance/wavewright English (America)*/run/t.txt*-3*80"},
        // A root folder keeps its separator.
        {"/viewer file.txt", {}, "/viewer", "file.txt", "/", {}},
        {"C:/viewer file.txt", {}, "C:/viewer", "file.txt", "C:/", {}},
        {"notes.txt", {}, "notes.txt", {}, here, {}},
        // A web address has no folder, whatever its slashes.
        {"https://example.com/help/index.html?a=1",
         {},
         "https://example.com/help/index.html?a=1",
         {},
         here,
         {}},
        // Without a closing quote the whole command is the program.
        {"\"/opt/app/viewer file.txt", {}, "\"/opt/app/viewer file.txt", {}, "\"/opt/app", {}},
    };
    for (const auto &c : cases) {
        m_opens.clear();
        QString command = c.command;
        EXPECT_EQ(openCommand(command, 1, c.workDir), SOP::Started);
        ASSERT_EQ(m_opens.size(), 1) << c.command.toStdString();
        EXPECT_EQ(m_opens[0].verb, QString());
        EXPECT_EQ(m_opens[0].file, c.file) << c.command.toStdString();
        EXPECT_EQ(m_opens[0].parameters, c.parameters) << c.command.toStdString();
        EXPECT_EQ(m_opens[0].directory, c.directory) << c.command.toStdString();
        EXPECT_EQ(m_opens[0].showStyle, 1);
        EXPECT_EQ(command, c.commandAfter.isEmpty() ? c.command : c.commandAfter);
    }
    EXPECT_TRUE(m_runs.isEmpty());
}

TEST_F(CommandOpenerTest, FailureIsRetriedAsOneFileThenAsACommandLine)
{
    m_answers = {SOP::FileNotFound, SOP::Started};
    QString command = QStringLiteral("/home/me/My Documents/help.html");
    EXPECT_EQ(openCommand(command, 1), SOP::Started);
    ASSERT_EQ(m_opens.size(), 2);
    EXPECT_EQ(m_opens[0].file, QStringLiteral("/home/me/My"));
    EXPECT_EQ(m_opens[1].verb, QStringLiteral("Open"));
    EXPECT_EQ(m_opens[1].file, command);
    EXPECT_EQ(m_opens[1].parameters + m_opens[1].directory, QString());
    EXPECT_EQ(m_opens[1].showStyle, SOP::ShowAsIs);
    EXPECT_TRUE(m_runs.isEmpty());

    // When that fails too, the command line is run and the failure still returned.
    m_opens.clear();
    m_answers = {SOP::FileNotFound, SOP::NoAssociation};
    command = QStringLiteral("\"/opt/my app/tool\" --help");
    EXPECT_EQ(openCommand(command, 1), SOP::NoAssociation);
    EXPECT_EQ(m_runs, QStringList{QStringLiteral("/opt/my app/tool --help")});

    // Nothing escapes from failing platform calls.
    m_runs.clear();
    m_throw = true;
    int result = SOP::Started;
    EXPECT_NO_THROW(result = openCommand(command, 1));
    EXPECT_LT(result, 32);
    EXPECT_EQ(m_runs.size(), 1);
}

// The desktop's own calls, starting a real program that writes down what it received.
TEST(ShellOpenStart, ProgramRunsInItsOwnFolderWithItsArgumentsAsOneString)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin/recorder"));
    ASSERT_TRUE(StartedProgram::install(program));
    QString command = program + QStringLiteral("  one  \"two\" *3 ");
    EXPECT_GE(openCommand(command, 1), 32);
    const auto arguments = StartedProgram::arguments(dir.filePath(QStringLiteral("bin")));
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(*arguments, QStringList{QStringLiteral("one  \"two\" *3 ")});
}

TEST(ShellOpenStart, UnquotedPathWithASpaceStartsAsACommandLine)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("my tools/recorder"));
    ASSERT_TRUE(StartedProgram::install(program));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QString command = program + QStringLiteral(" x*y z");
    const int result = openCommand(command, 1);
    QDir::setCurrent(previous);

    // The first two attempts find nothing; the command line starts it all the same.
    EXPECT_LT(result, 32);
    const auto arguments = StartedProgram::arguments(dir.path());
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(*arguments, QStringList{QStringLiteral("x*y z")});
}

TEST(ShellOpenStart, MissingTargetsAreNotFound)
{
    QTemporaryDir dir;
    EXPECT_EQ(SOP::desktopOpen({}, dir.filePath(QStringLiteral("missing.txt")), {}, {}, 1),
              SOP::FileNotFound);
    EXPECT_EQ(SOP::desktopOpen({}, dir.filePath(QStringLiteral("no folder/x.txt")), {}, {}, 1),
              SOP::PathNotFound);
    EXPECT_FALSE(SOP::desktopRun(dir.filePath(QStringLiteral("missing program a")), 1));
}
