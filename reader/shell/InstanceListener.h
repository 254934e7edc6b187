#pragma once

#include "CopyDataRecord.h"

#include <QByteArray>
#include <QObject>
#include <functional>

class ListenerTransport;

// The reader's hidden listener. While it is loaded, a second start can reach the running
// reader through it and ask for the main window, or for a file to be opened in it. It
// exists from the start (hidden or not) until the main window unloads.
class InstanceListener : public QObject
{
    Q_OBJECT
public:
    // `showRequested` runs for each show request: bring the main window back.
    // `openRequested` runs for each complete open request with the file's path.
    InstanceListener(ListenerTransport &transport, std::function<void()> showRequested,
                     std::function<void(const QString &)> openRequested = {},
                     QObject *parent = nullptr);

    // No path is longer than this; pieces beyond it mean a confused or hostile sender.
    static constexpr qsizetype MaxPathBytes = 64 * 1024;
    ~InstanceListener() override;

    void start();
    void stop();
    bool isLoaded() const;

    // Starts and stops receiving records.
    void hook();
    void unhook();

    // Every record that arrives passes through here.
    void receive(const CopyDataRecord &record);
    // Acts on show and open requests and ignores everything else.
    void handleRecord(const CopyDataRecord &record);

    // The launch token that came with the latest request, once.
    QByteArray takeLaunchToken();

private:
    ListenerTransport &m_transport;
    std::function<void()> m_showRequested;
    std::function<void(const QString &)> m_openRequested;
    QByteArray m_pendingPath; // the pieces of an open request received so far
    bool m_pathInProgress = false;
    QByteArray m_launchToken;
};
