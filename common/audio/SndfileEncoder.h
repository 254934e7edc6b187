#pragma once

#include "AudioEncoder.h"
#include "AudioTags.h"
#include "OggChapterMarks.h"

class PendingFile;
typedef struct sf_private_tag SNDFILE;

// WAV, FLAC and Ogg Vorbis through libsndfile. libsndfile writes only its own Vorbis comments,
// so a book's chapter marks go in as one COMMENT of their size, which finish() turns into
// the chapters' comments.
class SndfileEncoder : public AudioEncoder
{
public:
    enum Kind { Wav, Flac, Vorbis };

    // Throws SpeechError (FileAccess) when libsndfile cannot start the file.
    SndfileEncoder(PendingFile &file, Kind kind, int rate, const AudioTags &tags);
    ~SndfileEncoder() override;

    void encode(const qint16 *samples, size_t count) override;
    void setChapterStart(int index, qint64 milliseconds) override;
    void finish() override;

private:
    [[noreturn]] void fail();
    QByteArray chapterRoom() const;
    void markVorbisChapters();

    PendingFile &m_file;
    SNDFILE *m_sndfile = nullptr;
    OggChapterMarks m_chapters;
};
