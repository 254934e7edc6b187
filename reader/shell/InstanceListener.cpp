#include "InstanceListener.h"

#include "IgnoreErrors.h"
#include "ListenerTransport.h"

#include <utility>

InstanceListener::InstanceListener(ListenerTransport &transport,
                                   std::function<void()> showRequested,
                                   std::function<void(const QString &)> openRequested,
                                   QObject *parent)
    : QObject(parent), m_transport(transport), m_showRequested(std::move(showRequested)),
      m_openRequested(std::move(openRequested))
{
    setObjectName(QStringLiteral("InstanceListener"));
}

InstanceListener::~InstanceListener()
{
    unhook();
}

void InstanceListener::start()
{
    hook();
}

void InstanceListener::stop()
{
    unhook();
}

bool InstanceListener::isLoaded() const
{
    return m_transport.isHooked();
}

void InstanceListener::hook()
{
    m_transport.hook([this](const CopyDataRecord &record) { receive(record); });
}

void InstanceListener::unhook()
{
    m_transport.unhook();
}

void InstanceListener::receive(const CopyDataRecord &record)
{
    // Whatever the record holds, the sender is answered afterwards (by the transport).
    ignoreErrors([&] { handleRecord(record); });
}

QByteArray InstanceListener::takeLaunchToken()
{
    return std::exchange(m_launchToken, QByteArray());
}

void InstanceListener::handleRecord(const CopyDataRecord &record)
{
    if (record.isLaunchToken()) {
        m_launchToken = record.bytes();
        return;
    }
    if (record.isOpenFile() || record.isOpenFileMore()) {
        const QByteArray piece = record.bytes();
        if (record.isOpenFile()) {
            m_pendingPath = piece;
            m_pathInProgress = true;
        } else if (m_pathInProgress) {
            m_pendingPath += piece;
        } else {
            return; // a stray continuation: no path was begun
        }
        if (m_pendingPath.size() > MaxPathBytes) {
            m_pendingPath.clear();
            m_pathInProgress = false;
            return;
        }
        if (piece.size() == CopyDataRecord::PieceSize)
            return; // more to come
        const QString path = QString::fromUtf8(m_pendingPath);
        m_pendingPath.clear();
        m_pathInProgress = false;
        if (!path.isEmpty() && m_openRequested)
            m_openRequested(path);
        return;
    }
    if (!record.isShowRequest())
        return;
    if (m_showRequested)
        m_showRequested();
}
