#pragma once

#include "Engine.h"

#include <QStringList>
#include <functional>
#include <string>
#include <vector>

// Small tools the speech tests share.

// The number of the SpeechError that `call` throws, 0 when it throws none.
int errorNumber(const std::function<void()> &call);

// What an engine produced for one text: every sample and every word mark.
struct Spoken
{
    struct Word
    {
        qint64 sample;
        int position;
        int length;
    };
    std::vector<qint16> samples;
    std::vector<Word> words;
    bool complete = false;

    QStringList wordTexts(const QString &text) const;
    // The words joined with '|', readable in a failure message.
    std::string joined(const QString &text) const;
};

Spoken speak(Engine &engine, const QString &text, Engine::Params params = {});

double rms(const std::vector<qint16> &samples);
