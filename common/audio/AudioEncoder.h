#pragma once

#include <QtGlobal>
#include <cstddef>

// One audio format's encoder, writing 16-bit mono samples into a PendingFile. Throws
// SpeechError (FileAccess) when the file cannot take what it writes.
class AudioEncoder
{
public:
    virtual ~AudioEncoder() = default;
    virtual void encode(const qint16 *samples, size_t count) = 0;
    // Where chapter `index` starts, in milliseconds; told before finish().
    virtual void setChapterStart(int index, qint64 milliseconds)
    {
        Q_UNUSED(index);
        Q_UNUSED(milliseconds);
    }
    // Writes what the encoder still holds and completes the file's headers.
    virtual void finish() = 0;
};
