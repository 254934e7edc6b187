#include "StartupCommand.h"

#include "TrimSpaces.h"

StartupCommand StartupCommand::parse(const QString &commandLine)
{
    StartupCommand command;
    command.m_hasInstall = commandLine.contains(QStringLiteral("-install"), Qt::CaseInsensitive);
    if (commandLine.contains(QStringLiteral("-startup"), Qt::CaseInsensitive)) {
        command.m_mode = Startup;
    } else if (command.m_hasInstall) {
        command.m_mode = Install;
        QString token = commandLine;
        token.remove(QStringLiteral("-install"), Qt::CaseSensitive);
        command.m_installToken = trimSpaces(token);
    }
    return command;
}
