#include "frmListener.h"

#include "IgnoreErrors.h"
#include "ListenerTransport.h"

frmListener::frmListener(ListenerTransport &transport, std::function<void()> showRequested,
                         QObject *parent)
    : QObject(parent), m_transport(transport), m_showRequested(std::move(showRequested))
{
    setObjectName(QStringLiteral("frmListener"));
}

frmListener::~frmListener()
{
    UnhookListener();
}

void frmListener::Form_Load()
{
    HookListener();
}

void frmListener::Form_Unload()
{
    UnhookListener();
}

bool frmListener::isLoaded() const
{
    return m_transport.isHooked();
}

void frmListener::HookListener()
{
    m_transport.hook([this](const CopyDataRecord &record) { ListenerWindowProc(record); });
}

void frmListener::UnhookListener()
{
    m_transport.unhook();
}

void frmListener::ListenerWindowProc(const CopyDataRecord &record)
{
    // Whatever the record holds, the sender is answered afterwards (by the transport).
    ignoreErrors([&] { HandleCopyData(record); });
}

void frmListener::HandleCopyData(const CopyDataRecord &record)
{
    if (!record.isShowRequest())
        return;
    if (m_showRequested)
        m_showRequested();
}
