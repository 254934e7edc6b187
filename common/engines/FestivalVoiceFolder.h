#pragma once

#include "VoiceLanguage.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The Festival voices installed in a folder laid out as Festival's own voice path,
// <folder>/<language>/<voice>/festvox/<voice>.scm, found and described from the voices' own
// files without starting Festival: listing voices must not cost a user who never chooses one
// Festival's start-up time and memory.
class FestivalVoiceFolder
{
public:
    struct Voice
    {
        QByteArray id;    // Festival's name, "cmu_us_slt_arctic_hts"
        QString name;     // as the voice list shows it, "festival slt (US English, female, HTS)"
        QString language; // a lower-case tag, "en-us"; empty when the voice does not say
    };

    // Where Festival looks for its voices; empty when Festival itself is not installed.
    static QString standard();
    // The voices in `folder`, in the order of their identifiers.
    static QList<Voice> find(const QString &folder);
    // One voice described from the proclamation in its script.
    static Voice describe(const QByteArray &id, const QByteArray &script);
};
