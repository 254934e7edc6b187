#include "RegularFile.h"

#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Bytes read at a time; Cancel is looked at between pieces.
constexpr qint64 ReadPieceSize = qint64(8) * 1024 * 1024;
// Read at a time beyond the size the file had when opened (it grew, or is under /proc).
constexpr qint64 ProbeSize = qint64(64) * 1024;
} // namespace

QString RegularFile::Result::reason(qint64 maxBytes) const
{
    switch (problem) {
    case Problem::None:
    case Problem::Cancelled:
        break;
    case Problem::CannotOpen:
    case Problem::ReadError:
        return QString::fromLocal8Bit(std::strerror(error)).toLower();
    case Problem::NotRegular:
        return QStringLiteral("it is not a regular file");
    case Problem::TooLarge:
        return maxBytes >= 1024 * 1024
                   ? QStringLiteral("it is larger than %1 MB").arg(maxBytes / (1024 * 1024))
                   : QStringLiteral("it is larger than %1 KB").arg(maxBytes / 1024);
    }
    return QString();
}

RegularFile::Result RegularFile::read(const QString &path, qint64 maxBytes,
                                      const std::atomic_bool *cancel, bool followLinks)
{
    Result result;
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        result.problem = errno == ELOOP && !followLinks ? Problem::NotRegular : Problem::CannotOpen;
        result.error = errno;
        return result;
    }
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        result.problem = Problem::NotRegular;
        return result;
    }
    // Refused by its size before a byte is read; the size may still change while it is
    // read, so the cap holds for what arrives too.
    if (status.st_size > maxBytes) {
        result.problem = Problem::TooLarge;
        return result;
    }
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    QByteArray &data = result.data;
    // One byte more than the size, so that the read finding the end needs no new room.
    data.reserve(qsizetype(status.st_size) + 1);
    // Read to the end rather than to the size: files under /proc report none.
    for (;;) {
        if (cancel && cancel->load()) {
            result = {Problem::Cancelled, 0, {}};
            return result;
        }
        const qsizetype before = data.size();
        const qint64 room = data.capacity() - before;
        const qint64 piece =
            qMin(room > 0 ? qMin(room, ReadPieceSize) : ProbeSize, maxBytes + 1 - before);
        data.resize(before + qsizetype(piece));
        const ssize_t n = ::read(fd, data.data() + before, size_t(piece));
        if (n < 0 && errno == EINTR) {
            data.resize(before);
            continue;
        }
        if (n < 0) {
            result = {Problem::ReadError, errno, {}};
            return result;
        }
        data.resize(before + n);
        if (data.size() > maxBytes) {
            result = {Problem::TooLarge, 0, {}};
            return result;
        }
        if (n == 0)
            return result;
    }
}
