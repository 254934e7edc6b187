#pragma once

#include "TwipsScale.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <functional>

class QWidget;

// Keeps the main window's parts in place as its size changes (`relayout`): the parts
// sit in the window's client area `host` at the places MainWindowLayout computes, the
// frame's controls at their design places within it, and the window keeps a minimum size.
// A minimized window goes to the notification area.
class WindowLayout : public QObject
{
    Q_OBJECT

public:
    // Takes the parts into `host` (the frame's controls stay in `frame`) and places them.
    WindowLayout(QWidget *window, QWidget *host, QWidget *toolBar, QWidget *rt, QWidget *frame,
                 QWidget *curWord, QWidget *playPosition, QObject *parent = nullptr);

    // Run when the window is minimized (the trip to the notification area).
    void setPutInTray(std::function<void()> putInTray) { m_putInTray = std::move(putInTray); }

    const TwipsScale &scale() const { return m_scale; }
    // The smallest outer size (frame and title bar included), in pixels.
    QSize minimumOuterSize() const;

public slots:
    void relayout();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeFrameControls();
    void fitCaptions();

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_host;
    QPointer<QWidget> m_toolBar;
    QPointer<QWidget> m_rt;
    QPointer<QWidget> m_frame;
    QPointer<QWidget> m_curWord;
    QPointer<QWidget> m_playPosition;
    std::function<void()> m_putInTray;
    TwipsScale m_scale;
};
