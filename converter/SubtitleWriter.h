#pragma once

#include "ReadAlongCues.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Subtitles for a spoken audio file, written beside it: SubRip (a cue per line of text),
// WebVTT and enhanced LRC (with the time of every word inside a cue as well).
class SubtitleWriter
{
public:
    enum Format { Srt, WebVtt, Lrc };

    // A cue holds at most about this many characters; players show it in two lines.
    static constexpr qsizetype LongestCue = 80;

    // "srt", "vtt", "lrc" in any case.
    static std::optional<Format> formatNamed(const QString &name);
    static QString extension(Format format);
    // NAME.srt beside NAME.wav.
    static QString pathBeside(const QString &audioPath, Format format);

    // The file's contents; `sampleRate` is the cues' time base, `title` goes in LRC's head.
    static QByteArray render(Format format, const QList<ReadAlongCue> &cues, int sampleRate,
                             const QString &title = QString());
    // Writes the file whole or not at all; throws SpeechError (FileAccess) when it cannot.
    static void write(const QString &path, const QByteArray &contents);
};
