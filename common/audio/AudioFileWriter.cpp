#include "AudioFileWriter.h"

#include "Resampler.h"
#include "SpeechError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <fcntl.h>
#include <filesystem>
#include <sndfile.h>
#include <system_error>
#include <unistd.h>

namespace {

// Samples gathered before each write, so that short engine buffers do not each cost a
// system call.
constexpr size_t PendingSamples = 32768;
// How much is written before the system is asked to start putting it on the disk.
constexpr qint64 WriteBackStep = 8 << 20;

// LAME's variable bit rate at this level gives about 64-96 kbit/s for a mono voice: plenty
// for speech, a quarter of the WAV's size.
constexpr double Mp3CompressionLevel = 0.5;
// Vorbis at this level stays clear of the artefacts that make sibilants hiss (about 60 kbit/s
// for a voice); Opus reaches the same at about 40 kbit/s, where its speech mode is at home.
constexpr double VorbisCompressionLevel = 0.6;
constexpr double OpusCompressionLevel = 0.85;

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdU16String());
}

int sndfileFormat(AudioFileWriter::Format format)
{
    switch (format) {
    case AudioFileWriter::Wav:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case AudioFileWriter::Mp3:
        return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case AudioFileWriter::OggVorbis:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case AudioFileWriter::Opus:
        return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case AudioFileWriter::Flac:
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    }
    return 0;
}

} // namespace

struct AudioFileWriter::PartFile
{
    QFile file;
    bool failed = false;
    QString error;
    qint64 handedToDisk = 0;

    // Starts writing what has gathered to the disk without waiting for it, so that an hour of
    // speech does not pile up in memory for the system to write all at once later.
    void startWriteBack()
    {
        const qint64 end = file.pos();
        if (end - handedToDisk < WriteBackStep)
            return;
        ::sync_file_range(file.handle(), handedToDisk, end - handedToDisk, SYNC_FILE_RANGE_WRITE);
        handedToDisk = end;
    }

    static sf_count_t length(void *self) { return static_cast<PartFile *>(self)->file.size(); }
    static sf_count_t seek(sf_count_t offset, int whence, void *self)
    {
        QFile &file = static_cast<PartFile *>(self)->file;
        const qint64 base = whence == SEEK_CUR ? file.pos() : whence == SEEK_END ? file.size() : 0;
        if (!file.seek(base + offset))
            return -1;
        return file.pos();
    }
    static sf_count_t read(void *buffer, sf_count_t count, void *self)
    {
        return qMax<sf_count_t>(
            0, static_cast<PartFile *>(self)->file.read(static_cast<char *>(buffer), count));
    }
    static sf_count_t write(const void *buffer, sf_count_t count, void *self)
    {
        auto *part = static_cast<PartFile *>(self);
        // A short write says nothing of its cause; the next attempt fails with the reason.
        qint64 written = 0;
        while (written < count) {
            const qint64 step =
                part->file.write(static_cast<const char *>(buffer) + written, count - written);
            if (step <= 0)
                break;
            written += step;
        }
        if (written != count && !part->failed) {
            part->failed = true;
            part->error = part->file.errorString();
        }
        return qMax<sf_count_t>(0, written);
    }
    static sf_count_t tell(void *self) { return static_cast<PartFile *>(self)->file.pos(); }
};

namespace {

QString cannotWrite(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot write the file \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), reason);
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

void AudioFileWriter::open(const QString &givenPath, Format format, int fileRate, int inputRate,
                           const Tags &tags)
{
    discard();
    auto resampler = std::make_unique<Resampler>(inputRate, fileRate);

    // A link is written through, as the document save does: the rename replaces the file it
    // points at, and the link stays a link.
    QString path = givenPath;
    if (const QFileInfo given(givenPath); given.isSymLink()) {
        const QString canonical = given.canonicalFilePath();
        path = canonical.isEmpty() ? given.symLinkTarget() : canonical;
    }

    // Create the hidden part file exclusively beside the target so that the final rename
    // stays on one file system.
    const QFileInfo target(path);
    if (target.isDir() || (target.exists() && !target.isWritable()))
        throw SpeechError(SpeechErrors::FileAccess,
                          cannotWrite(path, target.isDir() ? QStringLiteral("it is a folder")
                                                           : QStringLiteral("it is read-only")));
    auto part = std::make_unique<PartFile>();
    QString partPath;
    QString reason;
    for (int attempt = 0; attempt < 16 && partPath.isEmpty(); ++attempt) {
        const QString candidate = target.dir().filePath(
            QStringLiteral(".%1.%2.part")
                .arg(target.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        part->file.setFileName(candidate);
        if (part->file.open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            partPath = candidate;
            // A replaced file keeps its permissions (a private recording stays private); a
            // new one gets the ordinary ones.
            if (target.exists())
                part->file.setPermissions(target.permissions());
            break;
        }
        // A name already taken is worth another try; anything else is the folder's fault.
        if (!part->file.exists()) {
            reason = part->file.errorString();
            break;
        }
    }
    if (partPath.isEmpty())
        throw SpeechError(SpeechErrors::FileAccess,
                          cannotWrite(path, reason.isEmpty()
                                                ? QStringLiteral("no temporary name is free")
                                                : reason));

    SF_INFO info{};
    info.samplerate = fileRate;
    info.channels = 1;
    info.format = sndfileFormat(format);
    static SF_VIRTUAL_IO io{&PartFile::length, &PartFile::seek, &PartFile::read, &PartFile::write,
                            &PartFile::tell};
    SNDFILE *file = sf_open_virtual(&io, SFM_WRITE, &info, part.get());
    if (!file) {
        const QString error =
            part->failed ? part->error : QString::fromLocal8Bit(sf_strerror(nullptr));
        part->file.close();
        QFile::remove(partPath);
        throw SpeechError(SpeechErrors::FileAccess, cannotWrite(path, error));
    }
    if (format == Mp3) {
        int mode = SF_BITRATE_MODE_VARIABLE;
        sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof(mode));
    }
    if (format != Wav && format != Flac) {
        double level = format == Mp3         ? Mp3CompressionLevel
                       : format == OggVorbis ? VorbisCompressionLevel
                                             : OpusCompressionLevel;
        sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof(level));
    }
    // Tags go in before the first sample: Ogg and FLAC write them into the stream's header.
    // A format without a place for them simply refuses, which costs nothing.
    if (!tags.title.isEmpty())
        sf_set_string(file, SF_STR_TITLE, tags.title.toUtf8().constData());
    if (!tags.artist.isEmpty())
        sf_set_string(file, SF_STR_ARTIST, tags.artist.toUtf8().constData());

    m_file = file;
    m_part = std::move(part);
    m_path = path;
    m_partPath = partPath;
    m_fileRate = fileRate;
    m_format = format;
    m_resampler = std::move(resampler);
    m_pending.clear();
    m_pending.reserve(PendingSamples * 2);
    m_frames = 0;
}

void AudioFileWriter::write(const qint16 *samples, int count)
{
    if (!m_file)
        throw SpeechError(SpeechErrors::InvalidArgument,
                          QStringLiteral("No audio file is open for writing."));
    if (count <= 0)
        return;
    const size_t before = m_pending.size();
    m_resampler->process(samples, count, m_pending);
    account(m_pending.size() - before);
    if (m_pending.size() >= PendingSamples)
        flushPending();
}

void AudioFileWriter::finish()
{
    if (!m_file)
        throw SpeechError(SpeechErrors::InvalidArgument,
                          QStringLiteral("No audio file is open for writing."));
    const size_t before = m_pending.size();
    m_resampler->flush(m_pending);
    account(m_pending.size() - before);
    flushPending();

    // Closing writes the final header sizes and the encoders' last frames.
    SNDFILE *file = m_file;
    m_file = nullptr;
    const bool closed = sf_close(file) == 0;
    // A file that was not written whole is not worth renaming. It is not waited for until it
    // is on the disk, as a saved document is: audio can be made again from its text, and
    // waiting for the disk (a tenth of a second and more for each file, longer while other
    // files are being written) would be most of the time of a short file in a batch.
    m_part->file.flush();
    m_part->file.close();
    const bool flushed = m_part->file.error() == QFileDevice::NoError;
    if (m_part->failed || !closed || !flushed) {
        const QString reason = m_part->failed ? m_part->error
                               : !flushed     ? m_part->file.errorString()
                                              : QStringLiteral("the encoder did not complete it");
        m_part.reset();
        QFile::remove(m_partPath);
        m_partPath.clear();
        throw SpeechError(SpeechErrors::FileAccess, cannotWrite(m_path, reason));
    }
    m_part.reset();
    // rename() replaces an existing file in one step on every platform we build for.
    std::error_code error;
    std::filesystem::rename(nativePath(m_partPath), nativePath(m_path), error);
    if (error) {
        QFile::remove(m_partPath);
        m_partPath.clear();
        throw SpeechError(SpeechErrors::FileAccess,
                          cannotWrite(m_path, QString::fromLocal8Bit(error.message().c_str())));
    }
    m_partPath.clear();
    m_resampler.reset();
    m_pending.clear();
}

void AudioFileWriter::discard()
{
    if (m_file) {
        sf_close(m_file);
        m_file = nullptr;
    }
    m_part.reset();
    if (!m_partPath.isEmpty()) {
        QFile::remove(m_partPath);
        m_partPath.clear();
    }
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
    const sf_count_t written =
        sf_write_short(m_file, m_pending.data(), sf_count_t(m_pending.size()));
    if (written != sf_count_t(m_pending.size()) || m_part->failed)
        fail(SpeechErrors::FileAccess, cannotWrite(m_path, failureReason()));
    m_pending.clear();
    m_part->startWriteBack();
}

QString AudioFileWriter::failureReason() const
{
    return m_part && m_part->failed ? m_part->error : QString::fromLocal8Bit(sf_strerror(m_file));
}

void AudioFileWriter::fail(int number, const QString &description)
{
    discard();
    throw SpeechError(number, description);
}
