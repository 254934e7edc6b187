#include "RegistryAccess.h"

#include "MessageBoxService.h"

#include <QDir>

namespace RegistryAccess {

QString stringValue(const RegistryKey &key, const QString &valueName)
{
    const auto value = key.queryValue(valueName);
    if (!value || value->type != RegistryValue::Sz)
        return {};
    return trimAtNull(key.decodeString(value->data));
}

QString readString(RegistryRoot root, const QString &keyPath, const QString &valueName)
{
    const RegistryKey key = RegistryKey::open(root, keyPath);
    return stringValue(key, valueName);
}

QString trimAtNull(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

void writeString(RegistryRoot root, const QString &keyPath, const QString &valueName,
                 const QString &text)
{
    const RegistryKey key = RegistryKey::create(root, keyPath);
    // The data is the whole encoded text without a terminating NUL; readers accept both.
    key.setValue(valueName, RegistryValue{RegistryValue::Sz, key.encodeString(text)});
}

void listSubKeys(const QString &keyPath, QStringList &names, bool append)
{
    if (!append || names.isEmpty())
        names = QStringList{QString()};
    const RegistryKey key = RegistryKey::open(RegistryRoot::LocalMachine, keyPath);
    if (!key.isOpen())
        return;
    for (int index = 0;; ++index) {
        const auto name = key.enumKey(index);
        if (!name)
            break;
        names.append(*name);
    }
}

void deleteSubKeys(RegistryRoot root, const QString &keyPath)
{
    const RegistryKey key = RegistryKey::open(root, keyPath);
    if (!key.isOpen()) {
        MessageBoxService::show(QStringLiteral("Error opening key '") + keyPath +
                                QStringLiteral("'"));
        return;
    }
    // Gather the names before deleting anything: deleting shifts the enumeration indexes.
    QStringList names;
    for (int index = 0;; ++index) {
        const auto name = key.enumKey(index);
        if (!name)
            break;
        names.append(trimAtNull(*name));
    }
    // A sub-key that cannot be emptied stays (its deletion fails); its siblings still go.
    for (const QString &name : std::as_const(names)) {
        deleteSubKeys(root, keyPath + QLatin1Char('\\') + name);
        key.deleteKey(name);
    }
}

void deleteKeyTree(RegistryRoot root, const QString &keyPath)
{
    QString path = keyPath;
    if (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    deleteSubKeys(root, path);
    const qsizetype separator = path.lastIndexOf(QLatin1Char('\\'));
    if (separator < 0) {
        RegistryKey::open(root, QString()).deleteKey(path);
        return;
    }
    const RegistryKey parent = RegistryKey::open(root, path.left(separator));
    if (!parent.isOpen()) {
        MessageBoxService::show(QStringLiteral("Error opening parent key"));
        return;
    }
    parent.deleteKey(path.mid(separator + 1));
}

QString temporaryFolder()
{
    QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return {};
    // Callers append a file name directly, as to the system's own answer.
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return QDir::toNativeSeparators(folder);
}

} // namespace RegistryAccess
