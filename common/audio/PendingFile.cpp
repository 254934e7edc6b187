#include "PendingFile.h"

#include "SpeechError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// How much is written before the system is asked to start putting it on the disk, so that
// an hour of speech does not pile up in memory for the system to write all at once later.
constexpr qint64 WriteBackStep = 8 << 20;

QString cannotWrite(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot write the file \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString systemError(int number = errno)
{
    return QString::fromLocal8Bit(std::strerror(number));
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// Part files say which machine wrote them: on a folder shared over the network, another
// machine's process numbers mean nothing here.
QString machineTag()
{
    static const QString tag = QString::fromLatin1(
        QCryptographicHash::hash(QSysInfo::machineUniqueId() + QSysInfo::machineHostName().toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(8));
    return tag;
}

const QRegularExpression &partPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\..+\\.([0-9a-f]{8})-([0-9]+)\\.[0-9a-f]{8}\\.part$"));
    return pattern;
}
} // namespace

PendingFile::~PendingFile()
{
    discard();
}

QString PendingFile::partName() const
{
    return QStringLiteral(".%1.%2-%3.%4.part")
        .arg(QFileInfo(m_target).fileName(), machineTag())
        .arg(::getpid())
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

void PendingFile::create(const QString &givenTarget)
{
    discard();
    m_error.clear();
    m_position = m_handedToDisk = 0;
    // A link is written through, as the document save does: the file it points at is
    // replaced, and the link stays a link.
    QString target = givenTarget;
    if (const QFileInfo given(givenTarget); given.isSymLink()) {
        const QString canonical = given.canonicalFilePath();
        target = canonical.isEmpty() ? given.symLinkTarget() : canonical;
    }
    const QFileInfo info(target);
    if (info.isDir() || (info.exists() && !info.isWritable()))
        throw SpeechError(SpeechErrors::FileAccess,
                          cannotWrite(target, info.isDir() ? QStringLiteral("it is a folder")
                                                           : QStringLiteral("it is read-only")));
    m_target = target;
    const QString folder = info.absolutePath();
    // A replaced file keeps its permissions (a private recording stays private); a new one
    // gets the ordinary ones.
    struct stat old = {};
    const bool replacing = ::stat(encoded(target).constData(), &old) == 0;

    removeLeftovers(folder);
    m_fd = ::open(encoded(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (m_fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
            m_partPath = QDir(folder).filePath(partName());
            m_fd = ::open(encoded(m_partPath).constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC,
                          0666);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        if (m_fd < 0)
            m_partPath.clear();
    }
    if (m_fd < 0) {
        const QString reason = systemError();
        m_target.clear();
        throw SpeechError(SpeechErrors::FileAccess, cannotWrite(target, reason));
    }
    if (replacing)
        ::fchmod(m_fd, old.st_mode & 07777);
}

bool PendingFile::write(const void *data, qint64 size)
{
    if (!writeAt(m_position, data, size))
        return false;
    m_position += size;
    startWriteBack();
    return true;
}

bool PendingFile::writeAt(qint64 offset, const void *data, qint64 size)
{
    if (m_fd < 0 || failed())
        return false;
    const char *bytes = static_cast<const char *>(data);
    for (qint64 done = 0; done < size;) {
        const ssize_t step =
            ::pwrite(m_fd, bytes + done, size_t(size - done), off_t(offset + done));
        if (step < 0 && errno == EINTR)
            continue;
        if (step <= 0) {
            fail(step < 0 ? systemError() : QStringLiteral("nothing could be written"));
            return false;
        }
        done += step;
    }
    return true;
}

qint64 PendingFile::readAt(qint64 offset, void *data, qint64 size) const
{
    if (m_fd < 0)
        return -1;
    return ::pread(m_fd, data, size_t(size), off_t(offset));
}

qint64 PendingFile::seek(qint64 offset, int whence)
{
    const qint64 base = whence == SEEK_CUR ? m_position : whence == SEEK_END ? size() : 0;
    if (base + offset < 0)
        return -1;
    m_position = base + offset;
    return m_position;
}

qint64 PendingFile::size() const
{
    struct stat status = {};
    return m_fd >= 0 && ::fstat(m_fd, &status) == 0 ? qint64(status.st_size) : 0;
}

void PendingFile::startWriteBack()
{
    if (m_position - m_handedToDisk < WriteBackStep)
        return;
    ::sync_file_range(m_fd, m_handedToDisk, m_position - m_handedToDisk, SYNC_FILE_RANGE_WRITE);
    m_handedToDisk = m_position;
}

SpeechError PendingFile::failure(const QString &reason) const
{
    return SpeechError(SpeechErrors::FileAccess,
                       cannotWrite(m_target, failed() ? m_error : reason));
}

void PendingFile::fail(const QString &reason)
{
    if (m_error.isEmpty())
        m_error = reason;
}

void PendingFile::commit()
{
    if (m_fd < 0)
        throw SpeechError(SpeechErrors::InvalidArgument,
                          QStringLiteral("No audio file is open for writing."));
    const QString target = m_target;
    QString reason = m_error;
    // A file that was not written whole is not worth a name. It is not waited for until it
    // is on the disk, as a saved document is: audio can be made again from its text, and
    // waiting (a tenth of a second and more for each file) would be most of the time of a
    // short file in a batch.
    if (reason.isEmpty() && m_partPath.isEmpty()) {
        const auto link = [this](const QString &name) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, encoded(name).constData(),
                         AT_SYMLINK_FOLLOW) == 0)
                return true;
            // Without /proc, the descriptor itself (which takes more privileges).
            return errno == ENOENT &&
                   ::linkat(m_fd, "", AT_FDCWD, encoded(name).constData(), AT_EMPTY_PATH) == 0;
        };
        // A new name is linked at once; an existing file is replaced by a rename, from a part
        // name that exists only for that moment.
        if (!link(target)) {
            if (errno != EEXIST) {
                reason = systemError();
            } else {
                m_partPath = QDir(QFileInfo(target).absolutePath()).filePath(partName());
                if (!link(m_partPath)) {
                    reason = systemError();
                    m_partPath.clear();
                }
            }
        }
    }
    if (reason.isEmpty() && !m_partPath.isEmpty() &&
        ::rename(encoded(m_partPath).constData(), encoded(target).constData()) != 0)
        reason = systemError();
    if (reason.isEmpty() && !m_partPath.isEmpty())
        m_partPath.clear(); // renamed: nothing of ours to remove
    discard();
    if (!reason.isEmpty())
        throw SpeechError(SpeechErrors::FileAccess, cannotWrite(target, reason));
}

void PendingFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_partPath.isEmpty())
        ::unlink(encoded(m_partPath).constData());
    m_partPath.clear();
    m_target.clear();
}

void PendingFile::removeLeftovers(const QString &folder)
{
    const QStringList names =
        QDir(folder).entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = partPattern().match(name);
        if (!m.hasMatch() || m.captured(1) != machineTag())
            continue;
        const pid_t owner = pid_t(m.captured(2).toLongLong());
        if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH)
            ::unlink(encoded(QDir(folder).filePath(name)).constData());
    }
}
