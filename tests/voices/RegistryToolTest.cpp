#include "RegistrySnapshot.h"
#include "RegistryTestFixture.h"
#include "SqliteRegistryStore.h"

#include <QFile>
#include <QProcess>

namespace {
struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

const QString Header = QStringLiteral("Windows Registry Editor Version 5.00\n\n");
const QString VoiceFile =
    Header + QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Larkvane\\Voices\\Zoë]\n"
                            "@=\"Zoë\"\n"
                            "\"Path\"=\"/opt/voices/zoë\"\n"
                            "\"Rate\"=dword:0000002a\n"
                            "\"Blob\"=hex:01,ff\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\Larkvane\\Voices\\Adam]\n");
} // namespace

class RegistryToolTest : public RegistryTestFixture
{
protected:
    // Runs the installed tool the way an administrator would, on the fixture's database
    // (named by PARLANCE_MACHINE_REGISTRY).
    Result run(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(PARLANCE_REGISTRY_TOOL), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString writeFile(const QString &name, const QByteArray &contents)
    {
        const QString path = tempPath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return path;
    }

    QStringList snapshot(const QString &database)
    {
        SqliteRegistryStore store(database, SqliteRegistryStore::Access::ReadOnly);
        return registrySnapshot(store);
    }
};

TEST_F(RegistryToolTest, ImportListAndExport)
{
    const Result imported = run({"import", writeFile("voices.reg", VoiceFile.toUtf8())});
    EXPECT_EQ(imported.exitCode, 0) << imported.err.toStdString();

    const Result listed = run({"list", "HKLM\\software\\larkvane\\voices\\ZOË"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out, QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Larkvane\\Voices\\Zoë\n"
                                         "Sub-keys: 0\n"
                                         "Values: 4\n"
                                         "  @  REG_SZ  \"Zoë\"\n"
                                         "  \"Path\"  REG_SZ  \"/opt/voices/zoë\"\n"
                                         "  \"Rate\"  REG_DWORD  0x0000002a (42)\n"
                                         "  \"Blob\"  REG_BINARY  01 ff\n"));
    const Result parent = run({"list", "HKEY_LOCAL_MACHINE\\Software\\Larkvane\\Voices"});
    EXPECT_TRUE(parent.out.contains("Sub-keys: 2\n  Adam\n  Zoë\nValues: 0\n"))
        << parent.out.toStdString();

    // To standard output in UTF-8; to a file in UTF-16 as the registry editor saves it.
    const Result printed = run({"export", "HKEY_LOCAL_MACHINE\\Software\\Larkvane\\Voices\\Zoë"});
    EXPECT_EQ(printed.exitCode, 0);
    EXPECT_EQ(printed.out, VoiceFile.section('\n', 0, 6) + "\n\n");
    const QString exported = tempPath("exported.reg");
    EXPECT_EQ(run({"export", "HKLM", exported}).exitCode, 0);
    QFile file(exported);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("\xff\xfeW\0i\0n\0"));

    // --registry names another database; the file goes in whole.
    const QString other = tempPath("other.sqlite");
    const Result copied = run({"--registry", other, "import", exported});
    EXPECT_EQ(copied.exitCode, 0) << copied.err.toStdString();
    EXPECT_EQ(snapshot(other), snapshot(databasePath()));
}

TEST_F(RegistryToolTest, ABadFileFailsWithItsLineAndChangesNothing)
{
    ASSERT_EQ(run({"import", writeFile("voices.reg", VoiceFile.toUtf8())}).exitCode, 0);
    const QStringList before = snapshot(databasePath());

    const QString bad = Header + QStringLiteral("[-HKEY_LOCAL_MACHINE\\Software\\Larkvane]\n"
                                                "[HKEY_LOCAL_MACHINE\\Software\\New]\n"
                                                "\"A\"=\"1\"\n"
                                                "\"B\"=hex:01,\\\n"
                                                "  zz\n");
    const Result result = run({"import", writeFile("bad.reg", bad.toUtf8())});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("bad.reg: line 7: \"zz\" is not a hex byte"))
        << result.err.toStdString();
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(snapshot(databasePath()), before);

    // A database that is not ours is left alone, and the import says it failed.
    const QString foreign = writeFile("foreign.sqlite", "not a database");
    const Result refused = run({"--registry=" + foreign, "import", tempPath("voices.reg")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("cannot write to the registry database"));
    QFile file(foreign);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("not a database"));
}

TEST_F(RegistryToolTest, FailuresAndWrongCommandLinesExitNonZero)
{
    struct Case
    {
        QStringList arguments;
        int exitCode;
        const char *says;
    };
    const QList<Case> cases = {
        {{}, 2, "Usage: parlance-registry"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"import"}, 2, "import takes one FILE"},
        {{"list", "HKLM", "extra"}, 2, "list takes one KEY"},
        {{"export"}, 2, "export takes a KEY"},
        {{"--verbose", "list", "HKLM"}, 2, "unknown option"},
        {{"list", "HKLM", "--registry"}, 2, "--registry needs"},
        {{"import", tempPath("missing.reg")}, 1, "cannot read"},
        // Nothing was imported yet: no database to read.
        {{"list", "HKLM"}, 1, "there is no registry database"},
    };
    for (const Case &c : cases) {
        const Result result = run(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(QLatin1String(c.says))) << result.err.toStdString();
    }

    ASSERT_EQ(run({"import", writeFile("voices.reg", VoiceFile.toUtf8())}).exitCode, 0);
    EXPECT_EQ(run({"list", "HKLM\\Software\\Missing"}).exitCode, 1);
    EXPECT_EQ(run({"export", "HKEY_CURRENT_USER\\Software"}).exitCode, 1);
    EXPECT_EQ(run({"list", "HKLM"}).exitCode, 0);
    const Result help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: parlance-registry"));
}
