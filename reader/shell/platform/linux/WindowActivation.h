#pragma once

#include <QByteArray>

class QWidget;

// Bringing a window to the front the way the display system allows. On X11 the startup
// notification id a program was launched with ends the launcher's busy feedback once the
// window shows, and its time stamp marks the activation as the user's own for the window
// manager's focus-stealing prevention. On Wayland the compositor decides: an activation
// token lets it give the window focus, and a window mapped afresh comes up in front on every
// compositor, which is also the only way back from minimized there.
namespace WindowActivation {

// The id or token this process was launched with, for the running reader to use.
QByteArray launchToken();

void bringForward(QWidget *window, const QByteArray &launchToken);

} // namespace WindowActivation
