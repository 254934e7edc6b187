#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>

class MprisMediaControls;

// The player's application interface: who it is, and Raise to show the main window. The
// reader does not quit on request: Exit asks the user first.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ no)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)
public:
    explicit MprisRootAdaptor(MprisMediaControls *player);

    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Parlance"); }
    QString desktopEntry() const { return QStringLiteral("parlance"); }
    QStringList none() const { return {}; }

public slots:
    void Raise();
    void Quit() {}

private:
    MprisMediaControls *m_player;
};
