#pragma once

#include <QByteArray>
#include <QtGlobal>

// One named value of a registry key as the registry keeps it: a type number and raw bytes.
// Strings are stored as the store encodes them (see RegistryStore::encodeString), without
// any interpretation here, so that a value of another type or with embedded NULs survives
// a round trip unchanged.
struct RegistryValue
{
    // The type numbers of the Windows registry, so that values move between the two
    // platforms (and registry files) without translation.
    enum Type : quint32 {
        None = 0,
        Sz = 1,
        ExpandSz = 2,
        Binary = 3,
        Dword = 4,
        DwordBigEndian = 5,
        Link = 6,
        MultiSz = 7,
        ResourceList = 8,
        FullResourceDescriptor = 9,
        ResourceRequirementsList = 10,
        Qword = 11,
    };

    quint32 type = None;
    QByteArray data;

    friend bool operator==(const RegistryValue &, const RegistryValue &) = default;
};
