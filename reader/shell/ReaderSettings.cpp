#include "ReaderSettings.h"

#include <QSettings>

ReaderSettings::ReaderSettings(const QString &file)
    : m_store(file.isEmpty()
                  ? std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                Organization, ApplicationName)
                  : std::make_unique<QSettings>(file, QSettings::IniFormat))
{
}

ReaderSettings::~ReaderSettings() = default;

QString ReaderSettings::setting(const QString &section, const QString &key,
                                const QString &defaultValue) const
{
    // Another process (a second reader, the user's editor) may have changed the file.
    m_store->sync();
    const QVariant value = m_store->value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return defaultValue;
    // A list (a value written with commas by hand) reads back as its text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void ReaderSettings::saveSetting(const QString &section, const QString &key, const QString &value)
{
    m_store->setValue(section + QLatin1Char('/') + key, value);
    m_store->sync();
}

QString ReaderSettings::fileName() const
{
    return m_store->fileName();
}
