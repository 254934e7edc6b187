#pragma once

#include "CereProcEngine.h"
#include "CereVoiceEntry.h"

#include <QList>
#include <QString>

// The CereVoice voices that the reader hosts itself and the CereProc engines that drive
// them, all found in the machine registry, plus the installation of such a voice from the
// system's speech-token list into the reader's private voice registry.
namespace VoiceCatalogue {

// Registry places under HKEY_LOCAL_MACHINE.
inline const QString SpeechTokensKey =
    QStringLiteral("Software\\Microsoft\\Speech\\Voices\\Tokens\\");
inline const QString PrivateVoicesKey = QStringLiteral("Software\\Larkvane\\Voices\\");
inline const QString CereProcKey = QStringLiteral("Software\\CereProc\\");

// Indexed from 1; element 0 is an empty placeholder, so an upper bound (size() - 1) of 0
// means an empty table. cereVoices entry i is run by speech-control element i, so its
// order matters. Filled once when the main window loads.
extern QList<CereProcEngine> cereProcEngines;
extern QList<CereVoiceEntry> cereVoices;

// Rebuilds cereProcEngines: every sub-key of the CereProc key is an engine.
void loadCereProcEngines();

// Rebuilds cereProcEngines and then cereVoices: the private tokens whose name holds
// "CereVoice " and whose voice file exists, all on the engine with the highest version.
// Without any engine no voice is listed.
void loadCereVoices();

// Moves a voice token from the system's speech-token list into the private voice
// registry, or says that it was already installed or that it could not be installed.
void installVoice(const QString &tokenName);

// Copies one string value from the speech-token list to the same place in the private
// voice registry; a missing value arrives as an empty string.
void copyTokenValue(const QString &subPath, const QString &valueName);

} // namespace VoiceCatalogue
