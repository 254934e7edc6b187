#pragma once

#include "SpeechWorker.h"

#include <QByteArray>
#include <QHash>
#include <QtGlobal>
#include <vector>

// Festival in this process. Festival keeps everything globally (its Lisp heap, the voice in
// use, its parameters), and its collector scans the stack of the thread that calls it, so one
// thread of its own makes every call, whichever thread asks; each process has its own
// Festival (the converter's workers are processes). Festival starts on first use.
class FestivalLibrary
{
public:
    static FestivalLibrary &instance();

    struct Word
    {
        qint64 sample; // where the word starts in the utterance's audio
        int start;     // the word's bytes in the utterance's text
        int end;
    };
    struct Speech
    {
        std::vector<qint16> samples;
        int sampleRate = 0;
        std::vector<Word> words;
        // The part of the asked pitch change the voice could not make itself (1: none): the
        // audio was made that much slower, to be played that much faster.
        double pitchLeft = 1.0;
    };

    // Starts Festival and loads the voice (Festival's name for it, "kal_diphone"); returns
    // the voice's sample rate. Throws SpeechError.
    int prepare(const QByteArray &voice);
    // One utterance of UTF-8 text, spoken `speed` times as fast as the voice's own pace with
    // its pitch raised by the factor `pitch` where the voice's intonation allows. Throws
    // SpeechError.
    Speech speak(const QByteArray &voice, const QByteArray &utf8, double speed, double pitch);

private:
    FestivalLibrary() = default;

    // These run on m_thread only.
    void start();
    void select(const QByteArray &voice);

    SpeechWorker m_thread;
    bool m_started = false;
    bool m_startFailed = false;
    QByteArray m_voice;
    bool m_ownPitch = false; // the selected voice's intonation takes a mean pitch
    QHash<QByteArray, int> m_sampleRates;
};
