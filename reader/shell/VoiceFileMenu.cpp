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

VoiceFileMenu::VoiceFileMenu(QMenu *options, VoiceSelection &voices, QComboBox *voiceList,
                             Hooks hooks, QObject *parent)
    : QObject(parent), m_voices(voices), m_list(voiceList), m_hooks(std::move(hooks))
{
    options->addSeparator();
    addVoiceAction = options->addAction(QStringLiteral("Add Voice File..."));
    addVoiceAction->setObjectName(QStringLiteral("addVoiceAction"));
    removeVoiceAction = options->addAction(QStringLiteral("Remove Voice File"));
    removeVoiceAction->setObjectName(QStringLiteral("removeVoiceAction"));
    connect(addVoiceAction, &QAction::triggered, this, [this] { addVoice(); });
    connect(removeVoiceAction, &QAction::triggered, this, [this] { removeVoice(); });
    // Only a voice file in use can be removed.
    connect(options, &QMenu::aboutToShow, this,
            [this] { removeVoiceAction->setEnabled(!m_voices.currentCereVoice().isEmpty()); });
}

void VoiceFileMenu::reload(const QString &voice)
{
    ignoreErrors([&] {
        if (m_hooks.stopSpeech)
            m_hooks.stopSpeech();
    });
    m_voices.loadVoices();
    QString chosen = voice;
    if (chosen.isEmpty())
        ignoreErrors([&] { chosen = m_voices.element(0).voiceName(); });
    m_voices.setVoice(chosen);
    m_list->setCurrentIndex(
        m_list->findText(m_voices.currentVoice(), Qt::MatchExactly | Qt::MatchCaseSensitive));
    ignoreErrors([&] {
        if (m_hooks.applySpeedAndVolume)
            m_hooks.applySpeedAndVolume();
    });
}

void VoiceFileMenu::addVoice()
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

void VoiceFileMenu::removeVoice()
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
