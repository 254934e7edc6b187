#include "StartupCommand.h"

namespace {
QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

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
