#pragma once

#include <QString>
#include <memory>

class QSettings;

// The reader's per-user settings: string values addressed by section and key under the
// application name "Reader", each read with a default. On Linux they live in an INI file in
// the per-user configuration folder; tests point the store at a file of their own.
class ReaderSettings
{
public:
    static inline const QString ApplicationName = QStringLiteral("Reader");
    static inline const QString Organization = QStringLiteral("Larkvane");
    static inline const QString SectionSettings = QStringLiteral("Settings");
    static inline const QString SectionOptions = QStringLiteral("Options");
    static inline const QString True = QStringLiteral("True");
    static inline const QString False = QStringLiteral("False");

    // An empty `file` means the per-user store.
    explicit ReaderSettings(const QString &file = QString());
    ~ReaderSettings();

    QString setting(const QString &section, const QString &key,
                    const QString &defaultValue = QString()) const;

    // Written through at once: the clean-shutdown marker must be on disk before a crash
    // can happen, not whenever the store decides to flush.
    void saveSetting(const QString &section, const QString &key, const QString &value);

    static QString flag(bool on) { return on ? True : False; }

    // Where the values are kept (for the README and for tests).
    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_store;
};
