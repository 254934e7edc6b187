#pragma once

#include <QList>
#include <QString>

// A language a voice speaks: a lower-case tag ("en-us", "de", "pt-br") and the engine's rank
// of the voice for it, 1 for the voice the engine itself would take first.
struct VoiceLanguage
{
    QString tag;
    int rank = 5;
};
using VoiceLanguages = QList<VoiceLanguage>;
