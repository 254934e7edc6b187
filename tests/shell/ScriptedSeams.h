#pragma once

#include "ClipboardSource.h"
#include "ForegroundWindowSource.h"

#include <QStringList>

// A desktop whose foreground window the test sets.
class ScriptedWindows : public ForegroundWindowSource
{
public:
    QString className;
    QList<ChildWindow> children;
    // The dialog-reading switch as the reader left it.
    bool dialogReading = false;

    QString foregroundClass() override;
    QList<ChildWindow> childWindows() override;
    void setDialogReading(bool on) override { dialogReading = on; }

    // Brings a window of `windowClass` to the front; `labels` become its "Static" children.
    void show(const QString &windowClass, const QStringList &labels = {});

private:
    QList<ChildWindow> m_found;
};

// A clipboard whose contents the test sets; `busy` makes reading it fail.
class ScriptedClipboard : public ClipboardSource
{
public:
    Contents contents;
    bool busy = false;
    int reads = 0;
    bool background = true; // the desktop tells of copies while the window is not active

    Contents read() override;
    bool seesCopiesInBackground() const override { return background; }
    void copy(const QString &text, bool concealed = false) { contents = {text, concealed}; }
};
