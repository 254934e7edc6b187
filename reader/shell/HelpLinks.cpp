#include "HelpLinks.h"

#include "HelpWindow.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "CommandOpener.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#ifndef PARLANCE_HOME_PAGE
#define PARLANCE_HOME_PAGE ""
#endif

const QString HelpLinks::AddressNotOpenedText =
    QStringLiteral("No program could be found to open this web address. You can open it in "
                   "a web browser yourself:\n%1");

namespace {
// Open calls report success with a result of 32 or above.
constexpr int FirstSuccess = 32;
} // namespace

HelpLinks::HelpLinks(Opener opener) : m_opener(std::move(opener))
{
    if (!m_opener)
        m_opener = [](QString &command, int showStyle, const QString &workDir) {
            return openCommand(command, showStyle, workDir);
        };
}

HelpLinks::~HelpLinks() = default;

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
    return QStringLiteral(PARLANCE_HOME_PAGE);
}

int HelpLinks::open(QString command) const
{
    int result = 0;
    ignoreErrors([&] { result = m_opener(command, 1, QString()); });
    return result;
}

void HelpLinks::openOrTell(const QString &target, const QString &message) const
{
    // openCommand itself stays silent; a help command that silently did nothing would leave
    // the user without any way to the page.
    if (open(target) < FirstSuccess)
        MessageBoxService::show(message.arg(target), MessageBoxService::Ok,
                                MessageBoxService::Information);
}

void HelpLinks::openHelp()
{
    showHelp();
}

void HelpLinks::visitWebSite()
{
    // Without a home page of its own the program's About section stands in for it.
    if (homePage().isEmpty())
        showHelp(QStringLiteral("about"));
    else
        openOrTell(homePage(), AddressNotOpenedText);
}

void HelpLinks::downloadVoices()
{
    showHelp(QStringLiteral("voices"));
}

void HelpLinks::showHelp(const QString &section)
{
    if (!m_window)
        m_window = std::make_unique<HelpWindow>(helpFile(), [this](const QUrl &address) {
            openOrTell(address.toString(QUrl::FullyEncoded), AddressNotOpenedText);
        });
    m_window->showSection(section);
}
