#pragma once

#include <QString>

// A record fetched from a SpeechControl with get resource: the pending event (kind and
// 0-based position in the text of the speak call, in QString units) or a voice (name).
struct SpeechResource
{
    int resourceKind = 0;
    int eventKind = 0;
    int position = 0;
    QString name;
};
