#include "AccessibilitySwitch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {
const QString Service = QStringLiteral("org.a11y.Bus");
const QString Path = QStringLiteral("/org/a11y/bus");
const QString Properties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString StatusInterface = QStringLiteral("org.a11y.Status");
const QString IsEnabled = QStringLiteral("IsEnabled");
// Only at the end of the program is the answer waited for, and not for long.
constexpr int ExitWaitMs = 500;
} // namespace

AccessibilitySwitch::AccessibilitySwitch(QObject *parent) : QObject(parent) {}

AccessibilitySwitch::~AccessibilitySwitch()
{
    if (m_turnedOn)
        setEnabled(false, true);
}

void AccessibilitySwitch::setOn(bool on)
{
    m_wanted = on;
    if (!on) {
        if (m_turnedOn) {
            m_turnedOn = false;
            setEnabled(false, false);
        }
        return;
    }
    if (m_turnedOn)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage get =
        QDBusMessage::createMethodCall(Service, Path, Properties, QStringLiteral("Get"));
    get << StatusInterface << IsEnabled;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *call) {
                call->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *call;
                // Switched off again meanwhile, or no accessibility bus on this desktop.
                if (!m_wanted || m_turnedOn || reply.isError())
                    return;
                if (reply.value().variant().toBool())
                    return; // someone else has it on; it is theirs
                m_turnedOn = true;
                setEnabled(true, false);
            });
}

void AccessibilitySwitch::setEnabled(bool enabled, bool wait)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage set =
        QDBusMessage::createMethodCall(Service, Path, Properties, QStringLiteral("Set"));
    set << StatusInterface << IsEnabled << QVariant::fromValue(QDBusVariant(enabled));
    if (wait)
        bus.call(set, QDBus::Block, ExitWaitMs);
    else
        bus.asyncCall(set);
}
