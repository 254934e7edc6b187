#include "WavFileWriter.h"

#include "Resampler.h"
#include "SpeechError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>
#include <sndfile.h>
#include <system_error>

namespace {

// Samples gathered before each write, so that short engine buffers do not each cost a
// system call.
constexpr size_t PendingSamples = 32768;

std::filesystem::path nativePath(const QString &path)
{
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdU16String());
}

} // namespace

WavFileWriter::WavFileWriter() = default;

WavFileWriter::WavFileWriter(const QString &path, int fileRate, int inputRate, qint64 dataLimit)
    : m_dataLimit(dataLimit)
{
    open(path, fileRate, inputRate);
}

WavFileWriter::~WavFileWriter()
{
    discard();
}

void WavFileWriter::open(const QString &givenPath, int fileRate, int inputRate)
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
                          QStringLiteral("Cannot write the file \"%1\": %2")
                              .arg(QDir::toNativeSeparators(path),
                                   target.isDir() ? QStringLiteral("it is a folder")
                                                  : QStringLiteral("it is read-only")));
    QString partPath;
    QString reason;
    for (int attempt = 0; attempt < 16 && partPath.isEmpty(); ++attempt) {
        const QString candidate = target.dir().filePath(
            QStringLiteral(".%1.%2.part")
                .arg(target.fileName())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        QFile file(candidate);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            partPath = candidate;
            // A replaced file keeps its permissions (a private recording stays private); a
            // new one gets the ordinary ones.
            if (target.exists())
                file.setPermissions(target.permissions());
            break;
        }
        // A name already taken is worth another try; anything else is the folder's fault.
        if (!file.exists()) {
            reason = file.errorString();
            break;
        }
    }
    if (partPath.isEmpty())
        throw SpeechError(
            SpeechErrors::FileAccess,
            QStringLiteral("Cannot write the file \"%1\": %2")
                .arg(QDir::toNativeSeparators(path),
                     reason.isEmpty() ? QStringLiteral("no temporary name is free") : reason));

    SF_INFO info{};
    info.samplerate = fileRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *file = sf_open(QFile::encodeName(partPath).constData(), SFM_WRITE, &info);
    if (!file) {
        const QString error = QString::fromLocal8Bit(sf_strerror(nullptr));
        QFile::remove(partPath);
        throw SpeechError(SpeechErrors::FileAccess,
                          QStringLiteral("Cannot write the file \"%1\": %2")
                              .arg(QDir::toNativeSeparators(path), error));
    }
    m_file = file;
    m_path = path;
    m_partPath = partPath;
    m_fileRate = fileRate;
    m_resampler = std::move(resampler);
    m_pending.clear();
    m_pending.reserve(PendingSamples * 2);
    m_frames = 0;
}

void WavFileWriter::write(const qint16 *samples, int count)
{
    if (!m_file)
        throw SpeechError(SpeechErrors::InvalidArgument,
                          QStringLiteral("No WAV file is open for writing."));
    if (count <= 0)
        return;
    const size_t before = m_pending.size();
    m_resampler->process(samples, count, m_pending);
    const size_t added = m_pending.size() - before;
    if ((m_frames + qint64(added)) * qint64(sizeof(qint16)) > m_dataLimit)
        fail(SpeechErrors::FileTooLarge,
             QStringLiteral("The audio for \"%1\" is larger than a WAV file can hold.")
                 .arg(QDir::toNativeSeparators(m_path)));
    m_frames += qint64(added);
    if (m_pending.size() >= PendingSamples)
        flushPending();
}

void WavFileWriter::finish()
{
    if (!m_file)
        throw SpeechError(SpeechErrors::InvalidArgument,
                          QStringLiteral("No WAV file is open for writing."));
    const size_t before = m_pending.size();
    m_resampler->flush(m_pending);
    const size_t added = m_pending.size() - before;
    if ((m_frames + qint64(added)) * qint64(sizeof(qint16)) > m_dataLimit)
        fail(SpeechErrors::FileTooLarge,
             QStringLiteral("The audio for \"%1\" is larger than a WAV file can hold.")
                 .arg(QDir::toNativeSeparators(m_path)));
    m_frames += qint64(added);
    flushPending();

    // Closing writes the final header sizes.
    SNDFILE *file = m_file;
    m_file = nullptr;
    if (sf_close(file) != 0) {
        QFile::remove(m_partPath);
        m_partPath.clear();
        throw SpeechError(SpeechErrors::FileAccess,
                          QStringLiteral("Cannot complete the file \"%1\".")
                              .arg(QDir::toNativeSeparators(m_path)));
    }
    // rename() replaces an existing file in one step on every platform we build for.
    std::error_code error;
    std::filesystem::rename(nativePath(m_partPath), nativePath(m_path), error);
    if (error) {
        QFile::remove(m_partPath);
        m_partPath.clear();
        throw SpeechError(SpeechErrors::FileAccess,
                          QStringLiteral("Cannot write the file \"%1\": %2")
                              .arg(QDir::toNativeSeparators(m_path),
                                   QString::fromLocal8Bit(error.message().c_str())));
    }
    m_partPath.clear();
    m_resampler.reset();
    m_pending.clear();
}

void WavFileWriter::discard()
{
    if (m_file) {
        sf_close(m_file);
        m_file = nullptr;
    }
    if (!m_partPath.isEmpty()) {
        QFile::remove(m_partPath);
        m_partPath.clear();
    }
    m_resampler.reset();
    m_pending.clear();
}

void WavFileWriter::flushPending()
{
    if (m_pending.empty())
        return;
    const sf_count_t written =
        sf_write_short(m_file, m_pending.data(), sf_count_t(m_pending.size()));
    if (written != sf_count_t(m_pending.size()))
        fail(SpeechErrors::FileAccess, QStringLiteral("Cannot write the file \"%1\": %2")
                                           .arg(QDir::toNativeSeparators(m_path),
                                                QString::fromLocal8Bit(sf_strerror(m_file))));
    m_pending.clear();
}

void WavFileWriter::fail(int number, const QString &description)
{
    discard();
    throw SpeechError(number, description);
}
