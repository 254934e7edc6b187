#pragma once

#include <QObject>
#include <functional>
#include <thread>

class QSocketNotifier;

// The system asking the reader to end: SIGTERM from a logout, a shutdown or a process
// manager, SIGHUP when its terminal goes, SIGINT from Ctrl+C. The signal handler only
// writes a byte into a pipe; the request itself is handled on the UI thread, so that the
// reader can unload its main window and save its settings as it does at Exit. Should the
// UI thread not get there (it may be stuck in a blocking call), a watchdog thread ends the
// process once the grace has passed, so a termination request is never lost.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(std::function<void()> onRequest, QObject *parent = nullptr);
    ~TerminationSignals() override;

    // How long the orderly end may take before the watchdog ends the process.
    static constexpr int GraceMs = 800;

    bool isWatching() const { return m_notifier != nullptr; }

private:
    void receive();

    std::function<void()> m_onRequest;
    QSocketNotifier *m_notifier = nullptr;
    std::thread m_watchdog;
    bool m_requested = false;
};
