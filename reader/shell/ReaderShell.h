#pragma once

#include "HelpLinks.h"
#include "MainWindowHooks.h"
#include "MediaControls.h"
#include "PrinterSource.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class PrintChoiceDialog;
class InstanceGuard;
class ListenerTransport;
class MainWindowLife;
class QTextEdit;
class ReaderSettings;
class SystemInfoProgram;
class AboutDialog;
class InstanceListener;
class TrayIcon;

// What a shell is made of; every field left empty takes the platform's own.
struct ShellOptions
{
    QString runtimeFolder; // instance lock and listener; empty: the user's runtime folder
    QString settingsFile;  // empty: the user's settings store
    HelpLinks::Opener openCommand;
    std::function<bool()> trayAvailable;
    std::function<void()> endProgram; // ends the event loop
    PrinterSource::Factory printer;
    std::shared_ptr<SystemInfoProgram> systemInfo;
    std::function<std::unique_ptr<MediaControls>(MediaControls::Commands)> mediaControls;
};

// The reader's shell for one run: the settings, the single-instance pieces, the
// notification-area form, the About box, printing, and the main window's life. The forms
// are created when first used and live until the shell goes. The main window joins through
// attachMainWindow.
class ReaderShell : public QObject
{
    Q_OBJECT
public:
    explicit ReaderShell(ShellOptions options = {}, QObject *parent = nullptr);
    ~ReaderShell() override;

    void attachMainWindow(const MainWindowHooks &hooks);
    const MainWindowHooks &mainWindow() const { return m_main; }

    ReaderSettings &settings();
    InstanceGuard &instanceGuard();
    ListenerTransport &listenerTransport();
    InstanceListener &listener();
    TrayIcon &trayIcon();
    bool hasTrayIcon() const { return bool(m_trayIcon); }
    MainWindowLife &life();
    HelpLinks &links();
    SystemInfoProgram &systemInfo();

    // The desktop's media controls for the main window's reading.
    std::unique_ptr<MediaControls> createMediaControls(MediaControls::Commands commands);

    // Whether the desktop has a notification area now.
    bool trayAvailable() const;

    // The About box: modal from the main menu, not modal from the tray menu.
    void showAbout(bool modal);
    AboutDialog *about() const;

    // File > Print: the question, not modal.
    void print(QTextEdit *documentEdit);
    PrintChoiceDialog *printChoice() const;

    // Brings the main window back (from minimized, hidden, or the notification area) and
    // removes the notification-area icon. A show request and a click on the icon do this.
    void showMainWindow();
    // An open request: brings the main window back and opens `path` in it. The file is
    // opened once the request has been answered, so that the sender does not wait on a long
    // load or a message about the file.
    void openRequestedFile(const QString &path);

    // Unloads every form other than the main window (the listener, the notice, the About
    // box, printing).
    void unloadForms();
    // Ends the program at once. Asked before the event loop runs (during the load), the
    // request is kept: the load stops and the start-up ends the process instead.
    void endProgram();
    bool endRequested() const { return m_endRequested; }

private:
    ShellOptions m_options;
    MainWindowHooks m_main;
    std::unique_ptr<ReaderSettings> m_settings;
    std::unique_ptr<InstanceGuard> m_instanceGuard;
    std::unique_ptr<ListenerTransport> m_transport;
    std::unique_ptr<InstanceListener> m_listener;
    std::unique_ptr<TrayIcon> m_trayIcon;
    std::unique_ptr<MainWindowLife> m_life;
    std::unique_ptr<HelpLinks> m_links;
    QPointer<AboutDialog> m_about;
    QPointer<PrintChoiceDialog> m_printChoice;
    bool m_endRequested = false;
};
