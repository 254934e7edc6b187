#include "AudioFileWriter.h"

#include "BackgroundEncoder.h"
#include "Mp3FileEncoder.h"
#include "OpusFileEncoder.h"
#include "PendingFile.h"
#include "Resampler.h"
#include "SndfileEncoder.h"
#include "SpeechError.h"

#include <QDir>
#include <QFileInfo>

namespace {
// Samples gathered before each write, so that short engine buffers do not each cost a
// system call (or a hand-over to the encoder's thread).
constexpr size_t PendingSamples = 32768;

std::unique_ptr<AudioEncoder> encoderFor(PendingFile &file, AudioFileWriter::Format format,
                                         int rate, const AudioTags &tags)
{
    switch (format) {
    case AudioFileWriter::Wav:
        // Nothing to compress: written where the samples arrive.
        return std::make_unique<SndfileEncoder>(file, SndfileEncoder::Wav, rate, tags);
    case AudioFileWriter::Flac:
        return std::make_unique<BackgroundEncoder>(
            std::make_unique<SndfileEncoder>(file, SndfileEncoder::Flac, rate, tags));
    case AudioFileWriter::OggVorbis:
        return std::make_unique<BackgroundEncoder>(
            std::make_unique<SndfileEncoder>(file, SndfileEncoder::Vorbis, rate, tags));
    case AudioFileWriter::Mp3:
        return std::make_unique<BackgroundEncoder>(
            std::make_unique<Mp3FileEncoder>(file, rate, tags));
    case AudioFileWriter::Opus:
        return std::make_unique<BackgroundEncoder>(
            std::make_unique<OpusFileEncoder>(file, rate, tags));
    }
    return nullptr;
}
} // namespace

std::optional<AudioFileWriter::Format> AudioFileWriter::formatNamed(const QString &name)
{
    const QString lower = name.trimmed().toLower();
    if (lower == QLatin1String("wav"))
        return Wav;
    if (lower == QLatin1String("mp3"))
        return Mp3;
    if (lower == QLatin1String("ogg") || lower == QLatin1String("oga"))
        return OggVorbis;
    if (lower == QLatin1String("opus"))
        return Opus;
    if (lower == QLatin1String("flac"))
        return Flac;
    return std::nullopt;
}

std::optional<AudioFileWriter::Format> AudioFileWriter::formatOfPath(const QString &path)
{
    return formatNamed(QFileInfo(path).suffix());
}

QString AudioFileWriter::extension(Format format)
{
    switch (format) {
    case Wav:
        return QStringLiteral("wav");
    case Mp3:
        return QStringLiteral("mp3");
    case OggVorbis:
        return QStringLiteral("ogg");
    case Opus:
        return QStringLiteral("opus");
    case Flac:
        return QStringLiteral("flac");
    }
    return QString();
}

int AudioFileWriter::fileRateFor(Format format, int voiceRate)
{
    return format == Opus ? 48000 : voiceRate;
}

AudioFileWriter::AudioFileWriter() = default;

AudioFileWriter::AudioFileWriter(const QString &path, Format format, int fileRate, int inputRate,
                                 const Tags &tags, qint64 dataLimit)
    : m_dataLimit(dataLimit)
{
    open(path, format, fileRate, inputRate, tags);
}

AudioFileWriter::~AudioFileWriter()
{
    discard();
}

void AudioFileWriter::open(const QString &path, Format format, int fileRate, int inputRate,
                           const Tags &tags)
{
    discard();
    // libopusenc takes the voice's rate and resamples to Opus's own with its own filter.
    const int encoderRate = format == Opus ? inputRate : fileRate;
    auto resampler = std::make_unique<Resampler>(inputRate, encoderRate);
    auto file = std::make_unique<PendingFile>();
    file->create(path);
    m_encoder = encoderFor(*file, format, encoderRate, tags);
    m_file = std::move(file);
    m_path = m_file->target();
    m_fileRate = fileRate;
    m_inputRate = inputRate;
    m_format = format;
    m_resampler = inputRate == encoderRate ? nullptr : std::move(resampler);
    m_pending.clear();
    m_pending.reserve(PendingSamples * 2);
    m_frames = 0;
    m_inputFrames = 0;
}

qint64 AudioFileWriter::framesWritten() const
{
    return m_format == Opus && m_inputRate > 0 ? m_inputFrames * m_fileRate / m_inputRate
                                               : m_frames;
}

void AudioFileWriter::write(const qint16 *samples, int count)
{
    if (!m_encoder)
        throw SpeechError(SpeechErrors::InvalidArgument,
                          QStringLiteral("No audio file is open for writing."));
    if (count <= 0)
        return;
    const size_t before = m_pending.size();
    if (m_resampler)
        m_resampler->process(samples, count, m_pending);
    else
        m_pending.insert(m_pending.end(), samples, samples + count);
    account(m_pending.size() - before);
    m_inputFrames += count;
    if (m_pending.size() >= PendingSamples)
        flushPending();
}

void AudioFileWriter::startChapter(int index)
{
    if (m_encoder && m_inputRate > 0)
        m_encoder->setChapterStart(index, m_inputFrames * 1000 / m_inputRate);
}

void AudioFileWriter::finish()
{
    if (!m_encoder)
        throw SpeechError(SpeechErrors::InvalidArgument,
                          QStringLiteral("No audio file is open for writing."));
    try {
        if (m_resampler) {
            const size_t before = m_pending.size();
            m_resampler->flush(m_pending);
            account(m_pending.size() - before);
        }
        flushPending();
        m_encoder->finish();
        m_encoder.reset();
        m_file->commit();
    } catch (const SpeechError &) {
        discard();
        throw;
    }
    discard();
}

void AudioFileWriter::discard()
{
    // The encoder goes first: its thread may still be writing into the file.
    m_encoder.reset();
    if (m_file)
        m_file->discard();
    m_file.reset();
    m_resampler.reset();
    m_pending.clear();
}

void AudioFileWriter::account(size_t added)
{
    if (m_dataLimit != Unlimited &&
        (m_frames + qint64(added)) * qint64(sizeof(qint16)) > m_dataLimit)
        fail(SpeechErrors::FileTooLarge,
             QStringLiteral("The audio for \"%1\" is larger than %2 can hold.")
                 .arg(QDir::toNativeSeparators(m_path),
                      m_format == Wav ? QStringLiteral("a WAV file") : QStringLiteral("the file")));
    m_frames += qint64(added);
}

void AudioFileWriter::flushPending()
{
    if (m_pending.empty())
        return;
    try {
        m_encoder->encode(m_pending.data(), m_pending.size());
    } catch (const SpeechError &) {
        discard();
        throw;
    }
    m_pending.clear();
}

void AudioFileWriter::fail(int number, const QString &description)
{
    discard();
    throw SpeechError(number, description);
}
