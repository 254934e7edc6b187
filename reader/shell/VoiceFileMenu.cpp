#include "VoiceFileMenu.h"

#include "FileDialogService.h"
#include "IgnoreErrors.h"
#include "MessageBoxService.h"
#include "SpeechControl.h"
#include "VoiceFileInstaller.h"
#include "VoiceSelection.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

VoiceFileMenu::VoiceFileMenu(QMenu *options, VoiceSelection &voices, QComboBox *List1, Hooks hooks,
                             QObject *parent)
    : QObject(parent), m_voices(voices), m_list(List1), m_hooks(std::move(hooks))
{
    options->addSeparator();
    mnuAddVoice = options->addAction(QStringLiteral("Add Voice File..."));
    mnuAddVoice->setObjectName(QStringLiteral("mnuAddVoice"));
    mnuRemoveVoice = options->addAction(QStringLiteral("Remove Voice File"));
    mnuRemoveVoice->setObjectName(QStringLiteral("mnuRemoveVoice"));
    connect(mnuAddVoice, &QAction::triggered, this, [this] { mnuAddVoice_Click(); });
    connect(mnuRemoveVoice, &QAction::triggered, this, [this] { mnuRemoveVoice_Click(); });
    // Only a voice file in use can be removed.
    connect(options, &QMenu::aboutToShow, this,
            [this] { mnuRemoveVoice->setEnabled(!m_voices.currentCereVoice().isEmpty()); });
}

void VoiceFileMenu::reload(const QString &voice)
{
    ignoreErrors([&] {
        if (m_hooks.StopSpeech)
            m_hooks.StopSpeech();
    });
    m_voices.loadVoices();
    QString chosen = voice;
    if (chosen.isEmpty())
        ignoreErrors([&] { chosen = m_voices.element(0).voiceName(); });
    m_voices.setVoice(chosen);
    m_list->setCurrentIndex(
        m_list->findText(m_voices.currentVoice(), Qt::MatchExactly | Qt::MatchCaseSensitive));
    ignoreErrors([&] {
        if (m_hooks.PitchSpeed)
            m_hooks.PitchSpeed();
    });
}

void VoiceFileMenu::mnuAddVoice_Click()
{
    const QString path =
        FileDialogService::getOpenFileName(m_hooks.window, QStringLiteral("Add Voice File"),
                                           QStringLiteral("flite voice files (*.flitevox)"));
    if (path.isEmpty())
        return;
    const VoiceFileInstaller::Outcome outcome = VoiceFileInstaller::add(path);
    if (!outcome.added) {
        MessageBoxService::show(outcome.message, MessageBoxService::Ok,
                                MessageBoxService::Exclamation);
        return;
    }
    reload(outcome.tokenName);
}

void VoiceFileMenu::mnuRemoveVoice_Click()
{
    const QString voice = m_voices.currentCereVoice();
    if (voice.isEmpty()) {
        MessageBoxService::show(QStringLiteral("Choose a voice file voice in the voice list "
                                               "first."),
                                MessageBoxService::Ok, MessageBoxService::Information);
        return;
    }
    if (MessageBoxService::show(QStringLiteral("Remove the voice %1?").arg(voice),
                                MessageBoxService::YesNo,
                                MessageBoxService::Question) != MessageBoxService::ResultYes)
        return;
    QString message;
    if (!VoiceFileInstaller::remove(voice, &message)) {
        MessageBoxService::show(message, MessageBoxService::Ok, MessageBoxService::Exclamation);
        return;
    }
    reload(QString());
}
