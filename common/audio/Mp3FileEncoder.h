#pragma once

#include "AudioEncoder.h"
#include "AudioTags.h"

#include <vector>

class PendingFile;
struct lame_global_struct;

// MP3 through LAME, set for speech: an average 48 kbit/s for a 22 kHz voice (32 kbit/s for a
// 16 kHz one), mono, LAME's fast algorithm (quality 7). Its quality-driven variable bit rates
// give a mono voice at 22 kHz about 80 kbit/s for nothing a listener hears. Tags go in an ID3v2 tag at the
// start, where players look first, and an ID3v1 tag at the end; the first frame holds the
// encoder's delay and padding, so that players know the exact length.
class Mp3FileEncoder : public AudioEncoder
{
public:
    static constexpr int Quality = 7;

    // Throws SpeechError (FileAccess) when the encoder cannot start.
    Mp3FileEncoder(PendingFile &file, int rate, const AudioTags &tags);
    ~Mp3FileEncoder() override;

    void encode(const qint16 *samples, size_t count) override;
    void finish() override;

    // kbit/s for a voice's rate.
    static int bitrateFor(int rate) { return rate >= 22050 ? 48 : 32; }

private:
    void setTags(const AudioTags &tags);
    void write(int bytes);

    PendingFile &m_file;
    lame_global_struct *m_lame = nullptr;
    std::vector<unsigned char> m_buffer;
    qint64 m_firstFrame = 0; // where the frame for the encoder's own tag goes
};
