#pragma once

#include "VoiceLanguage.h"

#include <QString>

// A record fetched from a SpeechControl with get resource: the pending event (kind and
// 0-based position in the text of the speak call, in QString units) or a voice (name, the
// languages it speaks, and whether the words it reports are an estimate).
struct SpeechResource
{
    int resourceKind = 0;
    int eventKind = 0;
    int position = 0;
    QString name;
    VoiceLanguages languages;
    bool estimatedWords = false;
};
