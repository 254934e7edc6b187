#pragma once

#include "RegistryStore.h"

#include <QString>
#include <QStringList>

// Writes a key of the machine registry, with everything below it, as a "Windows Registry
// Editor Version 5.00" file that RegFileParser (and the registry editor) reads back to the
// same keys and values.
//
// Strings go out as "text" when they can (no NUL, no line break), otherwise as hex(1) in
// UTF-16LE with a terminating NUL, like expanded strings (hex(2)); lists (hex(7)) keep their
// own NULs. A double word of four bytes is dword:; everything else is hex bytes, broken into
// lines of at most 80 characters.
class RegFileWriter
{
public:
    explicit RegFileWriter(RegistryStore &store);

    // Builds the text for HKEY_LOCAL_MACHINE\keyPath (an empty path: the whole registry).
    // False with error() when the key does not exist or holds a name that a registry file
    // cannot carry (a line break would end the line early).
    bool write(const QString &keyPath);

    // The path as the store spells its keys, whatever case `keyPath` was typed in, so that an
    // export made from a lower-case command line still recreates the keys as they were.
    QString storedSpelling(const QString &keyPath);

    // Lines end in "\n"; the text ends with an empty line, as the registry editor's files do.
    QString text() const;
    QString error() const { return m_error; }
    // Values written with a loss (string data the store cannot read as text).
    QStringList warnings() const { return m_warnings; }

    // As the registry editor saves files: UTF-16LE with a byte-order mark, CRLF line ends.
    static QByteArray toUtf16File(const QString &text);
    // For pipes and terminals: UTF-8 without a byte-order mark, LF line ends.
    static QByteArray toUtf8(const QString &text);

private:
    bool writeKey(RegistryStore::Handle key, const QString &keyPath);
    bool writeValue(const QString &keyPath, const QString &name, const RegistryValue &value);
    QString textOf(const QString &keyPath, const QString &name, const QByteArray &data);
    void appendHex(const QString &prefix, const QByteArray &bytes);

    RegistryStore &m_store;
    QStringList m_lines;
    QString m_error;
    QStringList m_warnings;
};
