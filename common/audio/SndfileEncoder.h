#pragma once

#include "AudioEncoder.h"
#include "AudioTags.h"

class PendingFile;
typedef struct sf_private_tag SNDFILE;

// WAV, FLAC and Ogg Vorbis through libsndfile.
class SndfileEncoder : public AudioEncoder
{
public:
    enum Kind { Wav, Flac, Vorbis };

    // Throws SpeechError (FileAccess) when libsndfile cannot start the file.
    SndfileEncoder(PendingFile &file, Kind kind, int rate, const AudioTags &tags);
    ~SndfileEncoder() override;

    void encode(const qint16 *samples, size_t count) override;
    void finish() override;

private:
    [[noreturn]] void fail();

    PendingFile &m_file;
    SNDFILE *m_sndfile = nullptr;
};
