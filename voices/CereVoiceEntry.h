#pragma once

#include <QString>

// One usable CereVoice voice from the reader's private voice registry. Missing values read
// as empty text. Only engineDir, voiceDir and tokenKey are used beyond the catalogue.
struct CereVoiceEntry
{
    QString engineDir; // InstallDir of the engine chosen for the voice
    QString voiceDir;  // VoiceFile up to its last separator
    QString voiceFile; // attribute "VoiceFile"
    QString shortName; // the last space-separated word of tokenKey
    QString voiceName; // attribute "VoiceName"
    QString tokenKey;  // the token's key name in the private voice registry
    QString name;      // attribute "Name"
    QString gender;    // attribute "Gender"
    QString age;       // attribute "Age"
    QString clsid;     // value "CLSID" of the token key itself
    QString language;  // attribute "Language"
    QString vendor;    // attribute "Vendor"
};
