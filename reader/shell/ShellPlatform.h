#pragma once

#include "MediaControls.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QObject;
class QWidget;
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

// The desktop's media controls, driving the reading with `commands`.
std::unique_ptr<MediaControls> createMediaControls(MediaControls::Commands commands);

// Chooses the display system before the application object is made (`argc`, `argv` as
// main has them), and forgets the choice once it is, so programs the reader starts make
// their own.
void chooseDisplay(int argc, char **argv);
void displayChosen();

// The startup id or activation token this process was launched with; a second start hands
// it to the running reader, whose window may then take the focus the launch gave.
QByteArray launchToken();
// Brings a top-level window back and to the front: shown, not minimized, raised and active,
// with the token of the launch that asked for it where there is one.
void bringForward(QWidget *window, const QByteArray &launchToken = QByteArray());

// Runs `onRequest` on the UI thread when the system asks the program to end (a logout, a
// shutdown, a process manager), for as long as `owner` lives.
void watchTerminationRequests(QObject *owner, std::function<void()> onRequest);

} // namespace ShellPlatform
