#pragma once

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class SpeechControl;

// Loads the engines into the main window and switches between voices. Element 0 of the
// speech control array hosts the standard voices; element i runs CereVoice voice i of the
// catalogue. The voice list holds names only: a name is mapped to an element by the name
// alone (a "CereVoice" name that is the token key of a catalogue entry selects that entry's
// element, any other name goes to element 0).
//
// The array, the active index and the list belong to the main window; this class works on
// them in place so that the reading code sees every switch at once.
class VoiceSelection
{
    Q_DECLARE_TR_FUNCTIONS(VoiceSelection)
public:
    using Elements = std::vector<std::unique_ptr<SpeechControl>>;

    struct Hooks
    {
        // Creates element `index` (empty: a standard SpeechControl).
        std::function<std::unique_ptr<SpeechControl>(int index)> createElement;
        // Routes a newly created element's events to the window.
        std::function<void(SpeechControl &)> attachElement;
        // Rebuilds the voice catalogue (empty: VoiceCatalogue::loadCereVoices).
        std::function<void()> buildCatalogue;
        // Speed and volume from the active element onto the sliders.
        std::function<void()> showSpeedAndVolume;
        // Lets pending events run (empty: QCoreApplication::processEvents).
        std::function<void()> yield;
    };

    VoiceSelection(Elements &speechControls, qint16 &engineIndex, QComboBox *voiceList,
                   Hooks hooks = {});

    // Builds the catalogue, creates and configures one element per catalogue voice, and
    // fills the list: catalogue voices first, then element 0's voices. Leaves the active
    // element and voice as they were. Elements made by an earlier load are reused.
    void loadVoices();
    // The name of the voice in use.
    QString currentVoice();
    // Makes the named voice the one in use; the voice already in use is left alone.
    void setVoice(const QString &voiceName);
    // The list's choice: applies its text, then the sliders to the new element.
    void voiceChosen();

    // The list name of the CereVoice voice in use; empty exactly while element 0 is active.
    const QString &currentCereVoice() const { return m_currentCereVoice; }
    qint16 engineIndex() const { return m_engineIndex; }

    // Element `index`; a missing one throws SpeechError like any failing control call.
    SpeechControl &element(int index) const;

    static bool isCereVoiceName(const QString &name);

    // Loads that found the registry locked are repeated after this long, this many times.
    static constexpr int RegistryRetryMs = 2000;
    static constexpr int MaxRegistryRetries = 5;

private:
    void loadOnce();
    void configureCereVoiceElement(SpeechControl &element, int entry);
    void setFolders(SpeechControl &element, int entry);

    Elements &m_elements;
    qint16 &m_engineIndex;
    QComboBox *m_list;
    Hooks m_hooks;
    QString m_currentCereVoice;
    int m_registryRetries = 0;
};
