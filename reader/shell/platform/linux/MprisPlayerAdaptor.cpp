#include "MprisPlayerAdaptor.h"

#include "MprisMediaControls.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisMediaControls *player)
    : QDBusAbstractAdaptor(player), m_player(player)
{
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return MprisMediaControls::statusText(m_player->state().status);
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return m_player->metadata();
}

bool MprisPlayerAdaptor::canPlay() const
{
    return m_player->state().canPlay;
}

bool MprisPlayerAdaptor::canPause() const
{
    return m_player->state().canPause;
}

void MprisPlayerAdaptor::Play()
{
    m_player->run(m_player->commands().play);
}

void MprisPlayerAdaptor::Pause()
{
    m_player->run(m_player->commands().pause);
}

void MprisPlayerAdaptor::PlayPause()
{
    m_player->run(m_player->commands().playPause);
}

void MprisPlayerAdaptor::Stop()
{
    m_player->run(m_player->commands().stop);
}
