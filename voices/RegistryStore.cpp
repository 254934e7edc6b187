#include "RegistryStore.h"

#include <mutex>

namespace {
std::mutex &currentMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<RegistryStore> &currentStore()
{
    static std::shared_ptr<RegistryStore> store;
    return store;
}
} // namespace

QByteArray RegistryStore::encodeString(const QString &text) const
{
    return text.toUtf8();
}

QString RegistryStore::decodeString(const QByteArray &data) const
{
    return QString::fromUtf8(data);
}

std::shared_ptr<RegistryStore> RegistryStore::current()
{
    std::lock_guard lock(currentMutex());
    if (!currentStore())
        currentStore() = createPlatformRegistryStore();
    return currentStore();
}

void RegistryStore::setCurrent(std::shared_ptr<RegistryStore> store)
{
    std::lock_guard lock(currentMutex());
    currentStore() = std::move(store);
}
