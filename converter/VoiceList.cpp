#include "VoiceList.h"

#include "IgnoreErrors.h"
#include "SpeechControl.h"
#include "VoiceCatalogue.h"

QList<VoiceList::Source> VoiceList::sources()
{
    return {&VoiceList::registeredVoiceFiles, &VoiceList::standardVoices};
}

QList<VoiceList::Voice> VoiceList::all()
{
    QList<Voice> voices;
    for (const Source &source : sources())
        voices += source();
    return voices;
}

QStringList VoiceList::names()
{
    QStringList result;
    for (const Voice &voice : all())
        result.append(voice.name);
    return result;
}

std::optional<VoiceList::Voice> VoiceList::find(const QString &name)
{
    const QList<Voice> voices = all();
    for (const Voice &voice : voices)
        if (voice.name == name)
            return voice;
    for (const Voice &voice : voices)
        if (voice.name.compare(name, Qt::CaseInsensitive) == 0)
            return voice;
    return std::nullopt;
}

QList<VoiceList::Voice> VoiceList::registeredVoiceFiles()
{
    QList<Voice> voices;
    ignoreErrors([] { VoiceCatalogue::loadCereVoices(); });
    for (qsizetype i = 1; i < VoiceCatalogue::cereVoices.size(); ++i) {
        const CereVoiceEntry &entry = VoiceCatalogue::cereVoices.at(i);
        if (entry.tokenKey.trimmed().isEmpty())
            continue;
        Voice voice;
        voice.name = entry.tokenKey;
        voice.setup.engineFolder = entry.engineDir;
        voice.setup.voiceFolder = entry.voiceDir;
        voices.append(voice);
    }
    return voices;
}

QList<VoiceList::Voice> VoiceList::standardVoices()
{
    QList<Voice> voices;
    ignoreErrors([&] {
        SpeechControl control(0);
        VoiceSetup::standardVoice(control, QString());
        for (const SpeechVoice &offered : control.voices()) {
            Voice voice;
            voice.name = offered.name;
            voice.setup.voiceName = voice.name;
            voices.append(voice);
        }
    });
    return voices;
}
