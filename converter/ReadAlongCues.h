#pragma once

#include "SpeechTimeline.h"

#include <QList>
#include <QString>

// The text of a spoken document cut into timed cues: one per sentence, a long sentence in
// parts, each with the times its words start. Subtitles and read-along books are written
// from them.
struct ReadAlongCue
{
    // A word as it is shown (the text between two spaces) and when it starts, or -1 for a
    // stretch the voice said no word in (a dash, a number's second half).
    struct Word
    {
        QString text;
        qint64 sample = -1;
        qsizetype position = 0;
        qsizetype length = 0;
    };

    qint64 start = 0; // samples
    qint64 end = 0;
    qsizetype position = 0; // in the text
    qsizetype length = 0;
    QList<Word> words;

    // The words joined by single spaces.
    QString text() const;
};

class ReadAlongCues
{
public:
    // Cues of `text` as `timeline` times it; a sentence longer than `longest` characters
    // (0: none) is split at a space into parts of about that size. Sentences the voice
    // said nothing of have no cue. Each cue ends where the next starts, the last one where
    // the audio ends.
    static QList<ReadAlongCue> build(const QString &text, const SpeechTimeline &timeline,
                                     qsizetype longest);
    // The sentences of `text` as position and length, without the spaces around them.
    static QList<std::pair<qsizetype, qsizetype>> sentences(const QString &text);
};
