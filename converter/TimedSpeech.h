#pragma once

#include "SpeechControl.h"
#include "SpeechTimeline.h"

#include <QString>
#include <functional>

// Speaks texts with one speech control and says where each word starts in the audio. A voice
// that reports no words is spoken a sentence at a time instead, each sentence's start being
// known exactly from the audio before it; a few words spoken aside first tell which kind of
// voice it is.
class AudioFileWriter;

class TimedSpeech
{
public:
    // A word (or, for a voice without words, a sentence) at `sample` of this text's audio,
    // at `position` and `length` in the text.
    using MarkSink = std::function<void(qint64 sample, int position, int length)>;

    TimedSpeech(SpeechControl &control, int outputRate) : m_control(control), m_rate(outputRate) {}

    // Throws what SpeechControl::speakText() throws. `marks` is called on the speech thread.
    void speak(const QString &text, const SpeechControl::AudioSink &audio, const MarkSink &marks);
    // Speaks `text` into the open `writer`; `timeline` tells where its words are.
    void speakInto(const QString &text, AudioFileWriter &writer, SpeechTimeline &timeline);
    // True once a text was spoken without any word from the voice.
    bool bySentence() const { return m_words == Words::Missing; }

private:
    enum class Words { Unknown, Reported, Missing };
    void learnWords(const QString &text);
    void speakWithPause(const QString &text, const SpeechControl::AudioSink &audio,
                        const MarkSink &marks);

    SpeechControl &m_control;
    int m_rate;
    Words m_words = Words::Unknown;
};
