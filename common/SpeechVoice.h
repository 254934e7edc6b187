#pragma once

#include "VoiceLanguage.h"

#include <QString>

// A voice a SpeechControl offers: its name, the languages it speaks, and whether the words it
// reports while speaking are an estimate.
struct SpeechVoice
{
    QString name;
    VoiceLanguages languages;
    bool estimatedWords = false;
};
