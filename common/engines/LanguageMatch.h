#pragma once

#include "VoiceLanguage.h"

#include <QString>

// Which voice speaks a language: the desktop's, for a first start with no voice chosen, or
// the one a document declares.
class LanguageMatch
{
public:
    // The desktop's language and region as a tag ("de-at"), from the first of LC_ALL,
    // LC_MESSAGES and LANG that is set; empty for the C and POSIX locales.
    static QString desktopLanguage();
    // A locale name or language tag ("de_AT.UTF-8@euro", "pt-BR", "EN") as a lower-case tag
    // ("de-at", "pt-br", "en"); empty for none.
    static QString normalised(const QString &locale);
    // The voice that speaks `tag` best: one of that language and region, then one of the
    // language alone, then one of another region; the lower rank, then the earlier voice,
    // among equals. -1 when none speaks the language.
    static int bestVoice(const QList<VoiceLanguages> &voices, const QString &tag);
    // True when one of the languages is `tag`'s, whatever the region.
    static bool speaks(const VoiceLanguages &languages, const QString &tag);
};
