#include "HelpLinks.h"

#include "IgnoreErrors.h"
#include "ShellOpen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

HelpLinks::HelpLinks(Opener opener) : m_opener(std::move(opener))
{
    if (!m_opener)
        m_opener = [](QString &command, int showStyle, const QString &workDir) {
            return ShellOpen(command, showStyle, workDir);
        };
}

QString HelpLinks::helpFile()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString beside = programFolder + QStringLiteral("/help.html");
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        QDir::cleanPath(programFolder + QStringLiteral("/../share/parlance/help.html"));
    return QFileInfo::exists(installed) ? installed : beside;
}

int HelpLinks::open(QString command) const
{
    int result = 0;
    ignoreErrors([&] { result = m_opener(command, 1, QString()); });
    return result;
}

void HelpLinks::mnuHelp_Click()
{
    open(helpFile());
}

void HelpLinks::mnuVisit_Click()
{
    open(HomePage);
}

void HelpLinks::Label7_Click()
{
    open(VoicesPage);
}
