#pragma once

#include "AudioFileWriter.h"

// Writes 16-bit mono PCM WAV files, keeping the data inside what the RIFF header can count.
// See AudioFileWriter for how the file reaches its name.
class WavFileWriter : public AudioFileWriter
{
public:
    // The RIFF header counts the file in 32 bits; keep clear of that with room for the
    // header chunks.
    static constexpr qint64 MaximumDataBytes = 0xFFFFFFFFLL - 4096;

    WavFileWriter() { setDataLimit(MaximumDataBytes); }
    // Opens at once; see open().
    WavFileWriter(const QString &path, int fileRate, int inputRate,
                  qint64 dataLimit = MaximumDataBytes)
        : AudioFileWriter(path, Wav, fileRate, inputRate, {}, dataLimit)
    {
    }

    using AudioFileWriter::open;
    // Throws SpeechError: FileAccess when the file cannot be created, InvalidArgument for
    // unusable rates.
    void open(const QString &path, int fileRate, int inputRate)
    {
        AudioFileWriter::open(path, Wav, fileRate, inputRate);
    }
};
