#pragma once

#include <QString>
#include <QtGlobal>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class QFile;
class Resampler;
typedef struct sf_private_tag SNDFILE;

// Writes 16-bit mono audio as WAV, MP3, Ogg Vorbis, Ogg Opus or FLAC through libsndfile. The
// audio goes to a hidden file beside the target and is renamed over it only when finish()
// completes, so a failed or abandoned conversion never leaves a truncated file under the
// chosen name. Samples arrive at the engine's rate and are resampled when the file's rate
// differs. Not thread-safe; use from one thread.
class AudioFileWriter
{
public:
    enum Format { Wav, Mp3, OggVorbis, Opus, Flac };

    struct Tags
    {
        QString title;
        QString artist;
    };

    // Frames are counted in 64 bits; only WAV needs a tighter limit.
    static constexpr qint64 Unlimited = std::numeric_limits<qint64>::max();

    // "wav", "mp3", "ogg", "opus", "flac" in any case; nothing for other names.
    static std::optional<Format> formatNamed(const QString &name);
    // The format the file name's extension asks for ("oga" counts as Ogg Vorbis).
    static std::optional<Format> formatOfPath(const QString &path);
    static QString extension(Format format);
    // Opus only takes a few rates, 48 kHz being its own; everything else keeps the voice's.
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
    // Completes the file under its final name. Throws like write().
    void finish();
    // Abandons the file; nothing is left under the final name or beside it.
    void discard();

    bool isOpen() const { return m_file != nullptr; }
    int fileRate() const { return m_fileRate; }
    // Frames accepted for the file so far, at the file's rate.
    qint64 framesWritten() const { return m_frames; }

private:
    // libsndfile writes through these, so that a short write is seen even where an encoder
    // ignores it (LAME's output goes unchecked).
    struct PartFile;
    QString failureReason() const;
    void account(size_t added);
    void flushPending();
    [[noreturn]] void fail(int number, const QString &description);

    SNDFILE *m_file = nullptr;
    std::unique_ptr<PartFile> m_part;
    QString m_path;
    QString m_partPath;
    int m_fileRate = 0;
    Format m_format = Wav;
    std::unique_ptr<Resampler> m_resampler;
    std::vector<qint16> m_pending;
    qint64 m_frames = 0;
    qint64 m_dataLimit = Unlimited;
};
