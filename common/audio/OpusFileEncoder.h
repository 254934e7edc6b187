#pragma once

#include "AudioEncoder.h"
#include "AudioTags.h"

#include <QList>

class PendingFile;
struct OggOpusEnc;
struct OggOpusComments;

// Ogg Opus through libopusenc, set for speech rather than music: the voice's own rate goes in
// (libopusenc resamples), CELT alone codes it at 32 kbit/s in frames of 60 ms at complexity 0.
// SILK and the encoder's higher complexities cost three to six times the synthesis of the
// voice itself for no difference a listener hears in a synthetic voice.
class OpusFileEncoder : public AudioEncoder
{
public:
    static constexpr int Bitrate = 32000;
    static constexpr int Complexity = 0;

    // Throws SpeechError (FileAccess) when the encoder cannot start.
    OpusFileEncoder(PendingFile &file, int inputRate, const AudioTags &tags);
    ~OpusFileEncoder() override;

    void encode(const qint16 *samples, size_t count) override;
    void setChapterStart(int index, qint64 milliseconds) override;
    void finish() override;

    // "01:02:03.456": how chapter comments give a time.
    static QString chapterTime(qint64 milliseconds);

private:
    static int writePage(void *self, const unsigned char *data, int length);
    static int closeFile(void *self);
    void markChapters();

    PendingFile &m_file;
    OggOpusComments *m_comments = nullptr;
    OggOpusEnc *m_encoder = nullptr;
    QList<qint64> m_chapterStarts;
    // The page of the comment header, where the chapters' times are filled in at the end.
    qint64 m_tagsPage = -1;
    qint64 m_tagsPageLength = 0;
};
