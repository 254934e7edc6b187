// A registry that is locked, damaged or not a file at all: the window never waits long,
// nothing hangs, and the tool says what is wrong.
#include "RegistryTestFixture.h"
#include "SqliteRegistryStore.h"

#include <QFile>
#include <QProcess>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

struct ToolRun
{
    int exitCode = -1;
    QString err;
};

ToolRun listWithTool(const QString &database, const QString &key)
{
    QProcess tool;
    tool.start(QStringLiteral(PARLANCE_REGISTRY_TOOL), {"--registry", database, "list", key});
    if (!tool.waitForFinished(60000)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardError())};
}
} // namespace

using RegistryFaultsTest = RegistryTestFixture;

TEST_F(RegistryFaultsTest, ALockedRegistryHoldsTheWindowOnlyBriefly)
{
    const QString path = tempPath("locked.sqlite");
    {
        SqliteRegistryStore writer(path);
        ASSERT_TRUE(writer.createKey(HKLM, "Software\\Voices"));
    }
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    // On the window's thread the read gives up and says so; it succeeds once the lock goes.
    SqliteRegistryStore store(path);
    EXPECT_FALSE(store.openKey(HKLM, "Software\\Voices"));
    EXPECT_GE(store.busyMisses(), 1);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_TRUE(store.openKey(HKLM, "Software\\Voices"));
}

TEST_F(RegistryFaultsTest, DamagedOrSpecialFilesAreReportedAndNeverBlock)
{
    const QString damaged = tempPath("damaged.sqlite");
    {
        SqliteRegistryStore writer(damaged);
        for (int i = 0; i < 400; ++i)
            ASSERT_TRUE(writer.createKey(HKLM, QStringLiteral("Software\\Voices\\Voice%1").arg(i)));
    }
    {
        // Pages after the first overwritten: the header still says "SQLite".
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_GT(file.size(), 8192);
        file.seek(4096);
        file.write(QByteArray(int(file.size()) - 4096, '\x5a'));
    }
    const QString text = tempPath("text.sqlite");
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    }
    const QString fifo = tempPath("fifo.sqlite");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    for (const QString &database : {damaged, text, fifo}) {
        SqliteRegistryStore store(database);
        EXPECT_FALSE(store.openKey(HKLM, "Software\\Voices")) << database.toStdString();
        const ToolRun run = listWithTool(database, "HKLM\\Software\\Voices");
        EXPECT_EQ(run.exitCode, 1) << database.toStdString();
        EXPECT_TRUE(run.err.contains("damaged or not a registry")) << run.err.toStdString();
    }
}
