#include "RegistrySnapshot.h"

#include "RegistryStore.h"

namespace {
void addKey(RegistryStore &store, const QString &path, QStringList &lines)
{
    const auto key = store.openKey(RegistryRoot::LocalMachine, path);
    if (!key) {
        lines.append(QStringLiteral("(cannot open [%1])").arg(path));
        return;
    }
    lines.append(QLatin1Char('[') + path + QLatin1Char(']'));
    for (int i = 0;; ++i) {
        const auto name = store.enumValue(*key, i);
        if (!name)
            break;
        const auto value = store.queryValue(*key, *name);
        lines.append(QStringLiteral("%1 = %2: %3")
                         .arg(*name)
                         .arg(value ? value->type : 0xffffffff)
                         .arg(value ? QString::fromLatin1(value->data.toHex(' ')) : "missing"));
    }
    QStringList names;
    for (int i = 0;; ++i) {
        const auto name = store.enumKey(*key, i);
        if (!name)
            break;
        names.append(*name);
    }
    store.closeKey(*key);
    for (const QString &name : names)
        addKey(store, path.isEmpty() ? name : path + QLatin1Char('\\') + name, lines);
}
} // namespace

QStringList registrySnapshot(RegistryStore &store)
{
    QStringList lines;
    addKey(store, QString(), lines);
    return lines;
}
