#include "Engine.h"

#include "SpeechError.h"

void Engine::showDialog(int id, QWidget *)
{
    throw SpeechError(SpeechErrors::NoSuchDialog,
                      QStringLiteral("The engine has no dialog %1.").arg(id));
}

void Engine::unknownVoice(const QString &name)
{
    throw SpeechError(SpeechErrors::UnknownVoice,
                      QStringLiteral("The voice \"%1\" is not available.").arg(name));
}
