#include "SqliteRegistryStore.h"
#include "RegistryAccess.h"
#include "RegistryKey.h"
#include "RegistryTestFixture.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <sqlite3.h>

using RegistryAccess::readString;
using RegistryAccess::writeString;

namespace {
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

QStringList subKeys(const QString &path)
{
    QStringList names;
    RegistryAccess::listSubKeys(path, names, false);
    return names.mid(1);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class SqliteRegistryStoreTest : public RegistryTestFixture
{
};

TEST_F(SqliteRegistryStoreTest, PathsIgnoreCaseAndKeepTheirSpelling)
{
    writeString(HKLM, QStringLiteral("Software\\CereProc\\CereVoice Engine 3.1.0"),
                QStringLiteral("InstallDir"), QStringLiteral("/opt/cereproc"));
    writeString(HKLM, QStringLiteral("SOFTWARE\\cereproc\\Other"), QStringLiteral("X"),
                QStringLiteral("1"));

    EXPECT_EQ(readString(HKLM, QStringLiteral("software\\CEREPROC\\cerevoice engine 3.1.0"),
                         QStringLiteral("installdir")),
              QStringLiteral("/opt/cereproc"));
    // The second write went into the same keys, which keep the spelling they were made with.
    EXPECT_EQ(subKeys(QString()), QStringList{QStringLiteral("Software")});
    EXPECT_EQ(subKeys(QStringLiteral("software")), QStringList{QStringLiteral("CereProc")});
    // One trailing separator is accepted; empty path segments are not.
    EXPECT_TRUE(keyExists(QStringLiteral("Software\\CereProc\\")));
    EXPECT_FALSE(keyExists(QStringLiteral("\\Software")));
    EXPECT_FALSE(keyExists(QStringLiteral("Software\\\\CereProc")));
    EXPECT_FALSE(RegistryKey::create(HKLM, QStringLiteral("Software\\\\Broken")).isOpen());
    EXPECT_EQ(subKeys(QStringLiteral("Software")), QStringList{QStringLiteral("CereProc")});
}

TEST_F(SqliteRegistryStoreTest, SubKeysEnumerateInTheRegistrysOrder)
{
    // Upper-case comparison puts "_" after the letters; a lower-case one would put it first.
    for (const char *name : {"b", "_tools", "Zeta", "A2", "a1", "C"})
        RegistryKey::create(HKLM, QStringLiteral("Software\\Order\\") + QLatin1String(name));
    EXPECT_EQ(subKeys(QStringLiteral("Software\\Order")),
              (QStringList{"a1", "A2", "b", "C", "Zeta", "_tools"}));
}

TEST_F(SqliteRegistryStoreTest, ValuesKeepTheirTypeBytesAndSpelling)
{
    const QString path = QStringLiteral("Software\\Types");
    const RegistryValue dword{RegistryValue::Dword, QByteArray("\x2a\0\0\0", 4)};
    const RegistryValue binary{RegistryValue::Binary, QByteArray("\0\x01\0\xff", 4)};
    const RegistryValue multi{RegistryValue::MultiSz, QByteArray("one\0two\0\0", 9)};
    const RegistryValue empty{RegistryValue::Sz, QByteArray()};
    setRaw(path, QStringLiteral("Count"), dword);
    setRaw(path, QStringLiteral("Blob"), binary);
    setRaw(path, QStringLiteral("List"), multi);
    setRaw(path, QStringLiteral("Empty"), empty);
    // Writing under another spelling replaces the value and keeps the first spelling.
    setRaw(path, QStringLiteral("COUNT"), RegistryValue{RegistryValue::Dword, QByteArray(4, 7)});

    const RegistryKey key = RegistryKey::open(HKLM, path);
    EXPECT_EQ(key.queryValue(QStringLiteral("count")),
              (RegistryValue{RegistryValue::Dword, QByteArray(4, 7)}));
    EXPECT_EQ(key.queryValue(QStringLiteral("Blob")), binary);
    EXPECT_EQ(key.queryValue(QStringLiteral("List")), multi);
    EXPECT_EQ(key.queryValue(QStringLiteral("Empty")), empty);
    EXPECT_FALSE(key.queryValue(QStringLiteral("Missing")).has_value());
    QStringList names;
    for (int i = 0; const auto name = key.enumValue(i); ++i)
        names << *name;
    EXPECT_EQ(names, (QStringList{"Count", "Blob", "List", "Empty"}));
}

TEST_F(SqliteRegistryStoreTest, DeletedKeysTakeTheirValuesAndHandlesWithThem)
{
    writeString(HKLM, QStringLiteral("Software\\Gone\\Child"), QStringLiteral("V"),
                QStringLiteral("child"));
    writeString(HKLM, QStringLiteral("Software\\Gone"), QStringLiteral("V"),
                QStringLiteral("parent"));
    const RegistryKey software = RegistryKey::open(HKLM, QStringLiteral("Software"));
    const RegistryKey stale = RegistryKey::open(HKLM, QStringLiteral("Software\\Gone"));

    // A key with sub-keys stays; the leaf goes first.
    EXPECT_FALSE(software.deleteKey(QStringLiteral("Gone")));
    EXPECT_FALSE(software.deleteKey(QString()));
    EXPECT_TRUE(software.deleteKey(QStringLiteral("gone\\child")));
    EXPECT_TRUE(software.deleteKey(QStringLiteral("Gone")));

    // Writing through the old handle must not bring the value back under a new key.
    EXPECT_FALSE(stale.setValue(QStringLiteral("Late"), RegistryValue{RegistryValue::Sz, "x"}));
    RegistryKey::create(HKLM, QStringLiteral("Software\\Gone"));
    EXPECT_EQ(readString(HKLM, QStringLiteral("Software\\Gone"), QStringLiteral("V")), QString());
    EXPECT_FALSE(valueExists(QStringLiteral("Software\\Gone"), QStringLiteral("Late")));
    EXPECT_FALSE(keyExists(QStringLiteral("Software\\Gone\\Child")));
}

TEST_F(SqliteRegistryStoreTest, MissingDatabaseReadsEmptyAndIsCreatedByTheFirstWrite)
{
    const QString path = tempPath(QStringLiteral("not/yet/there.sqlite"));
    qputenv("PARLANCE_MACHINE_REGISTRY", QFile::encodeName(path));
    RegistryStore::setCurrent(nullptr);

    EXPECT_EQ(readString(HKLM, QStringLiteral("Software\\X"), QString()), QString());
    EXPECT_TRUE(subKeys(QString()).isEmpty());
    EXPECT_FALSE(QFile::exists(path));

    writeString(HKLM, QStringLiteral("Software\\X"), QString(), QStringLiteral("made"));
    EXPECT_TRUE(QFile::exists(path));
    RegistryStore::setCurrent(nullptr);
    EXPECT_EQ(readString(HKLM, QStringLiteral("Software\\X"), QString()), QStringLiteral("made"));
}

TEST_F(SqliteRegistryStoreTest, UnreadableOrForeignDatabasesReadEmptyAndStayUntouched)
{
    QByteArray garbage(8192, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) % 251);
    {
        QFile file(databasePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    EXPECT_EQ(readString(HKLM, QStringLiteral("Software\\X"), QString()), QString());
    EXPECT_TRUE(subKeys(QString()).isEmpty());
    writeString(HKLM, QStringLiteral("Software\\X"), QString(), QStringLiteral("lost"));
    EXPECT_FALSE(RegistryKey::create(HKLM, QStringLiteral("Software")).isOpen());
    EXPECT_EQ(readFile(databasePath()), garbage);

    // Another program's database is not turned into a registry either.
    const QString foreign = tempPath(QStringLiteral("foreign.sqlite"));
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(foreign).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes (text TEXT)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const QByteArray before = readFile(foreign);
    RegistryStore::setCurrent(std::make_shared<SqliteRegistryStore>(foreign));
    writeString(HKLM, QStringLiteral("Software\\X"), QString(), QStringLiteral("lost"));
    EXPECT_EQ(readString(HKLM, QStringLiteral("Software\\X"), QString()), QString());
    EXPECT_EQ(readFile(foreign), before);
}

TEST_F(SqliteRegistryStoreTest, ABatchIsKeptWholeOrNotAtAll)
{
    auto writer = std::make_shared<SqliteRegistryStore>(databasePath());
    SqliteRegistryStore reader(databasePath());
    RegistryStore::setCurrent(writer);
    writeString(HKLM, QStringLiteral("Software\\Kept"), QStringLiteral("V"), QStringLiteral("1"));

    EXPECT_FALSE(writer->runBatch([] {
        writeString(HKLM, QStringLiteral("Software\\Kept"), QStringLiteral("V"),
                    QStringLiteral("2"));
        writeString(HKLM, QStringLiteral("Software\\Half"), QString(), QStringLiteral("x"));
        return false;
    }));
    RegistryStore::setCurrent(std::shared_ptr<RegistryStore>(&reader, [](RegistryStore *) {}));
    EXPECT_EQ(readString(HKLM, QStringLiteral("Software\\Kept"), QStringLiteral("V")),
              QStringLiteral("1"));
    EXPECT_FALSE(keyExists(QStringLiteral("Software\\Half")));

    RegistryStore::setCurrent(writer);
    EXPECT_TRUE(writer->runBatch([] {
        writeString(HKLM, QStringLiteral("Software\\Kept"), QStringLiteral("V"),
                    QStringLiteral("3"));
        return true;
    }));
    RegistryStore::setCurrent(std::shared_ptr<RegistryStore>(&reader, [](RegistryStore *) {}));
    EXPECT_EQ(readString(HKLM, QStringLiteral("Software\\Kept"), QStringLiteral("V")),
              QStringLiteral("3"));
    RegistryStore::setCurrent(nullptr);
}

TEST_F(SqliteRegistryStoreTest, WritersInSeveralProcessesLoseNothing)
{
    constexpr int PerWriter = 60;
    const QString gate = tempPath(QStringLiteral("go"));
    const QStringList writers{QStringLiteral("alpha"), QStringLiteral("beta")};
    QList<QProcess *> processes;
    for (const QString &name : writers) {
        auto *process = new QProcess;
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QStringLiteral(PARLANCE_REGISTRY_WRITER),
                       {name, QString::number(PerWriter), gate});
        ASSERT_TRUE(process->waitForStarted());
        processes << process;
    }
    QFile(gate).open(QIODevice::WriteOnly);
    // This process writes at the same time, like a reader saving beside an installation.
    for (int i = 0; i < PerWriter; ++i)
        writeString(HKLM, QStringLiteral("Software\\Shared"), QStringLiteral("gamma-%1").arg(i),
                    QString::number(i));
    for (QProcess *process : std::as_const(processes)) {
        EXPECT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0);
        delete process;
    }

    const QStringList keys = subKeys(QStringLiteral("Software\\Shared"));
    EXPECT_EQ(keys.size(), writers.size() * PerWriter);
    int missing = 0;
    for (const QString &name : writers + QStringList{QStringLiteral("gamma")}) {
        for (int i = 0; i < PerWriter; ++i) {
            const QString item = QStringLiteral("%1-%2").arg(name).arg(i);
            if (readString(HKLM, QStringLiteral("Software\\Shared"), item) != QString::number(i))
                ++missing;
            if (name != QStringLiteral("gamma") &&
                readString(HKLM, QStringLiteral("Software\\Shared\\") + item,
                           QStringLiteral("Writer")) != name)
                ++missing;
        }
    }
    EXPECT_EQ(missing, 0);
}
