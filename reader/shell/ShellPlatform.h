#pragma once

#include <QString>
#include <functional>
#include <memory>

class QObject;
class ClipboardSource;
class ForegroundWindowSource;
class InstanceGuard;
class ListenerTransport;
class SystemInfoProgram;

// The operating-system services of the shell, created for the platform the reader is built
// for (the backends live under platform/).
namespace ShellPlatform {

// The per-user folder for the instance lock and the listener (private to the user).
QString runtimeFolder();

// `folder` empty means runtimeFolder().
std::unique_ptr<InstanceGuard> createInstanceGuard(const QString &folder = QString());
std::unique_ptr<ListenerTransport> createListenerTransport(const QString &folder = QString());
std::unique_ptr<SystemInfoProgram> createSystemInfoProgram();

// What the background readers look at: the desktop's foreground window and the clipboard.
std::unique_ptr<ForegroundWindowSource> createForegroundWindowSource();
std::unique_ptr<ClipboardSource> createClipboardSource();

// Runs `onRequest` on the UI thread when the system asks the program to end (a logout, a
// shutdown, a process manager), for as long as `owner` lives.
void watchTerminationRequests(QObject *owner, std::function<void()> onRequest);

} // namespace ShellPlatform
