#pragma once

#include <QString>
#include <functional>

class QWidget;
class SpeechControl;
class VoiceSelection;

// The Options menu's tools for the voice in use: the engine's own settings, and the
// pronunciation editor that belongs to the voice. Some voice makers ship a dictionary editor
// of their own, which is started as a program; every other engine is asked for its
// pronunciation dialog. Neither command changes the reader's state.
class EngineTools
{
public:
    // openCommand's shape: starts a program, silent on failure.
    using Opener = std::function<int(QString &command, int showStyle, const QString &workDir)>;

    static inline const QString NoSettingsText =
        QStringLiteral("This engine does not have any additional settings.");
    // Where the Natural Voices engine keeps its installation folder (HKEY_LOCAL_MACHINE).
    static inline const QString NaturalVoicesKey =
        QStringLiteral("Software\\ATT\\NaturalVoices\\1.4");

    // `parent` owns the engine's dialogs.
    EngineTools(VoiceSelection &voices, Opener opener, QWidget *parent = nullptr);

    // The engine settings dialog of the active element; an engine without one is told.
    void showEngineSettings();
    // The pronunciation editor of the current voice, chosen by the voice's name.
    void editPronunciation();

private:
    // Shows the active element's dialog; false when the engine reported that it has none.
    bool showEngineDialog(void (SpeechControl::*dialog)(QWidget *));
    void start(const QString &program);

    VoiceSelection &m_voices;
    Opener m_opener;
    QWidget *m_parent;
};
