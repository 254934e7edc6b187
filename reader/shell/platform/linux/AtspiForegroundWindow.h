#pragma once

#include "ForegroundWindowSource.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QPointer>
#include <memory>

class AccessibilitySwitch;
class QWidget;
typedef struct _AtspiAccessible AtspiAccessible;

// The foreground window on a Linux desktop, from the accessibility bus (AT-SPI): the active
// top-level window of any program is the foreground window. Dialogs, alerts and file
// choosers have the standard dialog class "#32770", other windows their accessible role as
// their class; the labels the window shows stand for its "Static" children, in order, and a
// file chooser has the standard first label of a save or open dialog.
//
// Every call waits at most a short while for a program's answer, and a program that was
// slow to answer is left alone for some seconds, so a hung program cannot hold up the
// reader.
class AtspiForegroundWindow : public ForegroundWindowSource
{
public:
    AtspiForegroundWindow();
    ~AtspiForegroundWindow() override;

    QString foregroundClass() override;
    QList<ChildWindow> childWindows() override;
    // Dialog reading turns the desktop's accessibility on, so that Qt programs and others
    // that wait to be asked describe their windows too.
    void setDialogReading(bool on) override;

    // A program's answer came too late: it is left alone for a while.
    bool answering(AtspiAccessible *accessible) const;
    void noteAnswerTime(AtspiAccessible *accessible, qint64 elapsedMs);

private:
    enum class Answer { Yes, No, Unknown };

    void setWindow(AtspiAccessible *window);
    AtspiAccessible *findActiveWindow();
    Answer isActive(AtspiAccessible *window);
    QString classOf(AtspiAccessible *window);

    QPointer<QWidget> m_ownWindow;
    bool m_own = false;
    // Another program's foreground window (a reference held); checked first at the next
    // call, since the foreground seldom changes between two ticks.
    AtspiAccessible *m_window = nullptr;
    // The class reported last: kept while the foreground window's program does not answer,
    // so that a slow answer does not count as the user moving to another window.
    QString m_class;
    // Programs (by their bus names) left alone until their time is up; the pause doubles
    // each time a program is still slow after one.
    struct SlowProgram
    {
        QDeadlineTimer until;
        int pauseMs = 0;
    };
    QHash<QByteArray, SlowProgram> m_slowPrograms;
    // Process ids by bus name: the reader's own windows are never asked about over the bus.
    QHash<QByteArray, quint32> m_processIds;
    std::unique_ptr<AccessibilitySwitch> m_switch;
};
