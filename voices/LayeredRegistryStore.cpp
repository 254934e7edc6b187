#include "LayeredRegistryStore.h"

#include <QSet>
#include <algorithm>

LayeredRegistryStore::LayeredRegistryStore(std::shared_ptr<RegistryStore> system,
                                           std::shared_ptr<RegistryStore> user)
    : m_system(std::move(system)), m_user(std::move(user))
{
}

LayeredRegistryStore::Key *LayeredRegistryStore::find(Handle key)
{
    const auto it = m_keys.find(key);
    return it == m_keys.end() ? nullptr : &it.value();
}

std::optional<RegistryStore::Handle> LayeredRegistryStore::openKey(RegistryRoot root,
                                                                   const QString &path)
{
    Key key{root, path, m_system->openKey(root, path), m_user->openKey(root, path)};
    if (!key.system && !key.user)
        return std::nullopt;
    m_keys.insert(m_next, key);
    return m_next++;
}

std::optional<RegistryStore::Handle> LayeredRegistryStore::createKey(RegistryRoot root,
                                                                     const QString &path)
{
    Key key{root, path, m_system->openKey(root, path), m_user->createKey(root, path)};
    if (!key.user) {
        if (key.system)
            m_system->closeKey(*key.system);
        return std::nullopt;
    }
    m_keys.insert(m_next, key);
    return m_next++;
}

void LayeredRegistryStore::closeKey(Handle handle)
{
    const Key *key = find(handle);
    if (!key)
        return;
    if (key->system)
        m_system->closeKey(*key->system);
    if (key->user)
        m_user->closeKey(*key->user);
    m_keys.remove(handle);
}

std::optional<RegistryValue> LayeredRegistryStore::queryValue(Handle handle, const QString &name)
{
    Key *key = find(handle);
    if (!key)
        return std::nullopt;
    if (key->user)
        if (auto value = m_user->queryValue(*key->user, name))
            return value;
    return key->system ? m_system->queryValue(*key->system, name) : std::nullopt;
}

bool LayeredRegistryStore::setValue(Handle handle, const QString &name, const RegistryValue &value)
{
    Key *key = find(handle);
    if (!key)
        return false;
    // A key that so far exists only in the system store gets its copy in the user's.
    if (!key->user)
        key->user = m_user->createKey(key->root, key->path);
    return key->user && m_user->setValue(*key->user, name, value);
}

bool LayeredRegistryStore::deleteValue(Handle handle, const QString &name)
{
    Key *key = find(handle);
    if (!key || !key->user)
        return false;
    const bool deleted = m_user->deleteValue(*key->user, name);
    return deleted && !(key->system && m_system->queryValue(*key->system, name));
}

QStringList LayeredRegistryStore::merged(const std::function<std::optional<QString>(int)> &first,
                                         const std::function<std::optional<QString>(int)> &second)
{
    QStringList names;
    QSet<QString> seen;
    for (const auto &list : {first, second}) {
        for (int i = 0;; ++i) {
            const std::optional<QString> name = list(i);
            if (!name)
                break;
            if (!seen.contains(name->toLower())) {
                seen.insert(name->toLower());
                names.append(*name);
            }
        }
    }
    return names;
}

std::optional<QString> LayeredRegistryStore::enumValue(Handle handle, int index)
{
    Key *key = find(handle);
    if (!key || index < 0)
        return std::nullopt;
    const QStringList names = merged(
        [&](int i) { return key->user ? m_user->enumValue(*key->user, i) : std::nullopt; },
        [&](int i) { return key->system ? m_system->enumValue(*key->system, i) : std::nullopt; });
    return index < names.size() ? std::optional<QString>(names.at(index)) : std::nullopt;
}

std::optional<QString> LayeredRegistryStore::enumKey(Handle handle, int index)
{
    Key *key = find(handle);
    if (!key || index < 0)
        return std::nullopt;
    QStringList names = merged(
        [&](int i) { return key->user ? m_user->enumKey(*key->user, i) : std::nullopt; },
        [&](int i) { return key->system ? m_system->enumKey(*key->system, i) : std::nullopt; });
    // Both stores list keys alphabetically; so does the union.
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return index < names.size() ? std::optional<QString>(names.at(index)) : std::nullopt;
}

bool LayeredRegistryStore::deleteKey(Handle handle, const QString &subKey)
{
    Key *key = find(handle);
    if (!key || !key->user)
        return false;
    const QString path = key->path.isEmpty() ? subKey : key->path + QLatin1Char('\\') + subKey;
    if (const auto system = m_system->openKey(key->root, path)) {
        m_system->closeKey(*system);
        return false;
    }
    return m_user->deleteKey(*key->user, subKey);
}
