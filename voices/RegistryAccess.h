#pragma once

#include "RegistryKey.h"
#include "RegistryRoot.h"

#include <QString>
#include <QStringList>

// The reader's registry layer: string values, sub-key lists and key-tree deletion, all on
// the current RegistryStore. Reads never report anything: whatever goes wrong, the answer
// is empty text, and callers treat empty and missing alike.
namespace RegistryAccess {

// The value's text when it is a plain string value (REG_SZ), cut at its first NUL; empty
// for a key that is not open, a missing value or a value of any other type.
QString stringValue(const RegistryKey &key, const QString &valueName);

// Opens root\keyPath, reads the value and closes the key again. The empty name reads the
// key's default value.
QString readString(RegistryRoot root, const QString &keyPath, const QString &valueName);

// The text up to (not including) its first NUL character.
QString trimAtNull(const QString &text);

// Writes a string value, creating the key and any missing keys above it. Failures leave no
// trace and are not reported.
void writeString(RegistryRoot root, const QString &keyPath, const QString &valueName,
                 const QString &text);

// Fills `names` with the sub-keys of HKEY_LOCAL_MACHINE\keyPath in the registry's order.
// The list is 1-based: element 0 is an empty placeholder and an upper bound of 0 means no
// names. With `append` the names go after those already in the list.
void listSubKeys(const QString &keyPath, QStringList &names, bool append);

// Deletes the key with everything below it. One trailing "\" is ignored.
void deleteKeyTree(RegistryRoot root, const QString &keyPath);

// Deletes everything below the key, depth first, leaving the key itself.
void deleteSubKeys(RegistryRoot root, const QString &keyPath);

// The temporary-files folder with its trailing separator, or empty when there is none.
QString temporaryFolder();

} // namespace RegistryAccess
