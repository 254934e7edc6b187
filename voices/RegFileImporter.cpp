#include "RegFileImporter.h"

#include "SqliteRegistryStore.h"

namespace {
QString fullName(const QString &keyPath)
{
    return keyPath.isEmpty() ? QStringLiteral("HKEY_LOCAL_MACHINE")
                             : QStringLiteral("HKEY_LOCAL_MACHINE\\") + keyPath;
}

QString valueLabel(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("the default value")
                          : QStringLiteral("the value \"%1\"").arg(name);
}
} // namespace

RegFileImporter::RegFileImporter(SqliteRegistryStore &store) : m_store(store) {}

bool RegFileImporter::fail(const RegFileOperation &operation, const QString &message)
{
    m_error = {operation.line, message};
    return false;
}

bool RegFileImporter::apply(const QList<RegFileOperation> &operations)
{
    m_error = {};
    m_key.reset();
    m_keyPath.clear();
    bool started = false;
    bool finished = false;
    const bool ok = m_store.runBatch([&] {
        started = true;
        for (const RegFileOperation &operation : operations) {
            if (!applyOne(operation))
                return false;
        }
        finished = true;
        return true;
    });
    m_key.reset();
    if (ok)
        return true;
    if (!started)
        m_error = {0, QStringLiteral("cannot write to the registry database \"%1\" (no "
                                     "permission, or the file is not a registry database)")
                          .arg(m_store.path())};
    else if (finished)
        m_error = {0, QStringLiteral("the registry database \"%1\" could not save the changes")
                          .arg(m_store.path())};
    return false;
}

bool RegFileImporter::applyOne(const RegFileOperation &operation)
{
    switch (operation.kind) {
    case RegFileOperation::CreateKey:
        if (!openSection(operation.keyPath))
            return fail(
                operation,
                QStringLiteral("cannot create the key %1").arg(fullName(operation.keyPath)));
        return true;
    case RegFileOperation::DeleteKey:
        m_key.reset();
        if (!deleteTree(operation.keyPath))
            return fail(
                operation,
                QStringLiteral("cannot delete the key %1").arg(fullName(operation.keyPath)));
        return true;
    case RegFileOperation::SetValue:
        if (!openSection(operation.keyPath) ||
            !m_store.setValue(*m_key, operation.valueName, operation.value))
            return fail(operation,
                        QStringLiteral("cannot write %1 of the key %2")
                            .arg(valueLabel(operation.valueName), fullName(operation.keyPath)));
        return true;
    case RegFileOperation::DeleteValue:
        // Deleting what is not there is no error, as in the registry editor.
        if (!openSection(operation.keyPath))
            return fail(
                operation,
                QStringLiteral("cannot create the key %1").arg(fullName(operation.keyPath)));
        if (m_store.queryValue(*m_key, operation.valueName) &&
            !m_store.deleteValue(*m_key, operation.valueName))
            return fail(operation,
                        QStringLiteral("cannot delete %1 of the key %2")
                            .arg(valueLabel(operation.valueName), fullName(operation.keyPath)));
        return true;
    }
    return false;
}

bool RegFileImporter::openSection(const QString &keyPath)
{
    if (m_key && m_keyPath == keyPath)
        return true;
    m_key = m_store.createKey(RegistryRoot::LocalMachine, keyPath);
    m_keyPath = keyPath;
    return m_key.has_value();
}

bool RegFileImporter::deleteTree(const QString &keyPath)
{
    const auto key = m_store.openKey(RegistryRoot::LocalMachine, keyPath);
    // Already gone: nothing to do, as in the registry editor.
    if (!key)
        return true;
    // All names first: deleting while enumerating would skip every other sub-key.
    QStringList names;
    for (int i = 0;; ++i) {
        const auto name = m_store.enumKey(*key, i);
        if (!name)
            break;
        names.append(*name);
    }
    m_store.closeKey(*key);
    for (const QString &name : names) {
        if (!deleteTree(keyPath + QLatin1Char('\\') + name))
            return false;
    }
    const auto root = m_store.openKey(RegistryRoot::LocalMachine, QString());
    return root && m_store.deleteKey(*root, keyPath);
}
