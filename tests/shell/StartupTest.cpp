#include "InstanceListener.h"
#include "MainWindowLife.h"
#include "MessageBoxRecorder.h"
#include "ReaderSettings.h"
#include "ReaderStartup.h"
#include "ShellFixture.h"
#include "StartupCommand.h"
#include "TrayIcon.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {
struct Parsed
{
    const char *commandLine;
    StartupCommand::Mode mode;
    bool checksPrevious;
    const char *token;
};
} // namespace

TEST(StartupCommand, SwitchesAreFoundAnywhereInAnyLetterCase)
{
    using C = StartupCommand;
    const Parsed cases[] = {
        {"", C::Normal, true, ""},
        {"letter.rtf", C::Normal, true, ""},
        {"-startup", C::Startup, true, ""},
        {"-STARTUP", C::Startup, true, ""},
        {"/x-StartUpx", C::Startup, true, ""},
        {"-install CereVoice Heather", C::Install, false, "CereVoice Heather"},
        {"  -install   CereVoice Heather  ", C::Install, false, "CereVoice Heather"},
        // Only the exact switch is removed: a capitalised one stays in the token name.
        {"-INSTALL CereVoice Heather", C::Install, false, "-INSTALL CereVoice Heather"},
        {"-install", C::Install, false, ""},
        {"Voice-installer -install", C::Install, false, "Voiceer"},
        // "-startup" is tested first: both switches start hidden and install nothing, and
        // the previous-instance test is still skipped.
        {"-install Voice -startup", C::Startup, false, ""},
    };
    for (const Parsed &c : cases) {
        const auto parsed = StartupCommand::parse(QString::fromLatin1(c.commandLine));
        EXPECT_EQ(parsed.mode(), c.mode) << c.commandLine;
        EXPECT_EQ(parsed.checksPreviousInstance(), c.checksPrevious) << c.commandLine;
        EXPECT_EQ(parsed.installToken(), QString::fromLatin1(c.token)) << c.commandLine;
    }
}

namespace {
// Starts of the reader inside the test process (the first reader) and as separate processes
// (second starts), over the fixture's runtime folder and settings.
class StartupTest : public ShellFixture
{
protected:
    std::unique_ptr<ReaderStartup> start(const QString &commandLine,
                                         QStringList *installed = nullptr)
    {
        ReaderStartup::Options o;
        o.commandLine = commandLine;
        o.shell = options();
        o.watchTermination = false;
        o.installVoice = [installed](const QString &token) {
            if (installed)
                installed->append(token);
        };
        o.createMainWindow = [this](ReaderShell &shell) {
            ++m_windowsCreated;
            shell.attachMainWindow(m_main.hooks());
            // The fake window lives in the fixture; hand over an empty stand-in to own.
            return std::unique_ptr<QWidget>();
        };
        auto startup = std::make_unique<ReaderStartup>(std::move(o));
        m_running = startup->start();
        return startup;
    }

    // Runs a second start as its own process and returns its report lines.
    QStringList secondStart(const QString &mode, const QStringList &words = {},
                            QString settings = QString())
    {
        if (settings.isEmpty())
            settings = m_dir.filePath("second.conf");
        QProcess process;
        process.setProgram(QStringLiteral(PARLANCE_SHELL_HELPER));
        process.setArguments(QStringList{mode, runtimeFolder(), settings} + words);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start();
        // The event loop runs meanwhile, so this process's listener can answer.
        EXPECT_TRUE(finished.wait(30000));
        return QString::fromLocal8Bit(process.readAllStandardOutput())
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    int m_windowsCreated = 0;
    bool m_running = false;
};
} // namespace

TEST_F(StartupTest, SecondStartBringsBackTheFirstReaderAndRemovesItsIcon)
{
    MessageBoxRecorder boxes;
    auto first = start(QStringLiteral(""));
    ASSERT_TRUE(m_running);
    // The first reader sits minimized in the notification area.
    m_main.window.showMinimized();
    first->shell().trayIcon().putInTray();
    ASSERT_FALSE(m_main.window.isVisible());
    ASSERT_TRUE(first->shell().trayIcon().trayIconShown());

    const QStringList report = secondStart(QStringLiteral("start"));
    EXPECT_EQ(report, QStringList{QStringLiteral("ENDED")});
    EXPECT_TRUE(m_main.window.isVisible());
    EXPECT_FALSE(m_main.window.isMinimized());
    EXPECT_FALSE(first->shell().trayIcon().trayIconShown());
    EXPECT_TRUE(boxes.requests().isEmpty());

    // A second start against a window that is already up just shows it again.
    EXPECT_EQ(secondStart(QStringLiteral("start")), QStringList{QStringLiteral("ENDED")});
    EXPECT_TRUE(m_main.window.isVisible());
}

TEST_F(StartupTest, SecondStartBringsBackAHiddenReaderAndHandsOverItsFile)
{
    m_tray = false;
    MessageBoxRecorder boxes;
    auto first = start(QStringLiteral("-StartUp"));
    ASSERT_TRUE(m_running);
    EXPECT_FALSE(m_main.window.isVisible());
    EXPECT_TRUE(first->shell().listener().isLoaded());

    EXPECT_EQ(secondStart(QStringLiteral("start")), QStringList{QStringLiteral("ENDED")});
    EXPECT_TRUE(m_main.window.isVisible());

    // A path longer than one record, with spaces, non-ASCII letters and "-startup" in it,
    // arrives whole; the file is opened once the sender has its answer.
    const QString file = m_dir.filePath(QString(3, QChar(0x00E9)) + QStringLiteral(" x-startup ") +
                                        QString(300, QLatin1Char('n')) + QStringLiteral(".rtf"));
    m_main.window.hide();
    EXPECT_EQ(secondStart(QStringLiteral("start"), {file}), QStringList{QStringLiteral("ENDED")});
    EXPECT_TRUE(m_main.window.isVisible());
    QTest::qWait(0);
    EXPECT_EQ(m_main.calls.filter(QStringLiteral("openFile:")),
              QStringList{QStringLiteral("openFile:") + file});
    EXPECT_TRUE(boxes.requests().isEmpty());

    // Without an answering reader the second start says so, naming the process to end.
    first->shell().listener().stop();
    const QStringList report = secondStart(QStringLiteral("start"), {file});
    EXPECT_EQ(report, (QStringList{QStringLiteral("MESSAGE:") + ReaderStartup::AlreadyRunningText,
                                   QStringLiteral("ENDED")}));
    EXPECT_TRUE(ReaderStartup::AlreadyRunningText.contains(QStringLiteral("parlance process")));
}

TEST_F(StartupTest, FirstStartOpensTheFirstFileNamedAfterItsLoad)
{
    const QString file = m_dir.filePath(QStringLiteral("letter one.rtf"));
    QStringList files;
    QString switches;
    // Only whole arguments are switches: a name that holds one is a file.
    ReaderStartup::splitArguments({QStringLiteral("-STARTUP"), file, QStringLiteral("b.txt"),
                                   QStringLiteral("Pre-Install notes.rtf")},
                                  &switches, &files);
    EXPECT_EQ(switches, QStringLiteral("-startup"));
    EXPECT_EQ(files, (QStringList{file, QDir::current().absoluteFilePath("b.txt"),
                                  QDir::current().absoluteFilePath("Pre-Install notes.rtf")}));

    // "crash" ends the reader as soon as it runs.
    const QStringList report =
        secondStart(QStringLiteral("crash"), {file, QStringLiteral("b.txt")});
    ASSERT_GE(report.size(), 3);
    EXPECT_EQ(report.mid(0, 3),
              (QStringList{QStringLiteral("MAINWINDOW"), QStringLiteral("OPEN:") + file,
                           QStringLiteral("RUNNING")}));
}

TEST_F(StartupTest, InstallRunsBesideARunningReaderAndOpensNoWindow)
{
    MessageBoxRecorder boxes;
    auto first = start(QStringLiteral(""));
    ASSERT_EQ(m_windowsCreated, 1);

    QStringList installed;
    auto installer = start(QStringLiteral("-install CereVoice Heather "), &installed);
    EXPECT_FALSE(m_running);
    EXPECT_EQ(installed, QStringList{QStringLiteral("CereVoice Heather")});
    EXPECT_EQ(m_windowsCreated, 1);
    EXPECT_TRUE(boxes.requests().isEmpty());

    // In its own process too: no window, no message, the token passed as it stands.
    EXPECT_EQ(
        secondStart(QStringLiteral("start"), {QStringLiteral("-INSTALL"), QStringLiteral("X")}),
        (QStringList{QStringLiteral("INSTALL:-INSTALL X"), QStringLiteral("ENDED")}));
}

TEST_F(StartupTest, ReaderThatCrashedLeavesNothingThatBlocksTheNextStart)
{
    const QStringList crashed = secondStart(QStringLiteral("crash"));
    ASSERT_TRUE(crashed.contains(QStringLiteral("RUNNING"))) << crashed.join('|').toStdString();
    // Its lock and its socket are still there.
    EXPECT_TRUE(QFileInfo::exists(QDir(runtimeFolder()).filePath("parlance-reader.lock")));
    EXPECT_TRUE(QFileInfo::exists(QDir(runtimeFolder()).filePath("LarkTTS Listener")));

    MessageBoxRecorder boxes;
    auto next = start(QStringLiteral(""));
    EXPECT_TRUE(m_running);
    EXPECT_EQ(m_windowsCreated, 1);
    EXPECT_TRUE(boxes.requests().isEmpty());
    EXPECT_TRUE(next->shell().listener().isLoaded());

    // And the new reader is the one a second start reaches.
    m_main.window.hide();
    EXPECT_EQ(secondStart(QStringLiteral("start")), QStringList{QStringLiteral("ENDED")});
    EXPECT_TRUE(m_main.window.isVisible());
}

TEST_F(StartupTest, CrashLeavesTheShutdownMarkerFalseAndTheNextLoadAppliesTheStoredVoice)
{
    // The crashed run had no voice stored: after it, even the empty voice is applied.
    ASSERT_TRUE(secondStart(QStringLiteral("crash"), {}, settingsFile())
                    .contains(QStringLiteral("RUNNING")));
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("False"));

    m_main.voiceList = QStringLiteral("left over");
    newShell().life().loadOptions();
    EXPECT_EQ(m_main.voicesSet, QStringList{QString()});
    EXPECT_EQ(m_main.voiceList, QString());
    EXPECT_EQ(setting("Options", "ProperShutdown"), QStringLiteral("False"));
}

TEST_F(StartupTest, ReaderEndedByTheSystemSavesItsSettings)
{
    const QString settings = m_dir.filePath("second.conf");
    QProcess reader;
    reader.start(QStringLiteral(PARLANCE_SHELL_HELPER),
                 {QStringLiteral("start"), runtimeFolder(), settings});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            reader.waitForReadyRead(100);
            return reader.peek(4096).contains("RUNNING");
        },
        30000));
    EXPECT_EQ(ReaderSettings(settings).setting("Options", "ProperShutdown"),
              QStringLiteral("False"));

    QSignalSpy finished(&reader, &QProcess::finished);
    reader.terminate();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(reader.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ReaderSettings(settings).setting("Options", "ProperShutdown"),
              QStringLiteral("True"));
}
