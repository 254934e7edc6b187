#pragma once

#include "Engine.h"
#include "WordTimingEstimate.h"

#include <QHash>
#include <QString>
#include <memory>

// The voices of a running speech-dispatcher, the desktop's own speech service (it hosts
// espeak-ng, festival, RHVoice, Piper and others). speech-dispatcher plays the audio itself,
// so this engine hands no samples on: each word is reported when the dispatcher reaches the
// SSML mark placed before it, which is when the word is heard. Most modules report no marks:
// for those the text goes a sentence per message, and the words are spread over the time
// between each sentence's start and end (WordTimingEstimate).
//
// The connection is this engine's own, opened when the voices are first asked for. Nothing
// is started: without a dispatcher listening at its address (SPEECHD_ADDRESS or the user's
// default socket) the engine lists no voices, after one short connect attempt.
class SpeechDispatcherEngine : public Engine
{
public:
    SpeechDispatcherEngine();
    ~SpeechDispatcherEngine() override;
    SpeechDispatcherEngine(const SpeechDispatcherEngine &) = delete;
    SpeechDispatcherEngine &operator=(const SpeechDispatcherEngine &) = delete;

    QStringList voiceNames() override;
    QString currentVoice() const override;
    void selectVoice(const QString &name) override;
    int sampleRate() const override { return 22050; }
    bool synthesize(const QString &text, const Params &params, const AudioSink &audio,
                    const WordSink &word) override;
    bool playsItself() const override { return true; }
    VoiceLanguages voiceLanguages(const QString &name) const override;
    bool estimatesWords(const QString &name) const override;

    // The text as SSML with a mark before every word, named by its index counted from
    // `firstMark`, and each word's position and length in the text, by index.
    struct Marked
    {
        QByteArray ssml;
        QList<QPair<int, int>> words;
    };
    static Marked markWords(const QString &text, int firstMark = 0);

private:
    struct Voice
    {
        QByteArray module;
        QByteArray name;
        QString language; // lower case, "en-us"
    };
    // One message to the dispatcher: a sentence, or the whole text for a voice with marks.
    struct Message
    {
        QByteArray ssml;
        int firstWord = 0;
        WordTimingEstimate::Layout layout;
    };

public:
    struct Session; // what the dispatcher reported about the message being spoken

private:
    bool connect();
    void disconnect(bool lost = false);
    bool connectionLost() const;

    void *m_connection = nullptr; // libspeechd's SPDConnection, an anonymous struct
    size_t m_clientId = 0;
    bool m_tried = false;
    QStringList m_names;
    QHash<QString, Voice> m_voices;
    QString m_current;
    std::shared_ptr<Session> m_session;
};
