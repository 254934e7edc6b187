#include "LanguageMatch.h"

#include <QRegularExpression>
#include <QtGlobal>
#include <limits>

namespace {
QString primary(const QString &tag)
{
    return tag.section(QLatin1Char('-'), 0, 0);
}
} // namespace

QString LanguageMatch::desktopLanguage()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return normalised(value);
    }
    return {};
}

QString LanguageMatch::normalised(const QString &locale)
{
    // The encoding and modifier say nothing about the language.
    QString tag = locale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    tag = tag.trimmed().toLower().replace(QLatin1Char('_'), QLatin1Char('-'));
    static const QRegularExpression valid(QStringLiteral("^[a-z]{2,3}(-[a-z0-9]+)*$"));
    if (tag == QLatin1String("c") || tag == QLatin1String("posix") || !valid.match(tag).hasMatch())
        return {};
    return tag;
}

int LanguageMatch::bestVoice(const QList<VoiceLanguages> &voices, const QString &tag)
{
    const QString language = primary(tag);
    if (language.isEmpty())
        return -1;
    int best = -1;
    int bestTier = std::numeric_limits<int>::max();
    int bestRank = std::numeric_limits<int>::max();
    for (int i = 0; i < voices.size(); ++i) {
        for (const VoiceLanguage &spoken : voices[i]) {
            int tier;
            if (spoken.tag == tag)
                tier = 0;
            else if (spoken.tag == language)
                tier = 1;
            else if (primary(spoken.tag) == language)
                tier = 2;
            else
                continue;
            if (tier < bestTier || (tier == bestTier && spoken.rank < bestRank)) {
                best = i;
                bestTier = tier;
                bestRank = spoken.rank;
            }
        }
    }
    return best;
}

bool LanguageMatch::speaks(const VoiceLanguages &languages, const QString &tag)
{
    const QString language = primary(tag);
    for (const VoiceLanguage &spoken : languages)
        if (primary(spoken.tag) == language)
            return true;
    return false;
}
