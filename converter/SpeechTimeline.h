#pragma once

#include <QtGlobal>
#include <vector>

// Where the words of a spoken text start in its audio, as the engine reported them: kept
// with the audio so that subtitles and read-along books can follow it.
struct SpeechTimeline
{
    struct Mark
    {
        qint64 sample = 0;      // from the first sample of the audio
        qsizetype position = 0; // in the text that was spoken
        qsizetype length = 0;
    };

    int sampleRate = 22050;
    qint64 samples = 0; // the whole audio
    // The voice reports no words: each mark is the start of a sentence instead.
    bool bySentence = false;
    std::vector<Mark> marks; // in the order they are heard

    double seconds(qint64 sample) const { return sampleRate > 0 ? double(sample) / sampleRate : 0; }

    // Adds the timeline of audio that follows this one, its text at `position` of this one's.
    void append(const SpeechTimeline &next, qsizetype position)
    {
        sampleRate = next.sampleRate;
        bySentence = bySentence || next.bySentence;
        for (const Mark &mark : next.marks)
            marks.push_back({samples + mark.sample, position + mark.position, mark.length});
        samples += next.samples;
    }
};
