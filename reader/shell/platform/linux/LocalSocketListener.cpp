#include "LocalSocketListener.h"

#include "ListenerConnection.h"
#include "PrivateFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Both ends talk only to a process of the same user: the folder keeps others out, and the
// peer's credentials say who is really at the other end.
bool peerIsSameUser(const QLocalSocket &socket)
{
    const qintptr fd = socket.socketDescriptor();
    if (fd < 0)
        return false;
    ucred peer = {};
    socklen_t size = sizeof peer;
    if (::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer)
        return false;
    return peer.uid == ::geteuid();
}
} // namespace

LocalSocketListener::LocalSocketListener(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder),
      m_path(folder.isEmpty() ? QString() : QDir(folder).filePath(ListenerName)),
      m_watch(new QTimer(this))
{
    // QLocalServer closes itself for good when an accept fails (no descriptor left, for
    // one); the watch puts it back.
    m_watch->setInterval(RelistenIntervalMs);
    connect(m_watch, &QTimer::timeout, this, &LocalSocketListener::keepListening);
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
    if (!PrivateFolder::isPrivate(m_folder))
        return false;
    if (!listen())
        return false;
    m_handler = std::move(handler);
    m_watch->start();
    return true;
}

bool LocalSocketListener::listen()
{
    delete m_server;
    m_server = nullptr;
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
    connect(m_server, &QLocalServer::newConnection, this, &LocalSocketListener::acceptConnections);
    return true;
}

void LocalSocketListener::keepListening()
{
    if (m_handler && (!m_server || !m_server->isListening()))
        listen();
}

void LocalSocketListener::unhook()
{
    m_watch->stop();
    m_handler = nullptr;
    for (const QPointer<ListenerConnection> &connection : std::as_const(m_connections)) {
        if (connection && !connection->isFinished())
            connection->drop();
    }
    m_connections.clear();
    if (!m_server)
        return;
    m_server->close();
    delete m_server;
    m_server = nullptr;
}

bool LocalSocketListener::isHooked() const
{
    return m_server && m_server->isListening();
}

int LocalSocketListener::unfinishedConnections() const
{
    int count = 0;
    for (const QPointer<ListenerConnection> &connection : m_connections)
        count += connection && !connection->isFinished();
    return count;
}

void LocalSocketListener::acceptConnections()
{
    while (m_server && m_server->hasPendingConnections()) {
        QLocalSocket *socket = m_server->nextPendingConnection();
        if (!peerIsSameUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // Senders that connect and never finish would each hold a descriptor until their
        // timeout; past the cap the oldest is dropped, so the newest sender, most likely a
        // real second start, is always served.
        m_connections.removeIf([](const QPointer<ListenerConnection> &connection) {
            return !connection || connection->isFinished();
        });
        while (m_connections.size() >= MaxUnfinishedConnections)
            m_connections.takeFirst()->drop();
        // Each connection gets its own buffer and timer, so a slow sender holds up nobody.
        // The handler is called through the listener so that an unhooked listener ignores
        // records that were still on their way.
        m_connections.append(new ListenerConnection(
            socket,
            [this](const CopyDataRecord &record) {
                if (m_handler)
                    m_handler(record);
            },
            m_receiveTimeout, this));
    }
    keepListening();
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
    if (!PrivateFolder::isPrivate(m_folder))
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(m_connectTimeout) || !peerIsSameUser(socket))
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
