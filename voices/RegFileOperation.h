#pragma once

#include "RegistryValue.h"

#include <QString>

// One change that a registry file asks for, with the line it comes from so that a change the
// database refuses can still be reported against the file.
struct RegFileOperation
{
    enum Kind {
        CreateKey,   // "[key]": create the key (and those above it); values follow
        DeleteKey,   // "[-key]": delete the key with everything below it
        SetValue,    // "name"=data
        DeleteValue, // "name"=-
    };

    Kind kind = CreateKey;
    int line = 0;
    // Below HKEY_LOCAL_MACHINE, without a trailing separator; empty for the root itself.
    QString keyPath;
    // Empty for the key's default value ("@").
    QString valueName;
    // In the store's layout: string types already encoded as the store keeps them.
    RegistryValue value;
};
