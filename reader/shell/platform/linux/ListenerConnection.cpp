#include "ListenerConnection.h"

#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

ListenerConnection::ListenerConnection(QLocalSocket *socket, ListenerTransport::Handler handler,
                                       int timeoutMs, QObject *parent)
    : QObject(parent), m_socket(socket), m_handler(std::move(handler)), m_timeout(new QTimer(this))
{
    m_socket->setParent(this);
    m_record.reserve(CopyDataRecord::WireSize);
    m_timeout->setSingleShot(true);
    m_timeout->setInterval(timeoutMs);
    connect(m_timeout, &QTimer::timeout, this, &ListenerConnection::finish);
    connect(m_socket, &QLocalSocket::readyRead, this, &ListenerConnection::receive);
    connect(m_socket, &QLocalSocket::disconnected, this, &ListenerConnection::finish);
    m_timeout->start();
    // Bytes may have arrived before the signals were connected.
    if (m_socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &ListenerConnection::receive);
}

void ListenerConnection::receive()
{
    if (m_done)
        return;
    const qsizetype missing = CopyDataRecord::WireSize - m_record.size();
    m_record += m_socket->read(missing);
    if (m_record.size() < CopyDataRecord::WireSize)
        return;

    m_done = true;
    m_timeout->stop();
    // Whatever follows the record is not ours to read.
    m_socket->readAll();
    const auto record = CopyDataRecord::fromWire(m_record);
    // The handler may show windows and let events run; this connection may be gone after.
    QPointer<ListenerConnection> alive(this);
    if (record && m_handler)
        m_handler(*record);
    if (!alive)
        return;
    m_socket->write(QByteArray(1, Acknowledgement));
    m_socket->flush();
    finish();
}

void ListenerConnection::finish()
{
    if (m_closed)
        return;
    m_closed = true;
    m_done = true;
    m_timeout->stop();
    disconnect(m_socket, nullptr, this, nullptr);
    // disconnectFromServer lets the acknowledgement go out first; abort when a sender hangs.
    if (m_socket->bytesToWrite() > 0)
        m_socket->disconnectFromServer();
    else
        m_socket->abort();
    deleteLater();
}
