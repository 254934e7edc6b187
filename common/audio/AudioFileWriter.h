#pragma once

#include "AudioTags.h"

#include <QString>
#include <QtGlobal>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class AudioEncoder;
class PendingFile;
class Resampler;

// Writes 16-bit mono audio as WAV, MP3, Ogg Vorbis, Ogg Opus or FLAC: WAV, FLAC and Vorbis
// through libsndfile, MP3 through LAME, Opus through libopusenc, the compressed formats on a
// thread of their own (BackgroundEncoder). The file has no name until finish() completes it
// (PendingFile), so a failed, abandoned or killed conversion never leaves a truncated file
// under the chosen name. Samples arrive at the engine's rate and are resampled when the
// file's rate differs. Not thread-safe; use from one thread.
class AudioFileWriter
{
public:
    enum Format { Wav, Mp3, OggVorbis, Opus, Flac };

    using Tags = AudioTags;

    // Frames are counted in 64 bits; only WAV needs a tighter limit.
    static constexpr qint64 Unlimited = std::numeric_limits<qint64>::max();

    // "wav", "mp3", "ogg", "opus", "flac" in any case; nothing for other names.
    static std::optional<Format> formatNamed(const QString &name);
    // The format the file name's extension asks for ("oga" counts as Ogg Vorbis).
    static std::optional<Format> formatOfPath(const QString &path);
    static QString extension(Format format);
    // Opus plays at 48 kHz, its own rate; everything else keeps the voice's.
    static int fileRateFor(Format format, int voiceRate);

    AudioFileWriter();
    // Opens at once; see open().
    AudioFileWriter(const QString &path, Format format, int fileRate, int inputRate,
                    const Tags &tags = {}, qint64 dataLimit = Unlimited);
    // Discards the file unless finish() succeeded.
    virtual ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter &) = delete;
    AudioFileWriter &operator=(const AudioFileWriter &) = delete;

    // Largest audio data size (16-bit samples) accepted; set before open().
    void setDataLimit(qint64 bytes) { m_dataLimit = bytes; }
    qint64 dataLimit() const { return m_dataLimit; }

    // Throws SpeechError: FileAccess when the file cannot be created, InvalidArgument for
    // unusable rates.
    void open(const QString &path, Format format, int fileRate, int inputRate,
              const Tags &tags = {});
    // Throws SpeechError: FileTooLarge before the data would pass the limit, FileAccess when
    // writing fails. Either discards the file.
    void write(const qint16 *samples, int count);
    // Chapter `index` of the tags' chapters starts with the next sample written.
    void startChapter(int index);
    // Completes the file under its final name. Throws like write().
    void finish();
    // Abandons the file; nothing is left under the final name or beside it.
    void discard();

    bool isOpen() const { return m_encoder != nullptr; }
    int fileRate() const { return m_fileRate; }
    // Frames accepted for the file so far, at the file's rate.
    qint64 framesWritten() const;
    // Seconds of audio accepted so far.
    double secondsWritten() const
    {
        return m_inputRate > 0 ? double(m_inputFrames) / m_inputRate : 0;
    }

private:
    void account(size_t added);
    void flushPending();
    [[noreturn]] void fail(int number, const QString &description);

    std::unique_ptr<PendingFile> m_file;
    std::unique_ptr<AudioEncoder> m_encoder;
    QString m_path;
    int m_fileRate = 0;
    int m_inputRate = 0;
    Format m_format = Wav;
    std::unique_ptr<Resampler> m_resampler; // none when the encoder takes the voice's rate
    std::vector<qint16> m_pending;
    qint64 m_frames = 0;      // samples handed on for the file
    qint64 m_inputFrames = 0; // samples taken from the voice
    qint64 m_dataLimit = Unlimited;
};
