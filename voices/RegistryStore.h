#pragma once

#include "RegistryRoot.h"
#include "RegistryValue.h"

#include <QString>
#include <memory>
#include <optional>

// The machine registry as the reader sees it: keys addressed by "\"-separated paths under a
// root, each with a default value (the empty name) and named, typed values. Key and value
// names are compared without regard to case and keep the case they were created with. The
// operations follow the registry's own: open or create a key and get a handle, work on the
// handle, close it. Nothing here throws; a failure is an empty optional or false.
//
// Backends: SqliteRegistryStore on Linux; the Windows registry itself on Windows.
class RegistryStore
{
public:
    // Opaque for callers: a key handle on Windows, a row id in the SQLite file.
    using Handle = quint64;

    // The registry's own limits: a key name of 255 characters, keys nested 512 levels.
    static constexpr int MaxKeyNameLength = 255;
    static constexpr int MaxKeyDepth = 512;

    virtual ~RegistryStore() = default;

    // Opens an existing key; an empty path opens the root itself.
    virtual std::optional<Handle> openKey(RegistryRoot root, const QString &path) = 0;
    // Opens a key, creating it and any missing keys along the path.
    virtual std::optional<Handle> createKey(RegistryRoot root, const QString &path) = 0;
    virtual void closeKey(Handle key) = 0;

    virtual std::optional<RegistryValue> queryValue(Handle key, const QString &name) = 0;
    virtual bool setValue(Handle key, const QString &name, const RegistryValue &value) = 0;
    virtual bool deleteValue(Handle key, const QString &name) = 0;
    // Value names in the order the store enumerates them; empty at the end of the list.
    virtual std::optional<QString> enumValue(Handle key, int index) = 0;

    // Sub-key names in case-insensitive alphabetical order; empty at the end of the list.
    virtual std::optional<QString> enumKey(Handle key, int index) = 0;
    // Deletes the sub-key (a path relative to the key) with its values. A key that still
    // has sub-keys is not deleted.
    virtual bool deleteKey(Handle key, const QString &subKey) = 0;

    // How many reads so far gave up because another process held the store locked; a
    // caller that sees it grow reads again later.
    virtual int busyMisses() const { return 0; }

    // How string values are laid out in bytes. Without a terminating NUL: readers cut at the
    // first NUL anyway.
    virtual QByteArray encodeString(const QString &text) const;
    virtual QString decodeString(const QByteArray &data) const;

    // The store every registry operation of the process goes to. Created on first use as
    // the platform's default store; tests install their own, and setting an empty pointer
    // makes the next use create a fresh default store (picking up a changed environment).
    static std::shared_ptr<RegistryStore> current();
    static void setCurrent(std::shared_ptr<RegistryStore> store);
};

// The platform's default store, defined by the backend that the build includes.
std::shared_ptr<RegistryStore> createPlatformRegistryStore();
