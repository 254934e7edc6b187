#pragma once

#include <QString>
#include <functional>

class QWidget;

// What the shell needs from the main window, handed over by MainWindow when it is created.
// The shell (start-up, settings, tray, listener) drives the window only through these, so
// that it does not depend on how the window is built. A hook left empty is skipped.
struct MainWindowHooks
{
    QWidget *window = nullptr; // MainWindow itself

    // The Options menu's check marks: readClipboardAction and readDialogsAction.
    std::function<bool()> clipChecked;
    std::function<void(bool)> setClipChecked;
    std::function<bool()> dialogChecked;
    std::function<void(bool)> setDialogChecked;

    // The voice list's text (voiceList) and the engine.
    std::function<QString()> voiceListText;
    std::function<void(const QString &)> setVoiceListText;
    std::function<void(const QString &)> setVoice;
    std::function<QString()> currentVoice;
    std::function<void()> applySpeedAndVolume;
    std::function<void()> stopSpeaking;

    // Steps of loading and activating the window, in the order the shell runs them.
    std::function<void()> rememberClipboard; // lastClipboardText = the clipboard's text
    std::function<void()> alignLeft;
    std::function<void()> loadEngines;
    std::function<void()> newDocument;
    std::function<void()> enableMonitor; // monitorTimer
    std::function<void()> fillFontBoxes;
    std::function<void()> relayout;

    // Opens a file handed over from outside the window as File > Open would.
    std::function<void(const QString &)> openFile;
    // Asks whether unsaved changes to the document are to be saved; false when the user
    // wants to keep working (Cancel, or the save failed).
    std::function<bool()> askToSaveChanges;
};
