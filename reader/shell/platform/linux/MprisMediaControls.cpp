#include "MprisMediaControls.h"

#include "MprisPlayerAdaptor.h"
#include "MprisRootAdaptor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>

namespace {
const QString TrackPath = QStringLiteral("/org/parlance/Document");
} // namespace

MprisMediaControls::MprisMediaControls(Commands commands, QObject *parent)
    : QObject(parent), m_commands(std::move(commands))
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.registerObject(ObjectPath, this))
        return;
    // The name players are found by; a second reader (another user's session bus is not
    // ours to share) still gets controls of its own.
    const QString instanceName = ServiceName + QStringLiteral(".instance") +
                                 QString::number(QCoreApplication::applicationPid());
    for (const QString &name : {ServiceName, instanceName}) {
        if (bus.registerService(name)) {
            m_registeredName = name;
            return;
        }
    }
    bus.unregisterObject(ObjectPath);
}

MprisMediaControls::~MprisMediaControls()
{
    if (m_registeredName.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(m_registeredName);
    bus.unregisterObject(ObjectPath);
}

QString MprisMediaControls::statusText(Status status)
{
    switch (status) {
    case Status::Playing:
        return QStringLiteral("Playing");
    case Status::Paused:
        return QStringLiteral("Paused");
    case Status::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisMediaControls::metadata() const
{
    return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackPath))},
            {QStringLiteral("xesam:title"), m_state.title}};
}

void MprisMediaControls::run(const std::function<void()> &command)
{
    if (command)
        QTimer::singleShot(0, this, command);
}

void MprisMediaControls::publish(const State &state)
{
    const State before = m_state;
    m_state = state;
    if (m_registeredName.isEmpty())
        return;
    // Players are told what changed; the bus does not do that for properties by itself.
    QVariantMap changed;
    if (state.status != before.status)
        changed.insert(QStringLiteral("PlaybackStatus"), statusText(state.status));
    if (state.title != before.title)
        changed.insert(QStringLiteral("Metadata"), metadata());
    if (state.canPlay != before.canPlay)
        changed.insert(QStringLiteral("CanPlay"), state.canPlay);
    if (state.canPause != before.canPause)
        changed.insert(QStringLiteral("CanPause"), state.canPause);
    if (changed.isEmpty())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << PlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
