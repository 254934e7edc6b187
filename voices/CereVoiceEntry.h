#pragma once

#include <QString>

// One usable CereVoice voice from the reader's private voice registry. Missing values read
// as empty text. Only EngineDir, VoiceDir and TokenKey are used beyond the catalogue.
struct CereVoiceEntry
{
    QString EngineDir; // InstallDir of the engine chosen for the voice
    QString VoiceDir;  // VoiceFile up to its last separator
    QString VoiceFile; // attribute "VoiceFile"
    QString ShortName; // the last space-separated word of TokenKey
    QString VoiceName; // attribute "VoiceName"
    QString TokenKey;  // the token's key name in the private voice registry
    QString Name;      // attribute "Name"
    QString Gender;    // attribute "Gender"
    QString Age;       // attribute "Age"
    QString CLSID;     // value "CLSID" of the token key itself
    QString Language;  // attribute "Language"
    QString Vendor;    // attribute "Vendor"
};
