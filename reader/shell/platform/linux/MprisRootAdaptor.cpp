#include "MprisRootAdaptor.h"

#include "MprisMediaControls.h"

MprisRootAdaptor::MprisRootAdaptor(MprisMediaControls *player)
    : QDBusAbstractAdaptor(player), m_player(player)
{
}

void MprisRootAdaptor::Raise()
{
    m_player->run(m_player->commands().raise);
}
