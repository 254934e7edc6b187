#include "LocalSocketListener.h"

#include "ListenerConnection.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

LocalSocketListener::LocalSocketListener(const QString &folder, QObject *parent)
    : QObject(parent), m_path(QDir(folder).filePath(ListenerName))
{
}

LocalSocketListener::~LocalSocketListener()
{
    unhook();
}

void LocalSocketListener::setSendTimeouts(int connectMs, int replyMs)
{
    m_connectTimeout = connectMs;
    m_replyTimeout = replyMs;
}

bool LocalSocketListener::hook(Handler handler)
{
    unhook();
    // A socket file left by a reader that crashed would make listen() fail; it is removed
    // only when nobody answers on it, so a live listener is never taken over.
    if (QFileInfo::exists(m_path)) {
        if (listenerAnswers())
            return false;
        QLocalServer::removeServer(m_path);
    }
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_path)) {
        delete server;
        return false;
    }
    m_server = server;
    m_handler = std::move(handler);
    connect(m_server, &QLocalServer::newConnection, this, &LocalSocketListener::acceptConnections);
    return true;
}

void LocalSocketListener::unhook()
{
    if (!m_server)
        return;
    m_server->close();
    delete m_server;
    m_server = nullptr;
    m_handler = nullptr;
}

bool LocalSocketListener::isHooked() const
{
    return m_server && m_server->isListening();
}

void LocalSocketListener::acceptConnections()
{
    while (m_server && m_server->hasPendingConnections()) {
        QLocalSocket *socket = m_server->nextPendingConnection();
        // Each connection gets its own buffer and timer, so a slow sender holds up nobody.
        // The handler is called through the listener so that an unhooked listener ignores
        // records that were still on their way.
        new ListenerConnection(
            socket,
            [this](const CopyDataRecord &record) {
                if (m_handler)
                    m_handler(record);
            },
            m_receiveTimeout, this);
    }
}

bool LocalSocketListener::listenerAnswers() const
{
    QLocalSocket probe;
    probe.connectToServer(m_path);
    const bool answers = probe.waitForConnected(m_connectTimeout);
    probe.abort();
    return answers;
}

bool LocalSocketListener::send(const CopyDataRecord &record)
{
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(m_connectTimeout))
        return false;
    socket.write(record.toWire());
    const QDeadlineTimer deadline(m_replyTimeout);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    // The running reader answers once it has handled the record; a reader that hangs
    // gets no more than the deadline.
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    char answer = 0;
    socket.getChar(&answer);
    socket.abort();
    return answer == ListenerConnection::Acknowledgement;
}
