#pragma once

#include "RegistryStore.h"

#include <QHash>
#include <memory>

// A machine registry that the user may not write (an installed, system-wide store) with a
// store of the user's own over it: reads see both, the user's values first; writes go to the
// user's store only. Keys and values of the system store cannot be deleted through it.
class LayeredRegistryStore : public RegistryStore
{
public:
    LayeredRegistryStore(std::shared_ptr<RegistryStore> system,
                         std::shared_ptr<RegistryStore> user);

    std::optional<Handle> openKey(RegistryRoot root, const QString &path) override;
    std::optional<Handle> createKey(RegistryRoot root, const QString &path) override;
    void closeKey(Handle key) override;
    std::optional<RegistryValue> queryValue(Handle key, const QString &name) override;
    bool setValue(Handle key, const QString &name, const RegistryValue &value) override;
    bool deleteValue(Handle key, const QString &name) override;
    std::optional<QString> enumValue(Handle key, int index) override;
    std::optional<QString> enumKey(Handle key, int index) override;
    bool deleteKey(Handle key, const QString &subKey) override;

private:
    struct Key
    {
        RegistryRoot root;
        QString path;
        std::optional<Handle> system;
        std::optional<Handle> user;
    };
    Key *find(Handle key);
    // The names from both stores, the user's first, each once (case-insensitively).
    static QStringList merged(const std::function<std::optional<QString>(int)> &first,
                              const std::function<std::optional<QString>(int)> &second);

    std::shared_ptr<RegistryStore> m_system;
    std::shared_ptr<RegistryStore> m_user;
    QHash<Handle, Key> m_keys;
    Handle m_next = 1;
};
