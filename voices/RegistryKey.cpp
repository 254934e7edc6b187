#include "RegistryKey.h"

#include <utility>

RegistryKey::RegistryKey(std::shared_ptr<RegistryStore> store, RegistryStore::Handle handle)
    : m_store(std::move(store)), m_handle(handle)
{
}

RegistryKey::~RegistryKey()
{
    close();
}

RegistryKey::RegistryKey(RegistryKey &&other) noexcept
    : m_store(std::exchange(other.m_store, nullptr)), m_handle(other.m_handle)
{
}

RegistryKey &RegistryKey::operator=(RegistryKey &&other) noexcept
{
    if (this != &other) {
        close();
        m_store = std::exchange(other.m_store, nullptr);
        m_handle = other.m_handle;
    }
    return *this;
}

RegistryKey RegistryKey::open(RegistryRoot root, const QString &path)
{
    auto store = RegistryStore::current();
    if (const auto handle = store->openKey(root, path))
        return RegistryKey(std::move(store), *handle);
    return {};
}

RegistryKey RegistryKey::create(RegistryRoot root, const QString &path)
{
    auto store = RegistryStore::current();
    if (const auto handle = store->createKey(root, path))
        return RegistryKey(std::move(store), *handle);
    return {};
}

void RegistryKey::close()
{
    if (m_store)
        std::exchange(m_store, nullptr)->closeKey(m_handle);
}

std::optional<RegistryValue> RegistryKey::queryValue(const QString &name) const
{
    if (!m_store)
        return std::nullopt;
    return m_store->queryValue(m_handle, name);
}

bool RegistryKey::setValue(const QString &name, const RegistryValue &value) const
{
    return m_store && m_store->setValue(m_handle, name, value);
}

bool RegistryKey::deleteValue(const QString &name) const
{
    return m_store && m_store->deleteValue(m_handle, name);
}

std::optional<QString> RegistryKey::enumValue(int index) const
{
    if (!m_store)
        return std::nullopt;
    return m_store->enumValue(m_handle, index);
}

std::optional<QString> RegistryKey::enumKey(int index) const
{
    if (!m_store)
        return std::nullopt;
    return m_store->enumKey(m_handle, index);
}

bool RegistryKey::deleteKey(const QString &subKey) const
{
    return m_store && m_store->deleteKey(m_handle, subKey);
}

QString RegistryKey::decodeString(const QByteArray &data) const
{
    return m_store ? m_store->decodeString(data) : QString::fromUtf8(data);
}

QByteArray RegistryKey::encodeString(const QString &text) const
{
    return m_store ? m_store->encodeString(text) : text.toUtf8();
}
