#include "ReaderShell.h"

#include "AboutDialog.h"
#include "IgnoreErrors.h"
#include "InstanceGuard.h"
#include "InstanceListener.h"
#include "ListenerTransport.h"
#include "MainWindowLife.h"
#include "PrintChoiceDialog.h"
#include "ReaderSettings.h"
#include "ShellPlatform.h"
#include "SystemInfoProgram.h"
#include "TrayIcon.h"

#include <QApplication>
#include <QPrinter>
#include <QSystemTrayIcon>
#include <QWidget>

ReaderShell::ReaderShell(ShellOptions options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{
    if (!m_options.systemInfo)
        m_options.systemInfo = ShellPlatform::createSystemInfoProgram();
    if (!m_options.printer)
        m_options.printer = &PrinterSource::defaultPrinter;
}

ReaderShell::~ReaderShell()
{
    // Windows first: they may still reach the pieces below while closing.
    delete m_about;
    delete m_printChoice;
    m_trayIcon.reset();
    m_listener.reset();
}

void ReaderShell::attachMainWindow(const MainWindowHooks &hooks)
{
    m_main = hooks;
}

ReaderSettings &ReaderShell::settings()
{
    if (!m_settings)
        m_settings = std::make_unique<ReaderSettings>(m_options.settingsFile);
    return *m_settings;
}

InstanceGuard &ReaderShell::instanceGuard()
{
    if (!m_instanceGuard)
        m_instanceGuard = ShellPlatform::createInstanceGuard(m_options.runtimeFolder);
    return *m_instanceGuard;
}

ListenerTransport &ReaderShell::listenerTransport()
{
    if (!m_transport)
        m_transport = ShellPlatform::createListenerTransport(m_options.runtimeFolder);
    return *m_transport;
}

InstanceListener &ReaderShell::listener()
{
    if (!m_listener)
        m_listener = std::make_unique<InstanceListener>(
            listenerTransport(), [this] { showMainWindow(); },
            [this](const QString &path) { openRequestedFile(path); });
    return *m_listener;
}

TrayIcon &ReaderShell::trayIcon()
{
    if (!m_trayIcon) {
        TrayIcon::Services services;
        services.settings = [this]() -> ReaderSettings & { return settings(); };
        services.trayAvailable = [this] { return trayAvailable(); };
        services.showMainWindow = [this] { showMainWindow(); };
        services.openHelp = [this] { links().openHelp(); };
        services.visitWebSite = [this] { links().visitWebSite(); };
        services.showAbout = [this] { showAbout(false); };
        services.askToSaveChanges = [this] { return life().askToSaveChanges(); };
        services.unloadMainWindow = [this] { life().unload(); };
        services.endProgram = [this] { endProgram(); };
        m_trayIcon = std::make_unique<TrayIcon>(m_main, std::move(services));
    }
    return *m_trayIcon;
}

MainWindowLife &ReaderShell::life()
{
    if (!m_life) {
        MainWindowLife::Services services;
        services.settings = [this]() -> ReaderSettings & { return settings(); };
        services.putInTray = [this] { trayIcon().putInTray(); };
        services.unloadForms = [this] { unloadForms(); };
        services.endProgram = [this] { endProgram(); };
        m_life = std::make_unique<MainWindowLife>(m_main, std::move(services));
    }
    return *m_life;
}

HelpLinks &ReaderShell::links()
{
    if (!m_links)
        m_links = std::make_unique<HelpLinks>(m_options.openCommand);
    return *m_links;
}

SystemInfoProgram &ReaderShell::systemInfo()
{
    return *m_options.systemInfo;
}

std::unique_ptr<MediaControls> ReaderShell::createMediaControls(MediaControls::Commands commands)
{
    if (m_options.mediaControls)
        return m_options.mediaControls(std::move(commands));
    return ShellPlatform::createMediaControls(std::move(commands));
}

bool ReaderShell::trayAvailable() const
{
    if (m_options.trayAvailable)
        return m_options.trayAvailable();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void ReaderShell::showAbout(bool modal)
{
    if (m_about) {
        // One About box at a time; asking again brings it forward.
        m_about->raise();
        m_about->activateWindow();
        if (modal && !m_about->isModal()) {
            m_about->hide();
            m_about->exec();
        }
        return;
    }
    m_about = new AboutDialog(systemInfo(), links(), modal ? m_main.window : nullptr);
    m_about->setAttribute(Qt::WA_DeleteOnClose);
    if (modal) {
        m_about->exec();
    } else {
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
    }
}

AboutDialog *ReaderShell::about() const
{
    return m_about;
}

PrintChoiceDialog *ReaderShell::printChoice() const
{
    return m_printChoice;
}

void ReaderShell::print(QTextEdit *documentEdit)
{
    if (m_printChoice) {
        m_printChoice->raise();
        m_printChoice->activateWindow();
        return;
    }
    m_printChoice = new PrintChoiceDialog(documentEdit, m_options.printer, m_main.window);
    m_printChoice->show();
}

void ReaderShell::showMainWindow()
{
    // A second start's launch may let the window take the focus.
    const QByteArray token = m_listener ? m_listener->takeLaunchToken() : QByteArray();
    if (m_main.window)
        ignoreErrors([&] { ShellPlatform::bringForward(m_main.window, token); });
    ignoreErrors([&] {
        if (m_trayIcon && m_trayIcon->trayIconShown())
            m_trayIcon->removeTrayIcon();
    });
}

void ReaderShell::openRequestedFile(const QString &path)
{
    showMainWindow();
    QMetaObject::invokeMethod(
        this,
        [this, path] {
            if (m_main.openFile)
                ignoreErrors([&] { m_main.openFile(path); });
        },
        Qt::QueuedConnection);
}

void ReaderShell::unloadForms()
{
    ignoreErrors([&] {
        if (m_listener)
            m_listener->stop();
    });
    ignoreErrors([&] {
        if (m_trayIcon)
            m_trayIcon->unload();
    });
    ignoreErrors([&] {
        if (m_about)
            m_about->close();
    });
    ignoreErrors([&] {
        if (m_printChoice)
            m_printChoice->close();
    });
}

void ReaderShell::endProgram()
{
    m_endRequested = true;
    if (m_options.endProgram)
        m_options.endProgram();
    else
        QCoreApplication::quit();
}
