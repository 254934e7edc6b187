#pragma once

#include "ListenerTransport.h"

#include <QByteArray>
#include <QObject>

class QLocalSocket;
class QTimer;

// One sender connected to the listener. It collects exactly one wire record in a buffer of
// its own, hands it to the handler, answers with one acknowledgement byte and closes. A
// sender that stops half-way is dropped after a while; nothing it does can make the reader
// wait, and nothing beyond one record is ever read into memory.
class ListenerConnection : public QObject
{
    Q_OBJECT
public:
    static constexpr char Acknowledgement = 0x06;

    ListenerConnection(QLocalSocket *socket, ListenerTransport::Handler handler, int timeoutMs,
                       QObject *parent = nullptr);

    // Ends the connection without an answer; it deletes itself.
    void drop() { finish(); }
    bool isFinished() const { return m_done; }

private:
    void receive();
    void finish();

    QLocalSocket *m_socket;
    ListenerTransport::Handler m_handler;
    QTimer *m_timeout;
    QByteArray m_record;
    bool m_done = false;
    bool m_closed = false;
};
