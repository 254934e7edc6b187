#include "ReaderStartup.h"

#include "IgnoreErrors.h"
#include "InstanceGuard.h"
#include "InstanceListener.h"
#include "ListenerTransport.h"
#include "MainWindowLife.h"
#include "MessageBoxService.h"
#include "ReaderCommandLine.h"
#include "ShellPlatform.h"
#include "StartupCommand.h"
#include "TrayIcon.h"
#include "VoiceCatalogue.h"

#include <QApplication>
#include <QFileInfo>
#include <QSessionManager>

ReaderStartup::ReaderStartup(Options options)
    : m_options(std::move(options)), m_shell(std::make_unique<ReaderShell>(m_options.shell))
{
    if (m_options.commandLine.isNull())
        m_options.commandLine = programCommandLine();
    if (!m_options.files)
        m_options.files = programFiles();
    if (!m_options.installVoice)
        m_options.installVoice = &VoiceCatalogue::installVoice;
}

ReaderStartup::~ReaderStartup()
{
    // The shell's forms go before the main window they point at.
    m_shell.reset();
    m_mainWindow.reset();
}

QString ReaderStartup::programCommandLine()
{
    QString commandLine;
    splitArguments(QCoreApplication::arguments().mid(1), &commandLine, nullptr);
    return commandLine;
}

QStringList ReaderStartup::programFiles()
{
    QStringList files;
    splitArguments(QCoreApplication::arguments().mid(1), nullptr, &files);
    return files;
}

void ReaderStartup::splitArguments(const QStringList &arguments, QString *commandLine,
                                   QStringList *files)
{
    // A file's name may hold "-startup", "-install" or spaces: only whole arguments are
    // switches. What is not for the reader was refused before the application started.
    const ReaderCommandLine line = ReaderCommandLine::parse(arguments, false);
    if (files) {
        for (const QString &file : line.files()) {
            if (!file.isEmpty())
                *files << QFileInfo(file).absoluteFilePath();
        }
    }
    if (commandLine)
        *commandLine = line.switches();
}

bool ReaderStartup::start()
{
    const StartupCommand command = StartupCommand::parse(m_options.commandLine);

    bool previous = false;
    if (command.checksPreviousInstance())
        ignoreErrors([&] { previous = m_shell->instanceGuard().previousInstance(); });
    if (previous) {
        bool answered = false;
        ignoreErrors([&] {
            answered = m_options.files->isEmpty() ? notifyRunningInstance()
                                                  : notifyRunningInstance(m_options.files->front());
        });
        if (!answered)
            MessageBoxService::show(AlreadyRunningText);
        return false;
    }

    // The reader ends through Exit only: closing the last visible window (the notice, the
    // About box) must not end it.
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        app->setQuitOnLastWindowClosed(false);
    // The end of the session, or the system terminating the process, ends the reader
    // without Exit: the main window is unloaded and the settings saved all the same.
    if (command.mode() != StartupCommand::Install) {
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                         m_shell.get(), [shell = m_shell.get()] { shell->life().unload(); });
        // A logout or shutdown asks first where the session manager lets it: unsaved
        // changes are saved or discarded, or the logout is cancelled.
        if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            QObject::connect(app, &QGuiApplication::commitDataRequest, m_shell.get(),
                             [shell = m_shell.get()](QSessionManager &manager) {
                                 if (!manager.allowsInteraction())
                                     return;
                                 if (!shell->life().askToSaveChanges())
                                     manager.cancel();
                                 manager.release();
                             });
        if (m_options.watchTermination)
            ShellPlatform::watchTerminationRequests(m_shell.get(), [shell = m_shell.get()] {
                shell->life().unload();
                shell->endProgram();
            });
    }

    switch (command.mode()) {
    case StartupCommand::Startup:
        // Hidden, with only the icon. The listener is loaded here too, so that starting the
        // reader again shows this one's window instead of saying it cannot be reached.
        ignoreErrors([&] { m_shell->listener().start(); });
        ignoreErrors([&] { loadMainWindow(); });
        ignoreErrors([&] { m_shell->life().load(true); });
        if (m_shell->endRequested())
            return false;
        ignoreErrors([&] { m_shell->trayIcon().addTrayIcon(); });
        openFiles();
        return true;
    case StartupCommand::Install:
        ignoreErrors([&] { m_options.installVoice(command.installToken()); });
        return false;
    case StartupCommand::Normal:
        break;
    }
    ignoreErrors([&] { m_shell->listener().start(); });
    ignoreErrors([&] { loadMainWindow(); });
    ignoreErrors([&] { m_shell->life().load(false); });
    // The load lets events run; a termination request handled there could not stop an
    // event loop that was not running yet, so the caller must not start one.
    if (m_shell->endRequested())
        return false;
    openFiles();
    return true;
}

void ReaderStartup::openFiles()
{
    // After the load sequence, whose New would otherwise empty the document again.
    const MainWindowHooks &main = m_shell->mainWindow();
    if (!m_options.files->isEmpty() && main.openFile)
        ignoreErrors([&] { main.openFile(m_options.files->front()); });
}

void ReaderStartup::loadMainWindow()
{
    if (!m_mainWindow && m_options.createMainWindow)
        m_mainWindow = m_options.createMainWindow(*m_shell);
    // A window that did not hand over hooks of its own is still shown and hidden.
    if (m_mainWindow && !m_shell->mainWindow().window) {
        MainWindowHooks hooks;
        hooks.window = m_mainWindow.get();
        m_shell->attachMainWindow(hooks);
    }
}

void ReaderStartup::sendLaunchToken()
{
    // A reader that does not know the record ignores it.
    if (const auto record = CopyDataRecord::launchToken(ShellPlatform::launchToken()))
        m_shell->listenerTransport().send(*record);
}

bool ReaderStartup::notifyRunningInstance()
{
    sendLaunchToken();
    return m_shell->listenerTransport().send(CopyDataRecord::showRequest());
}

bool ReaderStartup::notifyRunningInstance(const QString &file)
{
    sendLaunchToken();
    ListenerTransport &transport = m_shell->listenerTransport();
    for (const CopyDataRecord &record : CopyDataRecord::openFileRequest(file)) {
        if (!transport.send(record))
            return false;
    }
    return true;
}
