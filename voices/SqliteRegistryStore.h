#pragma once

#include "RegistryStore.h"

#include <QStringList>
#include <atomic>
#include <functional>

struct sqlite3;

// The machine registry on Linux: one SQLite database file that stands for
// HKEY_LOCAL_MACHINE. The file is named by PARLANCE_MACHINE_REGISTRY, else it is
// "parlance/machine-registry.sqlite" in the per-user data folder
// (~/.local/share/parlance/machine-registry.sqlite on a usual setup).
//
// Voice packages install into the file from their own process while a reader may be
// running, so every change is a transaction of its own and both sides wait for each other
// (busy timeout) instead of failing or overwriting. A file that is missing, unreadable, not
// a database or not ours reads as an empty registry; it is only created by the first write
// and never overwritten when it cannot be read. The window's thread waits for a lock only
// briefly; other threads and tools wait long. When the user may not write the file (a
// store installed system-wide), the platform store layers userLayerPath() over it.
class SqliteRegistryStore : public RegistryStore
{
public:
    enum class Access { ReadWrite, ReadOnly };

    explicit SqliteRegistryStore(QString path, Access access = Access::ReadWrite);
    ~SqliteRegistryStore() override;
    SqliteRegistryStore(const SqliteRegistryStore &) = delete;
    SqliteRegistryStore &operator=(const SqliteRegistryStore &) = delete;

    // PARLANCE_MACHINE_REGISTRY, else the file in the per-user data folder; empty when
    // there is no such folder (the store then reads as empty and cannot be written).
    static QString defaultPath();
    // The per-user store that is layered over a machine registry the user may not write:
    // "parlance/user-registry.sqlite" in the per-user data folder.
    static QString userLayerPath();
    // Whether this user may change the database file (and its journal) at `path`.
    static bool isWritable(const QString &path);

    QString path() const { return m_path; }

    // Runs several changes as one transaction: when `changes` returns false (or the
    // database fails), none of them is kept and other processes never see a part of them.
    bool runBatch(const std::function<bool()> &changes);

    std::optional<Handle> openKey(RegistryRoot root, const QString &path) override;
    std::optional<Handle> createKey(RegistryRoot root, const QString &path) override;
    void closeKey(Handle key) override;
    std::optional<RegistryValue> queryValue(Handle key, const QString &name) override;
    bool setValue(Handle key, const QString &name, const RegistryValue &value) override;
    bool deleteValue(Handle key, const QString &name) override;
    std::optional<QString> enumValue(Handle key, int index) override;
    std::optional<QString> enumKey(Handle key, int index) override;
    bool deleteKey(Handle key, const QString &subKey) override;
    int busyMisses() const override;

    // Why the file is not a usable registry (not a database, damaged, not a regular file);
    // empty when it is one or does not exist. Reads the whole file: for tools, not the
    // window.
    QString diagnose();

private:
    struct Listing
    {
        Handle key;
        QStringList names;
    };
    std::optional<QString> listed(std::optional<Listing> &listing, Handle key, int index,
                                  const char *sql);
    static int onBusy(void *store, int attempt);
    sqlite3 *connection(bool forWrite);
    bool write(const std::function<bool(sqlite3 *)> &changes);
    static bool ensureSchema(sqlite3 *db);
    static std::optional<QStringList> splitPath(const QString &path);
    static std::optional<Handle> resolve(sqlite3 *db, Handle from, const QStringList &segments);
    static bool keyExists(sqlite3 *db, Handle key);

    QString m_path;
    Access m_access;
    sqlite3 *m_db = nullptr;
    bool m_readOnlyConnection = false;
    std::optional<Listing> m_keyListing;
    std::optional<Listing> m_valueListing;
    std::atomic<int> m_busyMisses = 0;
    bool m_writing = false;
};
