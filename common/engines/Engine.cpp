#include "Engine.h"

#include "SpeechError.h"

void Engine::showDialog(int id, QWidget *)
{
    throw SpeechError(SpeechErrors::NoSuchDialog,
                      QStringLiteral("The engine has no dialog %1.").arg(id));
}
