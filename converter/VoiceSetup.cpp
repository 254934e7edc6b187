#include "VoiceSetup.h"

#include "IgnoreErrors.h"
#include "SpeechControl.h"

void VoiceSetup::apply(SpeechControl &control) const
{
    if (isVoiceFile())
        voiceFile(control, engineFolder, voiceFolder);
    else
        standardVoice(control, voiceName);
    speedAndVolume(control, speed, volume);
}

void VoiceSetup::standardVoice(SpeechControl &control, const QString &name)
{
    if (!name.isEmpty())
        control.selectVoice(name);
}

void VoiceSetup::voiceFile(SpeechControl &control, const QString &engineFolder,
                           const QString &voiceFolder)
{
    // The engine takes its folders reliably only when they are given twice.
    for (int pass = 0; pass < 2; ++pass) {
        control.setEngineFolder(engineFolder);
        control.setVoiceFolder(voiceFolder);
    }
    QStringList voices;
    for (const SpeechVoice &voice : control.voices())
        voices.append(voice.name);
    const QString voice = lastVoiceFileVoice(voices);
    if (!voice.isEmpty())
        control.selectVoice(voice);
}

void VoiceSetup::speedAndVolume(SpeechControl &control, int speed, int volume)
{
    // The engine may refuse a value; the conversion goes on with what it has. At the ends of
    // the range the neighbouring value goes first.
    if (speed == -10)
        ignoreErrors([&] { control.setRate(-9); });
    else if (speed == 10)
        ignoreErrors([&] { control.setRate(9); });
    ignoreErrors([&] { control.setRate(speed); });

    const int level = volume == 100 ? 99 : volume == 0 ? 1 : volume;
    ignoreErrors([&] { control.setVolume(level); });
}

QString VoiceSetup::lastVoiceFileVoice(const QStringList &voices)
{
    QString chosen;
    for (const QString &voice : voices) {
        if (voice.contains(QLatin1String("CereVoice"), Qt::CaseInsensitive))
            chosen = voice;
    }
    return chosen;
}

QStringList VoiceSetup::toArguments() const
{
    QStringList arguments;
    if (isVoiceFile())
        arguments << QStringLiteral("--engine-folder") << engineFolder
                  << QStringLiteral("--voice-folder") << voiceFolder;
    else if (!voiceName.isEmpty())
        arguments << QStringLiteral("--voice") << voiceName;
    arguments << QStringLiteral("--rate") << QString::number(speed) << QStringLiteral("--volume")
              << QString::number(volume);
    return arguments;
}

VoiceSetup VoiceSetup::fromArguments(const QStringList &arguments)
{
    VoiceSetup setup;
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        const QString &name = arguments.at(i);
        const QString &value = arguments.at(i + 1);
        if (name == QLatin1String("--voice"))
            setup.voiceName = value;
        else if (name == QLatin1String("--engine-folder"))
            setup.engineFolder = value;
        else if (name == QLatin1String("--voice-folder"))
            setup.voiceFolder = value;
        else if (name == QLatin1String("--rate"))
            setup.speed = value.toInt();
        else if (name == QLatin1String("--volume"))
            setup.volume = value.toInt();
        else
            continue;
        ++i;
    }
    return setup;
}
