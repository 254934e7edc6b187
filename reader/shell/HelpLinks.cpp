#include "HelpLinks.h"

#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "ShellOpen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifndef PARLANCE_HOME_PAGE
#define PARLANCE_HOME_PAGE ""
#endif

const QString HelpLinks::HelpNotOpenedText =
    QStringLiteral("No program could be found to show the help page. You can open it in a "
                   "web browser yourself:\n%1");
const QString HelpLinks::AddressNotOpenedText =
    QStringLiteral("No program could be found to open this web address. You can open it in "
                   "a web browser yourself:\n%1");

namespace {
// Open calls report success with a result of 32 or above.
constexpr int FirstSuccess = 32;

// A section of the help page as an address. Encoded, so that a folder with a space in its
// name does not split the address when it is opened.
QString helpSection(const QString &section)
{
    QUrl url = QUrl::fromLocalFile(HelpLinks::helpFile());
    url.setFragment(section);
    return url.toString(QUrl::FullyEncoded);
}
} // namespace

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

QString HelpLinks::homePage()
{
    const QString configured = QStringLiteral(PARLANCE_HOME_PAGE);
    return configured.isEmpty() ? helpSection(QStringLiteral("about")) : configured;
}

QString HelpLinks::voicesPage()
{
    return helpSection(QStringLiteral("voices"));
}

int HelpLinks::open(QString command) const
{
    int result = 0;
    ignoreErrors([&] { result = m_opener(command, 1, QString()); });
    return result;
}

void HelpLinks::openOrTell(const QString &target, const QString &message) const
{
    // ShellOpen itself stays silent; a help command that silently did nothing would leave
    // the user without any way to the page.
    if (open(target) < FirstSuccess)
        MessageBoxService::show(message.arg(target), MessageBoxService::Ok,
                                MessageBoxService::Information);
}

void HelpLinks::mnuHelp_Click()
{
    openOrTell(helpFile(), HelpNotOpenedText);
}

void HelpLinks::mnuVisit_Click()
{
    openOrTell(homePage(), AddressNotOpenedText);
}

void HelpLinks::Label7_Click()
{
    openOrTell(voicesPage(), AddressNotOpenedText);
}
