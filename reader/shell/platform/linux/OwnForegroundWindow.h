#pragma once

#include "ForegroundWindowSource.h"

class QWidget;

// When the reader's own window is the active one, it is described from Qt directly: asking
// the accessibility bus would mean the UI thread waiting for an answer that only the UI
// thread can give.
namespace OwnForegroundWindow {

// The reader's active top-level window, or null when another program is in front.
QWidget *active();
// "#32770" for message boxes and the common dialogs, else the window's own class (the
// reader's own forms included).
QString className(QWidget *window);
// The window's visible text labels in order, as "Static" children; a file dialog has the
// standard first label of its kind instead.
QList<ForegroundWindowSource::ChildWindow> childWindows(QWidget *window);

} // namespace OwnForegroundWindow
