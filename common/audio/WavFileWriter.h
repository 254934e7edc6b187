#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

class Resampler;
typedef struct sf_private_tag SNDFILE;

// Writes 16-bit mono PCM WAV files. The audio is written to a hidden file beside the target
// and renamed over it only when finish() completes, so a failed or abandoned conversion never
// leaves a truncated WAV under the chosen name. Samples arrive at the engine's rate and are
// resampled when the file's rate differs. Not thread-safe; use from one thread.
class WavFileWriter
{
public:
    // The RIFF header counts the file in 32 bits; keep clear of that with room for the
    // header chunks.
    static constexpr qint64 MaximumDataBytes = 0xFFFFFFFFLL - 4096;

    WavFileWriter();
    // Opens at once; see open().
    WavFileWriter(const QString &path, int fileRate, int inputRate,
                  qint64 dataLimit = MaximumDataBytes);
    // Discards the file unless finish() succeeded.
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter &) = delete;
    WavFileWriter &operator=(const WavFileWriter &) = delete;

    // Largest audio data size accepted; set before open().
    void setDataLimit(qint64 bytes) { m_dataLimit = bytes; }
    qint64 dataLimit() const { return m_dataLimit; }

    // Throws SpeechError: FileAccess when the file cannot be created, InvalidArgument for
    // unusable rates.
    void open(const QString &path, int fileRate, int inputRate);
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
    void flushPending();
    [[noreturn]] void fail(int number, const QString &description);

    SNDFILE *m_file = nullptr;
    QString m_path;
    QString m_partPath;
    int m_fileRate = 0;
    std::unique_ptr<Resampler> m_resampler;
    std::vector<qint16> m_pending;
    qint64 m_frames = 0;
    qint64 m_dataLimit = MaximumDataBytes;
};
