#pragma once

#include <QString>

// One installed CereProc engine, as its registry key describes it.
struct CereProcEngine
{
    QString installDir; // value "InstallDir" of the engine's key
    QString tokenKey;   // the engine's key name under the CereProc key
    QString version;    // the last space-separated word of tokenKey
};
