#pragma once

#include "VoiceSetup.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Every voice the converter can speak with, named as the reader's voice list shows it, and
// the set-up each name stands for. Each kind of voice is one source; a new engine kind is
// one more entry in sources().
class VoiceList
{
public:
    struct Voice
    {
        QString name;
        VoiceSetup setup; // speed and volume left at their defaults
    };
    using Source = std::function<QList<Voice>()>;

    // In the reader's order: registered voice files first, then the standard voices.
    static QList<Source> sources();
    static QList<Voice> all();
    static QStringList names();
    // The voice of that name (exact, else ignoring case); nothing when none has it.
    static std::optional<Voice> find(const QString &name);

    static QList<Voice> registeredVoiceFiles();
    static QList<Voice> standardVoices();
};
