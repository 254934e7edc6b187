#include "ReaderShell.h"

#include "Askprint.h"
#include "IgnoreErrors.h"
#include "InstanceGuard.h"
#include "ListenerTransport.h"
#include "MainWindowLife.h"
#include "ReaderSettings.h"
#include "ShellPlatform.h"
#include "SystemInfoProgram.h"
#include "frmAbout.h"
#include "frmListener.h"
#include "frmRightClick.h"

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
    delete m_askprint;
    m_rightClick.reset();
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

frmListener &ReaderShell::listener()
{
    if (!m_listener)
        m_listener = std::make_unique<frmListener>(
            listenerTransport(), [this] { ShowMainWindow(); },
            [this](const QString &path) { OpenFileRequest(path); });
    return *m_listener;
}

frmRightClick &ReaderShell::rightClick()
{
    if (!m_rightClick)
        m_rightClick = std::make_unique<frmRightClick>(*this);
    return *m_rightClick;
}

MainWindowLife &ReaderShell::life()
{
    if (!m_life)
        m_life = std::make_unique<MainWindowLife>(*this);
    return *m_life;
}

HelpLinks &ReaderShell::links()
{
    if (!m_links)
        m_links = std::make_unique<HelpLinks>(m_options.shellOpen);
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
    m_about = new frmAbout(systemInfo(), links(), modal ? m_main.window : nullptr);
    m_about->setAttribute(Qt::WA_DeleteOnClose);
    if (modal) {
        m_about->exec();
    } else {
        m_about->show();
        m_about->raise();
        m_about->activateWindow();
    }
}

frmAbout *ReaderShell::about() const
{
    return m_about;
}

Askprint *ReaderShell::askprint() const
{
    return m_askprint;
}

void ReaderShell::Print(QTextEdit *Rt)
{
    if (m_askprint) {
        m_askprint->raise();
        m_askprint->activateWindow();
        return;
    }
    m_askprint = new Askprint(Rt, m_options.printer, m_main.window);
    m_askprint->show();
}

void ReaderShell::ShowMainWindow()
{
    // A second start's launch may let the window take the focus.
    const QByteArray token = m_listener ? m_listener->takeLaunchToken() : QByteArray();
    if (m_main.window)
        ignoreErrors([&] { ShellPlatform::bringForward(m_main.window, token); });
    ignoreErrors([&] {
        if (m_rightClick && m_rightClick->TrayIconShown())
            m_rightClick->DeleteTrayIcon();
    });
}

void ReaderShell::OpenFileRequest(const QString &path)
{
    ShowMainWindow();
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
            m_listener->Form_Unload();
    });
    ignoreErrors([&] {
        if (m_rightClick)
            m_rightClick->Unload();
    });
    ignoreErrors([&] {
        if (m_about)
            m_about->close();
    });
    ignoreErrors([&] {
        if (m_askprint)
            m_askprint->close();
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
