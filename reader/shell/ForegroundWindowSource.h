#pragma once

#include <QList>
#include <QString>

// The window in the foreground of the desktop, as the dialog reader sees it: a class name,
// and the window's child windows in order with their own class names and texts. A standard
// dialog box has the class name "#32770", its text labels the class "Static". Each platform
// maps its own windows onto these names.
class ForegroundWindowSource
{
public:
    struct ChildWindow
    {
        QString className;
        QString text;
    };

    virtual ~ForegroundWindowSource() = default;

    // The class name of the window in the foreground now; empty when no window is. The next
    // childWindows() call refers to this window.
    virtual QString foregroundClass() = 0;
    // The child windows of the window that foregroundClass() found last, in order.
    virtual QList<ChildWindow> childWindows() = 0;
    // Dialog reading was switched on or off. A desktop whose programs describe their windows
    // only on request is asked to while it is on.
    virtual void setDialogReading(bool on) { Q_UNUSED(on); }
};
