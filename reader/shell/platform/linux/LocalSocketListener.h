#pragma once

#include "ListenerTransport.h"

#include <QObject>

class QLocalServer;

// The listener as a local socket named "LarkTTS Listener" in the user's runtime folder,
// readable and writable by its owner only. A sender connects, writes one wire record
// (CopyDataRecord) and waits for the one-byte acknowledgement that the running reader
// writes after handling it.
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

    QString socketPath() const { return m_path; }

    // How long a connected sender may take to deliver its record, and how long a sender
    // waits to connect and for the acknowledgement.
    void setReceiveTimeout(int ms) { m_receiveTimeout = ms; }
    void setSendTimeouts(int connectMs, int replyMs);

private:
    void acceptConnections();
    bool listenerAnswers() const;

    QString m_path;
    QLocalServer *m_server = nullptr;
    Handler m_handler;
    int m_receiveTimeout = 3000;
    int m_connectTimeout = 2000;
    int m_replyTimeout = 10000;
};
