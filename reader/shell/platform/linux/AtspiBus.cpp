#include "AtspiBus.h"

#pragma push_macro("signals")
#undef signals
#include <atspi/atspi.h>
#pragma pop_macro("signals")

#include <QDeadlineTimer>
#include <atomic>
#include <thread>

namespace {
enum State { Idle, Connecting, Connected, Failed };

std::atomic<int> g_state{Idle};
// Written by the UI thread only.
QDeadlineTimer g_retry;
bool g_triedBefore = false;

constexpr int RetryAfterMs = 30000;
} // namespace

bool AtspiBus::ready()
{
    const int state = g_state.load(std::memory_order_acquire);
    if (state == Connected)
        return true;
    if (state == Connecting)
        return false;
    if (state == Failed) {
        if (!g_retry.hasExpired())
            return false;
    }
    const bool again = g_triedBefore;
    g_triedBefore = true;
    g_state.store(Connecting, std::memory_order_release);
    // Finding the bus may mean starting it through the session bus: never on the UI thread.
    std::thread([again] {
        if (again)
            atspi_exit(); // a failed start leaves libatspi half set up
        atspi_set_timeout(CallTimeoutMs, -1);
        const int result = atspi_init();
        // 1: another part of the process connected already.
        g_state.store(result == 0 || result == 1 ? Connected : Failed, std::memory_order_release);
    }).detach();
    g_retry = QDeadlineTimer(RetryAfterMs);
    return false;
}
