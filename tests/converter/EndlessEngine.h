#pragma once

#include "Engine.h"

// An engine that never finishes on its own: it reports reaching the middle of the text and
// then produces audio until the sink refuses more. Lets tests stop a conversion while it
// is certainly under way.
class EndlessEngine : public Engine
{
public:
    QStringList voiceNames() override { return {QStringLiteral("Endless")}; }
    QString currentVoice() const override { return QStringLiteral("Endless"); }
    void selectVoice(const QString &) override {}
    int sampleRate() const override { return 22050; }
    bool synthesize(const QString &text, const Params &params, const AudioSink &audio,
                    const WordSink &word) override;
};
