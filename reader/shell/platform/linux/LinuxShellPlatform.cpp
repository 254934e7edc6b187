#include "ShellPlatform.h"

#include "AtspiForegroundWindow.h"
#include "DesktopClipboard.h"
#include "DesktopSystemInfo.h"
#include "DisplayChoice.h"
#include "LocalSocketListener.h"
#include "LockFileInstanceGuard.h"
#include "MprisMediaControls.h"
#include "PrivateFolder.h"
#include "TerminationSignals.h"
#include "WindowActivation.h"

namespace ShellPlatform {

QString runtimeFolder()
{
    // Never a shared place: without a private folder the reader runs without the
    // single-instance pieces rather than let another user answer or block them.
    return PrivateFolder::runtimeFolder();
}

std::unique_ptr<InstanceGuard> createInstanceGuard(const QString &folder)
{
    return std::make_unique<LockFileInstanceGuard>(folder.isEmpty() ? runtimeFolder() : folder);
}

std::unique_ptr<ListenerTransport> createListenerTransport(const QString &folder)
{
    return std::make_unique<LocalSocketListener>(folder.isEmpty() ? runtimeFolder() : folder);
}

std::unique_ptr<SystemInfoProgram> createSystemInfoProgram()
{
    return std::make_unique<DesktopSystemInfo>();
}

std::unique_ptr<ForegroundWindowSource> createForegroundWindowSource()
{
    return std::make_unique<AtspiForegroundWindow>();
}

std::unique_ptr<ClipboardSource> createClipboardSource()
{
    return std::make_unique<DesktopClipboard>();
}

std::unique_ptr<MediaControls> createMediaControls(MediaControls::Commands commands)
{
    return std::make_unique<MprisMediaControls>(std::move(commands));
}

void chooseDisplay(int argc, char **argv)
{
    DisplayChoice::choose(argc, argv);
}

void displayChosen()
{
    DisplayChoice::chosen();
}

QByteArray launchToken()
{
    return WindowActivation::launchToken();
}

void bringForward(QWidget *window, const QByteArray &launchToken)
{
    WindowActivation::bringForward(window, launchToken);
}

void watchTerminationRequests(QObject *owner, std::function<void()> onRequest)
{
    new TerminationSignals(std::move(onRequest), owner);
}

} // namespace ShellPlatform
