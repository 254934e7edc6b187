#include "AtspiBus.h"

#pragma push_macro("signals")
#undef signals
#include <atspi/atspi.h>
#pragma pop_macro("signals")

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDeadlineTimer>

namespace {
enum class State { Idle, Looking, Found, Connected, Failed };

State g_state = State::Idle;
QDeadlineTimer g_retry;
bool g_initialised = false;

constexpr int RetryAfterMs = 30000;

void fail()
{
    g_state = State::Failed;
    g_retry = QDeadlineTimer(RetryAfterMs);
}

void lookForBus()
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (!session.isConnected() || !QCoreApplication::instance()) {
        fail();
        return;
    }
    g_state = State::Looking;
    const QDBusMessage getAddress = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"));
    auto *watcher = new QDBusPendingCallWatcher(session.asyncCall(getAddress));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, QCoreApplication::instance(),
                     [](QDBusPendingCallWatcher *call) {
                         call->deleteLater();
                         if (call->isError())
                             fail();
                         else
                             g_state = State::Found;
                     });
}

void connectToBus()
{
    // A failed start leaves libatspi half set up; it must be taken down before a new try.
    if (g_initialised)
        atspi_exit();
    g_initialised = true;
    atspi_set_timeout(AtspiBus::CallTimeoutMs, -1);
    const int result = atspi_init();
    // 1: another part of the process connected already.
    if (result == 0 || result == 1)
        g_state = State::Connected;
    else
        fail();
}
} // namespace

bool AtspiBus::ready()
{
    switch (g_state) {
    case State::Connected:
        return true;
    case State::Looking:
        return false;
    case State::Failed:
        if (!g_retry.hasExpired())
            return false;
        [[fallthrough]];
    case State::Idle:
        lookForBus();
        return false;
    case State::Found:
        connectToBus();
        return g_state == State::Connected;
    }
    return false;
}

void AtspiBus::lost()
{
    if (g_state == State::Connected)
        fail();
}
