#pragma once

#include "MediaControls.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

// The reader as an MPRIS 2 media player on the session bus ("org.mpris.MediaPlayer2.parlance",
// or with an ".instance<pid>" suffix when another reader holds that name), which desktop
// panels, media keys and command-line remotes drive. Commands from the bus run after the
// call has been answered, so a slow start of a reading never keeps the caller waiting.
class MprisMediaControls : public QObject, public MediaControls
{
    Q_OBJECT
public:
    static inline const QString ServiceName = QStringLiteral("org.mpris.MediaPlayer2.parlance");
    static inline const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
    static inline const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

    explicit MprisMediaControls(Commands commands, QObject *parent = nullptr);
    ~MprisMediaControls() override;

    void publish(const State &state) override;

    const State &state() const { return m_state; }
    // The player's metadata: the document as the one track, its name as the title.
    QVariantMap metadata() const;
    // Runs `command` once the current bus call is answered.
    void run(const std::function<void()> &command);
    const Commands &commands() const { return m_commands; }

    static QString statusText(Status status);

private:
    Commands m_commands;
    State m_state;
    QString m_registeredName;
};
