#pragma once

#include <QString>

// One installed CereProc engine, as its registry key describes it.
struct CereProcEngine
{
    QString InstallDir; // value "InstallDir" of the engine's key
    QString TokenKey;   // the engine's key name under the CereProc key
    QString Version;    // the last space-separated word of TokenKey
};
