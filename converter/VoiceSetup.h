#pragma once

#include <QString>
#include <QStringList>

class SpeechControl;

// The voice a conversion speaks with, and how the converter sets it up on a speech control.
// It travels to the synthesis workers as command-line arguments, so every worker speaks
// exactly as the converter itself would.
struct VoiceSetup
{
    QString voiceName;    // a standard voice; empty: the engine's default
    QString engineFolder; // voice-file form: the engine folder ...
    QString voiceFolder;  // ... and the folder of the voice file
    int speed = 0;        // -10..10
    int volume = 100;     // 0..100

    bool isVoiceFile() const { return !voiceFolder.isEmpty(); }

    // Sets up the control; throws what the control throws for a voice it cannot load.
    // Speed and volume the engine refuses are skipped.
    void apply(SpeechControl &control) const;

    static void standardVoice(SpeechControl &control, const QString &name);
    static void voiceFile(SpeechControl &control, const QString &engineFolder,
                          const QString &voiceFolder);
    static void speedAndVolume(SpeechControl &control, int speed, int volume);
    // The voice the voice-file set-up leaves selected: the last one whose name holds
    // "CereVoice" in any case; empty when none does.
    static QString lastVoiceFileVoice(const QStringList &voices);

    QStringList toArguments() const;
    // Reads what toArguments() wrote; unknown arguments are left alone.
    static VoiceSetup fromArguments(const QStringList &arguments);
};
