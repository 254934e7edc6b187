#pragma once

#include "RegistryValue.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <optional>

class RegistryStore;
class SqliteRegistryStore;

// The command line of `parlance-registry`: import a registry file into the machine
// registry, export a key to one, list a key. Output goes to `out`, messages to `err`;
// run() gives the exit status.
class RegistryTool
{
public:
    enum ExitStatus { Success = 0, Failure = 1, UsageError = 2 };

    RegistryTool(QIODevice &out, QIODevice &err);

    // The arguments without the program name.
    int run(const QStringList &arguments);

    static QString usage();

private:
    int importFile(const QString &file);
    int exportKey(const QString &keyName, const QString &file);
    int listKey(const QString &keyName);
    std::optional<QString> keyPath(const QString &keyName);
    bool databaseExists();
    // Why the database cannot be read as a registry, as a message; empty when it can.
    QString damage(SqliteRegistryStore &store) const;
    QString describe(const RegistryStore &store, const RegistryValue &value) const;

    int fail(const QString &message);
    int usageError(const QString &message);
    void print(QIODevice &device, const QString &text);

    QIODevice &m_out;
    QIODevice &m_err;
    QString m_database;
};
