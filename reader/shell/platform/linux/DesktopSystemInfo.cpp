#include "DesktopSystemInfo.h"

#include <QStandardPaths>

DesktopSystemInfo::DesktopSystemInfo(QStringList searchPaths)
    : m_searchPaths(std::move(searchPaths))
{
}

const QList<QPair<QString, QString>> &DesktopSystemInfo::candidates()
{
    // Dedicated system profilers first, then the desktops' own "about this system" pages.
    static const QList<QPair<QString, QString>> list{
        {QStringLiteral("hardinfo"), QString()},
        {QStringLiteral("kinfocenter"), QString()},
        {QStringLiteral("xfce4-about"), QString()},
        {QStringLiteral("gnome-control-center"), QStringLiteral("info-overview")},
    };
    return list;
}

QString DesktopSystemInfo::command() const
{
    for (const auto &[name, arguments] : candidates()) {
        const QString path = QStandardPaths::findExecutable(name, m_searchPaths);
        if (path.isEmpty())
            continue;
        // The command is split at its first space unless the program is quoted.
        QString command =
            path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path;
        if (!arguments.isEmpty())
            command += QLatin1Char(' ') + arguments;
        return command;
    }
    return QString();
}
