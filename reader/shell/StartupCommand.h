#pragma once

#include <QString>

// What the reader's command line asks for. The whole command line is one string and the
// switches are found anywhere in it, in any letter case; "-startup" wins over "-install".
class StartupCommand
{
public:
    enum Mode { Normal, Startup, Install };

    static StartupCommand parse(const QString &commandLine);

    Mode mode() const { return m_mode; }
    // Whether the previous-instance test applies: not when installing a voice, so that a
    // voice can be installed while a reader runs (also under "-startup -install").
    bool checksPreviousInstance() const { return !m_hasInstall; }
    // The voice token name of an install: the command line without every exact "-install"
    // (a capitalised switch stays part of the name), spaces trimmed.
    QString installToken() const { return m_installToken; }

private:
    Mode m_mode = Normal;
    bool m_hasInstall = false;
    QString m_installToken;
};
