#pragma once

#include "RegFileError.h"
#include "RegFileOperation.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <optional>

class RegistryStore;

// Reads a registry file, in the "Windows Registry Editor Version 5.00" format (UTF-16 with a
// byte-order mark as the registry editor saves it, or UTF-8 as `parlance-registry export`
// prints it) or the older "REGEDIT4" format (UTF-8, else the ANSI code page read as
// Latin-1), into the list of changes it asks for. Nothing is applied here: a file is read
// to its end first, so that a mistake on its last line still leaves the registry untouched.
//
// Keys are written "[HKEY_LOCAL_MACHINE\...]" (or "HKLM\..."), deleted with "[-...]".
// Values: "name"="text" (with \\ and \" as the only escapes), @ for the default value,
// dword:0000002a, hex:01,02 for binary data, hex(n): for any other type, and "name"=- to
// delete. Hex data may go on over several lines, each but the last ending in a backslash.
// Lines starting with ";" are comments.
//
// String types given as hex (hex(1), hex(2), hex(7)) hold UTF-16LE text in a 5.00 file and
// ANSI text in a REGEDIT4 file; they are turned into the store's own string layout, and a
// single string loses its terminating NUL, which the store does not keep.
class RegFileParser
{
public:
    enum class Format { Version5, Regedit4 };

    // The store gives the string layout that values are converted to.
    explicit RegFileParser(const RegistryStore &store);

    // False at the first problem, with error() naming its line; operations() is then empty.
    bool parse(const QByteArray &file);

    const QList<RegFileOperation> &operations() const { return m_operations; }
    const RegFileError &error() const { return m_error; }
    Format format() const { return m_format; }

    // The path below HKEY_LOCAL_MACHINE of a key name as registry files write it
    // ("HKEY_LOCAL_MACHINE\Software\X" or "HKLM\Software\X" give "Software\X"; the root
    // alone gives an empty path). Nullopt, with the reason in `problem`, for other roots
    // and malformed names.
    static std::optional<QString> machineKeyPath(const QString &name, QString *problem);

private:
    bool decode(const QByteArray &file);
    bool parseLines();
    bool parseKeyLine(const QString &line);
    bool parseValueLine(const QString &line);
    bool parseData(const QString &data, RegFileOperation &operation);
    bool readHexBytes(QString piece, QByteArray &bytes);
    std::optional<QByteArray> storeStringData(quint32 type, const QByteArray &bytes);
    bool fail(int line, const QString &message);
    int lineNumber() const { return m_index + 1; }

    const RegistryStore &m_store;
    Format m_format = Format::Version5;
    QStringList m_lines;
    int m_index = 0;
    QList<RegFileOperation> m_operations;
    RegFileError m_error;
    // The section that values currently go to.
    bool m_inKey = false;
    bool m_keyDeleted = false;
    QString m_keyPath;
};
