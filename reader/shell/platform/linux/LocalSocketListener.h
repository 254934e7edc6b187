#pragma once

#include "ListenerTransport.h"

#include <QList>
#include <QObject>
#include <QPointer>

class ListenerConnection;
class QLocalServer;
class QTimer;

// The listener as a local socket named "LarkTTS Listener" in the user's runtime folder,
// readable and writable by its owner only. A sender connects, writes one wire record
// (CopyDataRecord) and waits for the one-byte acknowledgement that the running reader
// writes after handling it. The folder must be private (PrivateFolder) and both ends check
// that the other belongs to the same user. However many senders connect, the listener
// holds a bounded number of descriptors and keeps listening.
class LocalSocketListener : public QObject, public ListenerTransport
{
    Q_OBJECT
public:
    explicit LocalSocketListener(const QString &folder, QObject *parent = nullptr);
    ~LocalSocketListener() override;

    bool hook(Handler handler) override;
    void unhook() override;
    bool isHooked() const override;
    bool send(const CopyDataRecord &record) override;

    // Senders still being read, beyond which the oldest is dropped.
    static constexpr int MaxUnfinishedConnections = 64;
    static constexpr int RelistenIntervalMs = 1000;

    QString socketPath() const { return m_path; }
    int unfinishedConnections() const;

    // How long a connected sender may take to deliver its record, and how long a sender
    // waits to connect and for the acknowledgement.
    void setReceiveTimeout(int ms) { m_receiveTimeout = ms; }
    void setSendTimeouts(int connectMs, int replyMs);

private:
    bool listen();
    void keepListening();
    void acceptConnections();
    bool listenerAnswers() const;

    QString m_folder;
    QString m_path;
    QTimer *m_watch;
    QLocalServer *m_server = nullptr;
    QList<QPointer<ListenerConnection>> m_connections;
    Handler m_handler;
    int m_receiveTimeout = 3000;
    int m_connectTimeout = 2000;
    int m_replyTimeout = 10000;
};
