#pragma once

#include "RegFileError.h"
#include "RegFileOperation.h"
#include "RegistryStore.h"

#include <QList>
#include <optional>

class SqliteRegistryStore;

// Applies the changes of a registry file (see RegFileParser) to the machine registry as one
// transaction: when any change is refused, none is kept, and a reader or installer in
// another process never sees half a file.
class RegFileImporter
{
public:
    explicit RegFileImporter(SqliteRegistryStore &store);

    // False with error() set when nothing was changed.
    bool apply(const QList<RegFileOperation> &operations);
    const RegFileError &error() const { return m_error; }

private:
    bool applyOne(const RegFileOperation &operation);
    bool openSection(const QString &keyPath);
    bool deleteTree(const QString &keyPath);
    bool fail(const RegFileOperation &operation, const QString &message);

    SqliteRegistryStore &m_store;
    RegFileError m_error;
    // The key that the values being applied belong to.
    std::optional<RegistryStore::Handle> m_key;
    QString m_keyPath;
};
