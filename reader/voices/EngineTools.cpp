#include "EngineTools.h"

#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "RegistryAccess.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "VoiceSelection.h"

#include <QDir>
#include <exception>

namespace {
constexpr int ShowNormal = 1;

// A path below `folder`, spelled the platform's way; a folder stored with a trailing
// separator gives no doubled one.
QString below(const QString &folder, const QString &relative)
{
    return QDir::toNativeSeparators(QDir::cleanPath(folder + QLatin1Char('/') + relative));
}
} // namespace

EngineTools::EngineTools(VoiceSelection &voices, Opener opener, QWidget *parent)
    : m_voices(voices), m_opener(std::move(opener)), m_parent(parent)
{
}

bool EngineTools::showEngineDialog(void (SpeechControl::*dialog)(QWidget *))
{
    try {
        (m_voices.element(m_voices.engineIndex()).*dialog)(m_parent);
        return true;
    } catch (const SpeechError &) {
        // Every error the control reports carries a positive number.
        return false;
    } catch (const std::exception &) {
        return false;
    }
}

void EngineTools::start(const QString &program)
{
    ignoreErrors([&] {
        if (!m_opener)
            return;
        QString command = program;
        m_opener(command, ShowNormal, QString());
    });
}

void EngineTools::showEngineSettings()
{
    if (!showEngineDialog(&SpeechControl::showSettingsDialog))
        ignoreErrors([] { MessageBoxService::show(NoSettingsText); });
}

void EngineTools::editPronunciation()
{
    QString voice;
    ignoreErrors([&] { voice = m_voices.currentVoice(); });

    // The first rule that matches decides; the makers' own editors are looked for where
    // their installers put them.
    if (voice == QLatin1String("VW Kate")) {
        start(below(QDir::currentPath(), QStringLiteral("Kate/lib/UserDicEng.exe")));
    } else if (voice == QLatin1String("VW Paul")) {
        start(below(QDir::currentPath(), QStringLiteral("Paul/lib/UserDicEng.exe")));
    } else if (voice.contains(QLatin1String("Cepstral"), Qt::CaseInsensitive)) {
        ignoreErrors([] { MessageBoxService::show(NoSettingsText); });
    } else if (voice.contains(QLatin1String("ATT "), Qt::CaseInsensitive) &&
               voice.contains(QLatin1String("1.4"), Qt::CaseInsensitive)) {
        QString folder;
        ignoreErrors([&] {
            folder = RegistryAccess::readString(RegistryRoot::LocalMachine, NaturalVoicesKey,
                                                QStringLiteral("PathDir"));
        });
        if (!folder.isEmpty())
            start(below(folder, QStringLiteral("bin/WinDictEdit.exe")));
    } else if (!showEngineDialog(&SpeechControl::showPronunciationDialog)) {
        ignoreErrors([] { MessageBoxService::show(NoSettingsText); });
    }
}
