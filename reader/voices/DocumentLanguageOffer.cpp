#include "DocumentLanguageOffer.h"

#include "IgnoreErrors.h"
#include "LanguageMatch.h"
#include "MessageBoxService.h"
#include "SpeechControl.h"
#include "VoiceSelection.h"

#include <QComboBox>
#include <QLocale>

const QString DocumentLanguageOffer::QuestionText =
    QStringLiteral("This document is written in %1, which the voice \"%2\" does not speak.\n\n"
                   "Read it with the voice \"%3\"?");

DocumentLanguageOffer::DocumentLanguageOffer(VoiceSelection &voices, QComboBox *list)
    : m_voices(voices), m_list(list)
{
}

void DocumentLanguageOffer::offer(const QString &language)
{
    const QString tag = LanguageMatch::normalised(language);
    if (tag.isEmpty() || !m_list)
        return;
    // The standard voices say what they speak; a voice file does not, and is left alone.
    QStringList names;
    QList<VoiceLanguages> languages;
    ignoreErrors([&] {
        for (const SpeechVoice &voice : m_voices.element(0).voices()) {
            names << voice.name;
            languages << voice.languages;
        }
    });
    const QString current = m_voices.currentVoice();
    const qsizetype inUse = names.indexOf(current);
    if (inUse < 0 || languages[inUse].isEmpty() || LanguageMatch::speaks(languages[inUse], tag))
        return;
    const int best = LanguageMatch::bestVoice(languages, tag);
    if (best < 0 || m_list->findText(names[best], Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        return;

    const QString languageName = QLocale::languageToString(QLocale(tag).language());
    const auto answer =
        MessageBoxService::show(QuestionText.arg(languageName, current, names[best]),
                                MessageBoxService::YesNo, MessageBoxService::Question);
    if (answer != MessageBoxService::ResultYes)
        return;
    m_list->setCurrentIndex(
        m_list->findText(names[best], Qt::MatchExactly | Qt::MatchCaseSensitive));
    m_voices.voiceChosen();
}
