#include "EngineSettingsStore.h"

#include <QSettings>
#include <QUrl>

namespace {
const QString SettingsGroup = QStringLiteral("Settings");
const QString PronunciationArray = QStringLiteral("Pronunciation");

QSettings openStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Parlance"),
                     QStringLiteral("Engines"));
}
} // namespace

QString EngineSettingsStore::groupOf(const QString &voice)
{
    // Voice names may hold '/' or '\', which the settings file would take for nesting.
    return QStringLiteral("Voice ") + QString::fromLatin1(QUrl::toPercentEncoding(voice, " ()[]"));
}

EngineSettingValues EngineSettingsStore::values(const QString &voice) const
{
    QSettings settings = openStore();
    settings.beginGroup(groupOf(voice));
    settings.beginGroup(SettingsGroup);
    EngineSettingValues result;
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys) {
        bool ok = false;
        const int value = settings.value(key).toInt(&ok);
        // A hand-edited value that is not a number falls back to the default.
        if (ok)
            result.insert(key, value);
    }
    return result;
}

void EngineSettingsStore::setValues(const QString &voice, const EngineSettingValues &values)
{
    QSettings settings = openStore();
    settings.beginGroup(groupOf(voice));
    settings.remove(SettingsGroup);
    settings.beginGroup(SettingsGroup);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        settings.setValue(it.key(), it.value());
}

PronunciationLexicon EngineSettingsStore::lexicon(const QString &voice) const
{
    QSettings settings = openStore();
    settings.beginGroup(groupOf(voice));
    const int count = settings.beginReadArray(PronunciationArray);
    QList<PronunciationLexicon::Entry> entries;
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        entries.append({settings.value(QStringLiteral("Word")).toString(),
                        settings.value(QStringLiteral("SayAs")).toString()});
    }
    settings.endArray();
    return PronunciationLexicon(entries);
}

void EngineSettingsStore::setLexicon(const QString &voice, const PronunciationLexicon &lexicon)
{
    QSettings settings = openStore();
    settings.beginGroup(groupOf(voice));
    settings.remove(PronunciationArray);
    const auto &entries = lexicon.entries();
    settings.beginWriteArray(PronunciationArray, int(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(QStringLiteral("Word"), entries[i].word);
        settings.setValue(QStringLiteral("SayAs"), entries[i].sayAs);
    }
    settings.endArray();
}

void EngineSettingsStore::clear(const QString &voice)
{
    QSettings settings = openStore();
    settings.remove(groupOf(voice));
}
