#include "SqliteRegistryStore.h"

#include "LayeredRegistryStore.h"
#include "SqliteStatement.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>
#include <sqlite3.h>
#include <unistd.h>

namespace {
// Long enough to outlast any voice installation running beside us, short enough that a
// stuck process does not hold a tool or a worker for good.
constexpr int BusyTimeoutMs = 30000;
// The window's thread waits no longer than this; what it could not read is read again
// later (busyMisses tells the caller).
constexpr int InteractiveBusyTimeoutMs = 250;

bool onInteractiveThread()
{
    const auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    return app && QThread::currentThread() == app->thread();
}

// SQLite would open a FIFO or a device and block on it for good: only a regular file
// (or a link to one) is a registry.
bool isUsablePath(const QString &path)
{
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}

// The registry's own limits (RegistryStore) and value names of 16383 characters. Keeping
// them also keeps the recursive deletion of a tree shallow.
constexpr int MaxValueNameLength = 16383;

constexpr SqliteRegistryStore::Handle RootHandle = 0;

// Marks the file as ours, so that a write never adds tables to somebody else's database.
constexpr int ApplicationId = 0x506c5267;

// Names are compared the way the registry compares them: each character by its simple
// upper-case mapping. The folded name is the key's identity and its enumeration order.
QString fold(const QString &name)
{
    QList<uint> codePoints = name.toUcs4();
    for (uint &c : codePoints)
        c = QChar::toUpper(c);
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(codePoints.constData()),
                             codePoints.size());
}

bool execSql(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}
} // namespace

std::shared_ptr<RegistryStore> createPlatformRegistryStore()
{
    const QString path = SqliteRegistryStore::defaultPath();
    const QString user = SqliteRegistryStore::userLayerPath();
    if (path.isEmpty() || user.isEmpty() || path == user || SqliteRegistryStore::isWritable(path))
        return std::make_shared<SqliteRegistryStore>(path);
    // An installed, system-wide registry: what this user adds goes into a store of their own.
    return std::make_shared<LayeredRegistryStore>(
        std::make_shared<SqliteRegistryStore>(path, SqliteRegistryStore::Access::ReadOnly),
        std::make_shared<SqliteRegistryStore>(user));
}

QString SqliteRegistryStore::userLayerPath()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/parlance/user-registry.sqlite");
}

bool SqliteRegistryStore::isWritable(const QString &path)
{
    // SQLite also writes a journal beside the file, so the folder must take files too. A
    // store that does not exist yet is written where its folder will be made.
    QFileInfo file(path);
    QString folder = file.absolutePath();
    while (!QFileInfo::exists(folder) && folder != QFileInfo(folder).absolutePath())
        folder = QFileInfo(folder).absolutePath();
    const bool folderOk = access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
    return folderOk && (!file.exists() || access(QFile::encodeName(path).constData(), W_OK) == 0);
}

SqliteRegistryStore::SqliteRegistryStore(QString path, Access access)
    : m_path(std::move(path)), m_access(access)
{
}

SqliteRegistryStore::~SqliteRegistryStore()
{
    sqlite3_close_v2(m_db);
}

QString SqliteRegistryStore::defaultPath()
{
    const QString configured = qEnvironmentVariable("PARLANCE_MACHINE_REGISTRY");
    if (!configured.isEmpty())
        return configured;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    return data + QStringLiteral("/parlance/machine-registry.sqlite");
}

sqlite3 *SqliteRegistryStore::connection(bool forWrite)
{
    // An empty name would give SQLite's private temporary database: nothing to read.
    if (m_path.isEmpty())
        return nullptr;
    if (m_db)
        return forWrite && m_readOnlyConnection ? nullptr : m_db;
    if (forWrite && m_access == Access::ReadOnly)
        return nullptr;
    // Reading must not create the file: a later installation creates it, and we look again
    // at the next read.
    if (!forWrite && !QFileInfo::exists(m_path))
        return nullptr;
    if (!isUsablePath(m_path))
        return nullptr;

    const QByteArray name = QFile::encodeName(m_path);
    int flags = SQLITE_OPEN_READWRITE;
    if (forWrite) {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        flags |= SQLITE_OPEN_CREATE;
    } else if (m_access == Access::ReadOnly) {
        flags = SQLITE_OPEN_READONLY;
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(name.constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        db = nullptr;
        // A file we may read but not write still reads.
        if (forWrite || flags == SQLITE_OPEN_READONLY ||
            sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(db);
            return nullptr;
        }
        flags = SQLITE_OPEN_READONLY;
    }
    sqlite3_busy_handler(db, &SqliteRegistryStore::onBusy, this);
    sqlite3_extended_result_codes(db, 1);
    m_db = db;
    m_readOnlyConnection = flags == SQLITE_OPEN_READONLY;
    return forWrite && m_readOnlyConnection ? nullptr : m_db;
}

int SqliteRegistryStore::onBusy(void *store, int attempt)
{
    // A wait of a few milliseconds per attempt, up to the thread's limit.
    constexpr int StepMs = 5;
    auto *self = static_cast<SqliteRegistryStore *>(store);
    // A change waits its turn in full: giving up would lose it.
    const int limit =
        !self->m_writing && onInteractiveThread() ? InteractiveBusyTimeoutMs : BusyTimeoutMs;
    if (attempt * StepMs >= limit) {
        self->m_busyMisses.fetch_add(1);
        return 0;
    }
    QThread::msleep(StepMs);
    return 1;
}

int SqliteRegistryStore::busyMisses() const
{
    return m_busyMisses.load();
}

bool SqliteRegistryStore::write(const std::function<bool(sqlite3 *)> &changes)
{
    sqlite3 *db = connection(true);
    if (!db)
        return false;
    m_keyListing.reset();
    m_valueListing.reset();
    const bool outerWrite = !m_writing;
    m_writing = true;
    const auto done = qScopeGuard([&] {
        if (outerWrite)
            m_writing = false;
    });
    // Inside a batch each change gets a savepoint, so that a change that fails half way
    // leaves nothing behind even when the batch goes on.
    const bool outermost = sqlite3_get_autocommit(db) != 0;
    // IMMEDIATE takes the write lock up front: two writers then queue instead of one of
    // them failing when it upgrades from reading to writing.
    if (!execSql(db, outermost ? "BEGIN IMMEDIATE" : "SAVEPOINT registry_change"))
        return false;
    bool ok = ensureSchema(db) && changes(db);
    if (ok)
        ok = execSql(db, outermost ? "COMMIT" : "RELEASE registry_change");
    if (!ok) {
        if (outermost) {
            execSql(db, "ROLLBACK");
        } else {
            execSql(db, "ROLLBACK TO registry_change");
            execSql(db, "RELEASE registry_change");
        }
    }
    return ok;
}

bool SqliteRegistryStore::ensureSchema(sqlite3 *db)
{
    SqliteStatement tables(db, "SELECT count(*), "
                               "count(CASE WHEN name IN ('keys', 'vals') THEN 1 END) "
                               "FROM sqlite_master WHERE type = 'table'");
    // A file that is not a database fails right here and is left as it is.
    if (tables.step() != SQLITE_ROW)
        return false;
    if (tables.columnInt(1) == 2)
        return true;
    if (tables.columnInt(0) != 0)
        return false;
    return execSql(db, "CREATE TABLE keys ("
                       " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                       " parent INTEGER NOT NULL,"
                       " name TEXT NOT NULL,"
                       " fold TEXT NOT NULL,"
                       " UNIQUE (parent, fold));"
                       "CREATE TABLE vals ("
                       " key INTEGER NOT NULL,"
                       " name TEXT NOT NULL,"
                       " fold TEXT NOT NULL,"
                       " type INTEGER NOT NULL,"
                       " data BLOB NOT NULL,"
                       " PRIMARY KEY (key, fold));"
                       "PRAGMA user_version = 1;") &&
           execSql(db, QByteArray("PRAGMA application_id = " + QByteArray::number(ApplicationId))
                           .constData());
}

std::optional<QStringList> SqliteRegistryStore::splitPath(const QString &path)
{
    // The registry accepts one trailing separator ("Software\") and nothing else empty.
    QString trimmed = path;
    if (trimmed.endsWith(QLatin1Char('\\')))
        trimmed.chop(1);
    if (trimmed.isEmpty())
        return QStringList();
    const QStringList segments = trimmed.split(QLatin1Char('\\'));
    if (segments.size() > MaxKeyDepth)
        return std::nullopt;
    for (const QString &segment : segments) {
        if (segment.isEmpty() || segment.size() > MaxKeyNameLength ||
            segment.contains(QChar(u'\0')))
            return std::nullopt;
    }
    return segments;
}

std::optional<RegistryStore::Handle> SqliteRegistryStore::resolve(sqlite3 *db, Handle from,
                                                                  const QStringList &segments)
{
    if (segments.isEmpty())
        return keyExists(db, from) ? std::optional(from) : std::nullopt;
    Handle key = from;
    for (const QString &segment : segments) {
        SqliteStatement find(db, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
        find.bind(1, qint64(key)).bind(2, fold(segment));
        if (find.step() != SQLITE_ROW)
            return std::nullopt;
        key = Handle(find.columnInt(0));
    }
    return key;
}

bool SqliteRegistryStore::keyExists(sqlite3 *db, Handle key)
{
    if (key == RootHandle)
        return true;
    SqliteStatement find(db, "SELECT 1 FROM keys WHERE id = ?1");
    find.bind(1, qint64(key));
    return find.step() == SQLITE_ROW;
}

std::optional<RegistryStore::Handle> SqliteRegistryStore::openKey(RegistryRoot, const QString &path)
{
    const auto segments = splitPath(path);
    if (!segments)
        return std::nullopt;
    // The root exists even before the file does.
    if (segments->isEmpty())
        return RootHandle;
    sqlite3 *db = connection(false);
    if (!db)
        return std::nullopt;
    return resolve(db, RootHandle, *segments);
}

std::optional<RegistryStore::Handle> SqliteRegistryStore::createKey(RegistryRoot,
                                                                    const QString &path)
{
    const auto segments = splitPath(path);
    if (!segments)
        return std::nullopt;
    if (segments->isEmpty())
        return RootHandle;
    Handle key = RootHandle;
    const bool ok = write([&](sqlite3 *db) {
        key = RootHandle;
        for (const QString &segment : *segments) {
            const QString folded = fold(segment);
            SqliteStatement find(db, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
            find.bind(1, qint64(key)).bind(2, folded);
            const int found = find.step();
            if (found == SQLITE_ROW) {
                key = Handle(find.columnInt(0));
                continue;
            }
            if (found != SQLITE_DONE)
                return false;
            SqliteStatement insert(db, "INSERT INTO keys (parent, name, fold) VALUES (?1, ?2, ?3)");
            insert.bind(1, qint64(key)).bind(2, segment).bind(3, folded);
            if (!insert.exec())
                return false;
            key = Handle(sqlite3_last_insert_rowid(db));
        }
        return true;
    });
    return ok ? std::optional(key) : std::nullopt;
}

void SqliteRegistryStore::closeKey(Handle)
{
    // A handle is only a row id: nothing is held open per key.
}

std::optional<RegistryValue> SqliteRegistryStore::queryValue(Handle key, const QString &name)
{
    sqlite3 *db = connection(false);
    if (!db)
        return std::nullopt;
    SqliteStatement query(db, "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
    query.bind(1, qint64(key)).bind(2, fold(name));
    if (query.step() != SQLITE_ROW)
        return std::nullopt;
    return RegistryValue{quint32(query.columnInt(0)), query.columnBlob(1)};
}

bool SqliteRegistryStore::setValue(Handle key, const QString &name, const RegistryValue &value)
{
    if (name.size() > MaxValueNameLength)
        return false;
    return write([&](sqlite3 *db) {
        // A handle whose key was deleted meanwhile (by us or another process) must not
        // leave an orphaned value behind.
        if (!keyExists(db, key))
            return false;
        // An existing value keeps the spelling of its name, as in the registry.
        SqliteStatement upsert(db, "INSERT INTO vals (key, name, fold, type, data)"
                                   " VALUES (?1, ?2, ?3, ?4, ?5)"
                                   " ON CONFLICT (key, fold) DO UPDATE"
                                   " SET type = excluded.type, data = excluded.data");
        upsert.bind(1, qint64(key)).bind(2, name).bind(3, fold(name)).bind(4, qint64(value.type));
        upsert.bindBlob(5, value.data);
        return upsert.exec();
    });
}

bool SqliteRegistryStore::deleteValue(Handle key, const QString &name)
{
    return write([&](sqlite3 *db) {
        SqliteStatement remove(db, "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
        remove.bind(1, qint64(key)).bind(2, fold(name));
        return remove.exec() && sqlite3_changes(db) > 0;
    });
}

std::optional<QString> SqliteRegistryStore::listed(std::optional<Listing> &listing, Handle key,
                                                   int index, const char *sql)
{
    if (index < 0)
        return std::nullopt;
    // Callers walk the indexes from 0 up. The names are read in one query when a walk
    // starts, and each later index is taken from that list: one query per index (with an
    // offset) would make listing n names cost n squared.
    if (index == 0 || !listing || listing->key != key) {
        listing.reset();
        sqlite3 *db = connection(false);
        if (!db)
            return std::nullopt;
        SqliteStatement list(db, sql);
        list.bind(1, qint64(key));
        Listing fresh{key, {}};
        int step = SQLITE_DONE;
        while ((step = list.step()) == SQLITE_ROW)
            fresh.names.append(list.columnText(0));
        if (step != SQLITE_DONE)
            return std::nullopt;
        listing = std::move(fresh);
    }
    if (index >= listing->names.size())
        return std::nullopt;
    return listing->names.at(index);
}

std::optional<QString> SqliteRegistryStore::enumValue(Handle key, int index)
{
    // Values come in the order they were first written, as the registry lists them.
    return listed(m_valueListing, key, index,
                  "SELECT name FROM vals WHERE key = ?1 ORDER BY rowid");
}

std::optional<QString> SqliteRegistryStore::enumKey(Handle key, int index)
{
    return listed(m_keyListing, key, index,
                  "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold");
}

QString SqliteRegistryStore::diagnose()
{
    if (m_path.isEmpty() || !QFileInfo::exists(m_path))
        return {};
    if (!isUsablePath(m_path))
        return QStringLiteral("it is not a regular file");
    sqlite3 *db = connection(false);
    if (!db)
        return QStringLiteral("it cannot be opened");
    SqliteStatement check(db, "PRAGMA quick_check(1)");
    const int step = check.step();
    if (step != SQLITE_ROW)
        return QString::fromUtf8(sqlite3_errmsg(db));
    const QString result = check.columnText(0);
    return result == QLatin1String("ok") ? QString() : result;
}

bool SqliteRegistryStore::deleteKey(Handle key, const QString &subKey)
{
    const auto segments = splitPath(subKey);
    // An empty name would mean the key itself (or the root): never deleted this way.
    if (!segments || segments->isEmpty())
        return false;
    return write([&](sqlite3 *db) {
        const auto target = resolve(db, key, *segments);
        if (!target)
            return false;
        SqliteStatement children(db, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
        children.bind(1, qint64(*target));
        if (children.step() != SQLITE_DONE)
            return false;
        SqliteStatement values(db, "DELETE FROM vals WHERE key = ?1");
        values.bind(1, qint64(*target));
        SqliteStatement self(db, "DELETE FROM keys WHERE id = ?1");
        self.bind(1, qint64(*target));
        return values.exec() && self.exec();
    });
}

bool SqliteRegistryStore::runBatch(const std::function<bool()> &changes)
{
    return write([&](sqlite3 *) { return changes(); });
}
