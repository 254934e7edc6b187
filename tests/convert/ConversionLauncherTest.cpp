#include "ConversionLauncher.h"
#include "ConvertFixture.h"
#include "CommandOpener.h"
#include "StartedProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>

using ConversionLauncherTest = ConvertFixture;

TEST(documentOnOneLine, EveryLineBreakBecomesOneSpace)
{
    const struct
    {
        QString text, line;
    } cases[] = {
        {"First\r\nSecond", "First Second"},
        {"First\rSecond", "First Second"},
        // A line feed before a carriage return is two breaks, not one.
        {"a\n\rb", "a  b"},
        {"a\r\n\r\nb\n", "a  b "},
        {QStringLiteral("a\u2028b\u2029c"), "a b c"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ConversionLauncher::documentOnOneLine(c.text), c.line) << c.text.toStdString();
}

TEST_F(ConversionLauncherTest, CommandLineNamesTheQuotedConverterTheVoiceAndTheTextFile)
{
    ConversionRequest r = request();
    EXPECT_TRUE(ConversionLauncher::startConverter(r));
    QStringList fields = startedFields();
    ASSERT_EQ(fields.size(), 4);
    EXPECT_EQ(
        m_starts[0].command,
        QStringLiteral("\"/opt/parlance/wavewright\" English (America)*%1*-3*80").arg(fields[1]));
    EXPECT_EQ(m_starts[0].showStyle, 1);
    EXPECT_EQ(m_starts[0].workDir, QStringLiteral("/opt/parlance"));
    EXPECT_EQ(contents(fields[1]), QByteArray("First Second\r\n"));

    m_starts.clear();
    r.engineIndex = 2;
    r.engineDir = QStringLiteral("/opt/cereproc/engine 6");
    r.voiceDir = QStringLiteral("/opt/cereproc/voices/heather");
    r.documentText = QStringLiteral("Gr\u00fc\u00dfe\r\n\U0001F600 ok");
    EXPECT_TRUE(ConversionLauncher::startConverter(r));
    fields = startedFields();
    ASSERT_EQ(fields.size(), 5);
    EXPECT_EQ(fields[0], r.engineDir);
    EXPECT_EQ(fields[1], r.voiceDir);
    EXPECT_EQ(contents(fields[2]), QStringLiteral("Gr\u00fc\u00dfe \U0001F600 ok\r\n").toUtf8());
    EXPECT_EQ(fields.mid(3), (QStringList{"-3", "80"}));
    EXPECT_TRUE(m_boxes.requests().isEmpty());
}

TEST_F(ConversionLauncherTest, EachRequestGetsANewPrivateFileAndFollowsNoPlantedLink)
{
    const QDir runtime(runtimeFolder());
    const QString victim = runtime.filePath(QStringLiteral("victim"));
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    // Links under the names a clock-only scheme would use around now.
    const int now = QTime::currentTime().msecsSinceStartOfDay() / 1000;
    for (int s = now - 1; s <= now + 3; ++s)
        QFile::link(victim, runtime.filePath(QStringLiteral("temp%1.txt").arg(s)));

    QStringList paths;
    for (int i = 0; i < 2; ++i) {
        ConversionRequest r = request();
        r.documentText = QStringLiteral("Request %1").arg(i);
        m_starts.clear();
        ASSERT_TRUE(ConversionLauncher::startConverter(r));
        paths.append(startedFields().value(1));
    }
    EXPECT_NE(paths[0], paths[1]);
    EXPECT_EQ(contents(victim), QByteArray("keep me"));
    static const QRegularExpression name(QStringLiteral("^temp\\d+-\\w+\\.txt$"));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    for (int i = 0; i < 2; ++i) {
        const QFileInfo info(paths[i]);
        EXPECT_EQ(info.absolutePath(), runtime.absolutePath());
        EXPECT_TRUE(name.match(info.fileName()).hasMatch()) << info.fileName().toStdString();
        EXPECT_FALSE(info.isSymLink());
        EXPECT_EQ(info.permissions() & others, QFile::Permissions());
        EXPECT_EQ(contents(paths[i]), QStringLiteral("Request %1\r\n").arg(i).toUtf8());
    }
}

TEST_F(ConversionLauncherTest, UnwritableTemporaryFolderIsReportedAndNothingStarts)
{
    ConversionRequest r = request();
    r.temporaryFolder = QDir(runtimeFolder()).filePath(QStringLiteral("gone"));
    EXPECT_FALSE(ConversionLauncher::startConverter(r));
    EXPECT_TRUE(m_starts.isEmpty());
    ASSERT_EQ(m_boxes.requests().size(), 1);
    EXPECT_EQ(m_boxes.requests()[0].icon, MessageBoxService::Critical);
    EXPECT_TRUE(m_boxes.requests()[0].text.contains(QStringLiteral("temporary file")));
}

TEST_F(ConversionLauncherTest, ConverterInAFolderWithASpaceReceivesTheWholeParameterString)
{
    // The recorder stands in for the converter beside the reader.
    const QString folder = QDir(runtimeFolder()).filePath(QStringLiteral("Parlance reader"));
    ASSERT_TRUE(StartedProgram::install(QDir(folder).filePath(QStringLiteral("wavewright"))));
    ConversionRequest r = request();
    r.readerFolder = folder;
    r.openCommand = [](QString &command, int showStyle, const QString &workDir) {
        return openCommand(command, showStyle, workDir);
    };
    ASSERT_TRUE(ConversionLauncher::startConverter(r));

    const auto arguments = StartedProgram::arguments(folder);
    ASSERT_TRUE(arguments.has_value());
    ASSERT_EQ(arguments->size(), 1);
    const QStringList fields = arguments->first().split(QLatin1Char('*'));
    ASSERT_EQ(fields.size(), 4);
    EXPECT_EQ(fields[0], QStringLiteral("English (America)"));
    EXPECT_EQ(contents(fields[1]), QByteArray("First Second\r\n"));
    EXPECT_EQ(fields.mid(2), (QStringList{"-3", "80"}));
}
