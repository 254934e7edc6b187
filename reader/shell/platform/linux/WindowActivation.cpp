#include "WindowActivation.h"

#include "IgnoreErrors.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>
#include <qpa/qplatformnativeinterface.h>

namespace {
bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

bool onX11()
{
    return QGuiApplication::platformName() == QStringLiteral("xcb");
}

QPlatformNativeInterface *native()
{
    return QGuiApplication::platformNativeInterface();
}

// The X11 backend hands its functions out under one generic type; `void (*)()` is the type
// a function pointer passes through on its way back to its own.
template <typename Function, typename Generic> Function nativeFunction(Generic generic)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(generic));
}

// A launcher's startup id ends in "_TIME" and the X server time of the click that started it.
quint32 launchTime(const QByteArray &startupId)
{
    static const QRegularExpression time(QStringLiteral("_TIME(\\d+)$"));
    const QRegularExpressionMatch match = time.match(QString::fromLatin1(startupId));
    return match.hasMatch() ? match.captured(1).toUInt() : 0;
}

void setStartupId(const QByteArray &startupId)
{
    using SetStartupId = void (*)(const char *);
    if (QPlatformNativeInterface *x11 = native()) {
        if (auto set = nativeFunction<SetStartupId>(
                x11->nativeResourceFunctionForIntegration(QByteArrayLiteral("setstartupid"))))
            set(startupId.constData());
    }
}

void useStartupId(QWidget *window, const QByteArray &startupId)
{
    QPlatformNativeInterface *x11 = native();
    if (!x11)
        return;
    // The X11 backend ends the launch when it next shows a window.
    setStartupId(startupId);
    const quint32 time = launchTime(startupId);
    QScreen *screen = window->screen();
    if (!time || !screen)
        return;
    const auto current = quint32(reinterpret_cast<quintptr>(
        x11->nativeResourceForScreen(QByteArrayLiteral("apptime"), screen)));
    using SetTime = void (*)(QScreen *, quint32);
    auto setTime = nativeFunction<SetTime>(
        x11->nativeResourceFunctionForScreen(QByteArrayLiteral("setapptime")));
    // X server time wraps around; a launch after the reader's last event is "later" within
    // half the range.
    if (setTime && qint32(time - current) > 0)
        setTime(screen, time);
}
} // namespace

namespace WindowActivation {

QByteArray launchToken()
{
    if (onWayland())
        return qgetenv("XDG_ACTIVATION_TOKEN");
    if (onX11() && native()) {
        // The X11 backend takes the id out of the environment when it starts.
        if (const void *id = native()->nativeResourceForIntegration(QByteArrayLiteral("startupid")))
            return QByteArray(static_cast<const char *>(id));
    }
    return qgetenv("DESKTOP_STARTUP_ID");
}

void bringForward(QWidget *window, const QByteArray &launchToken)
{
    if (!window)
        return;
    if (onWayland()) {
        // Qt's shell integration hands this token to the compositor at the next activation.
        if (!launchToken.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", launchToken);
        if (window->isVisible() &&
            (window->isMinimized() || (launchToken.isEmpty() && !window->isActiveWindow())))
            ignoreErrors([&] { window->hide(); });
    } else if (onX11() && !launchToken.isEmpty()) {
        ignoreErrors([&] { useStartupId(window, launchToken); });
    }
    ignoreErrors([&] {
        if (window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    });
    ignoreErrors([&] {
        window->show();
        window->raise();
        window->activateWindow();
    });
    // A window that was showing already took no id; left set, it would mark whichever
    // window shows next (a message box, the About box) as this launch's.
    if (onX11() && !launchToken.isEmpty())
        setStartupId(QByteArray());
}

} // namespace WindowActivation
