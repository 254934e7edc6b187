#pragma once

#include "RegistryStore.h"

#include <QString>
#include <memory>
#include <optional>

// An open registry key. Closes its handle when it goes out of scope, so that every
// operation that opens a key has closed it again before it returns. A key that failed to
// open is simply not open: every operation on it fails quietly.
class RegistryKey
{
public:
    RegistryKey() = default;
    RegistryKey(std::shared_ptr<RegistryStore> store, RegistryStore::Handle handle);
    ~RegistryKey();

    RegistryKey(RegistryKey &&other) noexcept;
    RegistryKey &operator=(RegistryKey &&other) noexcept;
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;

    // Both go to the current store (RegistryStore::current()).
    static RegistryKey open(RegistryRoot root, const QString &path);
    static RegistryKey create(RegistryRoot root, const QString &path);

    bool isOpen() const { return m_store != nullptr; }
    void close();

    std::optional<RegistryValue> queryValue(const QString &name) const;
    bool setValue(const QString &name, const RegistryValue &value) const;
    bool deleteValue(const QString &name) const;
    std::optional<QString> enumValue(int index) const;
    std::optional<QString> enumKey(int index) const;
    bool deleteKey(const QString &subKey) const;

    // The store's string layout (see RegistryStore::encodeString).
    QString decodeString(const QByteArray &data) const;
    QByteArray encodeString(const QString &text) const;

private:
    std::shared_ptr<RegistryStore> m_store;
    RegistryStore::Handle m_handle = 0;
};
