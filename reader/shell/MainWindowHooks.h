#pragma once

#include <QString>
#include <functional>

class QWidget;

// What the shell needs from the main window, handed over by frmMain when it is created.
// The shell (start-up, settings, tray, listener) drives the window only through these, so
// that it does not depend on how the window is built. A hook left empty is skipped.
struct MainWindowHooks
{
    QWidget *window = nullptr; // frmMain itself

    // The Options menu's check marks: mnuClip and mnuDialog.
    std::function<bool()> clipChecked;
    std::function<void(bool)> setClipChecked;
    std::function<bool()> dialogChecked;
    std::function<void(bool)> setDialogChecked;

    // The voice list's text (List1) and the engine.
    std::function<QString()> voiceListText;
    std::function<void(const QString &)> setVoiceListText;
    std::function<void(const QString &)> SetVoice;
    std::function<QString()> GetCurVoice;
    std::function<void()> PitchSpeed;
    std::function<void()> StopSpeaking;

    // Steps of loading and activating the window, in the order the shell runs them.
    std::function<void()> rememberClipboard; // LastClipText = the clipboard's text
    std::function<void()> aLeft_Click;
    std::function<void()> LoadSynthesis;
    std::function<void()> mnuFileNew_Click;
    std::function<void()> enableMonitor; // tmrMonitor
    std::function<void()> FillFontBoxes;
    std::function<void()> Form_Resize;

    // Opens a file handed over from outside the window as File > Open would.
    std::function<void(const QString &)> openFile;
    // Asks whether unsaved changes to the document are to be saved; false when the user
    // wants to keep working (Cancel, or the save failed).
    std::function<bool()> askToSaveChanges;
};
