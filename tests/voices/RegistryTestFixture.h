#pragma once

#include "RegistryValue.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every test gets its own machine registry: a fresh folder with the database file that
// PARLANCE_MACHINE_REGISTRY names, and a fresh default store that opens it.
class RegistryTestFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString databasePath() const { return m_dir.filePath(QStringLiteral("machine.sqlite")); }
    QString tempPath(const QString &name) const { return m_dir.filePath(name); }
    // Creates a file (and its folders), as an installed voice file would be.
    QString makeFile(const QString &relativePath) const;

    // Writes a value of any type, bypassing the string layer.
    static void setRaw(const QString &keyPath, const QString &name, const RegistryValue &value);
    static bool keyExists(const QString &keyPath);
    static bool valueExists(const QString &keyPath, const QString &name);

    QTemporaryDir m_dir;
};
