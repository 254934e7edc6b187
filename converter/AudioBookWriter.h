#pragma once

#include "AudioBook.h"
#include "AudioFileWriter.h"
#include "SpeechTimeline.h"

#include <QStringList>
#include <functional>

// Writes a book's audio: all of it in one file (its chapters marked where the format has a
// place for them), or one file per chapter with an .m3u8 playlist beside them that lists the
// chapters complete so far, so that an interrupted run leaves a playable book of what it did.
class AudioBookWriter
{
public:
    // Speaks a text into an open writer, returning when all of it is there and `timeline`
    // tells where its words are; throws SpeechError (Cancelled when stopped).
    using Speak =
        std::function<void(const QString &text, AudioFileWriter &writer, SpeechTimeline &timeline)>;

    AudioBookWriter(Speak speak, AudioFileWriter::Format format, int voiceRate);

    // Told as each chapter starts: its number from 1, the count, and where in the book's text
    // it starts (for progress over the whole book).
    std::function<void(int number, int count, qsizetype start)> chapterStarted;
    // Told as each audio file is complete: its path, the text it speaks and where the words
    // of that text are in it (for subtitles beside it).
    std::function<void(const QString &path, const QString &text, const SpeechTimeline &timeline)>
        fileWritten;

    // Throws SpeechError; nothing is left under `path` then.
    void writeFile(const AudioBook &book, const QString &path);
    // The files go into `folder` (made when missing) as AudioBook::chapterFileName names them,
    // the playlist beside them as `playlistName`.m3u8. Returns the files' paths. Throws
    // SpeechError: the chapter being written is removed, those before it stay.
    QStringList writeChapters(const AudioBook &book, const QString &folder,
                              const QString &playlistName);
    // One audio file from a stretch of text: what every output is made by. Returns its length
    // in seconds.
    double writePart(const QString &text, const QString &path, const AudioTags &tags);

    static QString playlistFileName(const QString &name) { return name + QStringLiteral(".m3u8"); }

private:
    struct Entry
    {
        QString file;
        QString title;
        double seconds = 0;
    };

    void open(AudioFileWriter &writer, const QString &path, const AudioTags &tags) const;
    static void writePlaylist(const QString &path, const AudioBook &book,
                              const QList<Entry> &entries);

    Speak m_speak;
    AudioFileWriter::Format m_format;
    int m_voiceRate;
};
