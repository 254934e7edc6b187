#pragma once

#include "ReaderShell.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

// The reader's start: reads the command line, lets only one reader run per user, and
// starts the program normally, hidden in the notification area ("-startup"), or as a voice
// installer that opens no window ("-install <token>"). Files named on the command line are
// opened as File > Open would. A second start hands a show request (or, with a file, an
// open request) to the running reader and ends.
class ReaderStartup
{
public:
    // Creates MainWindow; MainWindow hands its hooks to the shell with attachMainWindow.
    using MainWindowFactory = std::function<std::unique_ptr<QWidget>(ReaderShell &)>;

    struct Options
    {
        QString commandLine; // null: the program's switches joined with spaces
        // The files to open; only the first is, since the reader holds one document.
        // Unset: the program's arguments that are not switches.
        std::optional<QStringList> files;
        std::function<void(const QString &)> installVoice; // empty: the voice catalogue's
        MainWindowFactory createMainWindow;
        ShellOptions shell;
        // End cleanly (settings saved) when the system asks the process to terminate.
        bool watchTermination = true;
    };

    explicit ReaderStartup(Options options);
    ~ReaderStartup();

    // True when the reader runs on and the caller enters the event loop; false when this
    // start has done all it came for (a voice installed, or a second start answered).
    bool start();

    // Sends the show request to the running reader's listener and waits until it has been
    // handled. False when there is no listener, or it did not answer.
    bool notifyRunningInstance();
    // The same with an open request for `file` (which also shows the window).
    bool notifyRunningInstance(const QString &file);

    ReaderShell &shell() { return *m_shell; }
    QWidget *mainWindow() const { return m_mainWindow.get(); }

    // The command line as one string: the switches, or with "-install" every argument (the
    // voice token name may hold spaces).
    static QString programCommandLine();
    // The arguments that name files: every one that is not a switch, made absolute against
    // the current folder. None when installing a voice.
    static QStringList programFiles();
    static void splitArguments(const QStringList &arguments, QString *commandLine,
                               QStringList *files);

    static inline const QString AlreadyRunningText = QStringLiteral(
        "An instance of Larkvane TTS Reader is already running, a second instance cannot be "
        "started. An attempt to communicate with the original instance has failed. If the "
        "previous instance is unresponsive you may have to end the parlance process "
        "manually, for example with the command \"pkill -x parlance\" or the desktop's "
        "system monitor.");

private:
    void loadMainWindow();
    void openFiles();
    void sendLaunchToken();

    Options m_options;
    std::unique_ptr<ReaderShell> m_shell;
    std::unique_ptr<QWidget> m_mainWindow;
};
