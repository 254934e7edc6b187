#pragma once

#include "EngineSetting.h"
#include "PronunciationLexicon.h"

#include <QString>

// The per-user store of what the engine dialogs set: for each voice its setting values and
// its pronunciation entries. Lives in its own settings file ("Parlance"/"Engines") so that it
// never mixes with the reader's options. Both programs read it at every utterance, so a
// change applies to the next speech of either.
class EngineSettingsStore
{
public:
    EngineSettingsStore() = default;

    EngineSettingValues values(const QString &voice) const;
    void setValues(const QString &voice, const EngineSettingValues &values);

    PronunciationLexicon lexicon(const QString &voice) const;
    void setLexicon(const QString &voice, const PronunciationLexicon &lexicon);

    // Forgets everything stored for the voice.
    void clear(const QString &voice);

private:
    static QString groupOf(const QString &voice);
};
