#include "RegistryTestFixture.h"

#include "RegistryKey.h"
#include "RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void RegistryTestFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    qputenv("PARLANCE_MACHINE_REGISTRY", QFile::encodeName(databasePath()));
    RegistryStore::setCurrent(nullptr);
}

void RegistryTestFixture::TearDown()
{
    RegistryStore::setCurrent(nullptr);
    qunsetenv("PARLANCE_MACHINE_REGISTRY");
}

QString RegistryTestFixture::makeFile(const QString &relativePath) const
{
    const QString path = tempPath(relativePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("voice");
    return path;
}

void RegistryTestFixture::setRaw(const QString &keyPath, const QString &name,
                                 const RegistryValue &value)
{
    const RegistryKey key = RegistryKey::create(RegistryRoot::LocalMachine, keyPath);
    ASSERT_TRUE(key.setValue(name, value));
}

bool RegistryTestFixture::keyExists(const QString &keyPath)
{
    return RegistryKey::open(RegistryRoot::LocalMachine, keyPath).isOpen();
}

bool RegistryTestFixture::valueExists(const QString &keyPath, const QString &name)
{
    return RegistryKey::open(RegistryRoot::LocalMachine, keyPath).queryValue(name).has_value();
}
