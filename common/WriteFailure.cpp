#include "WriteFailure.h"

#include <cerrno>
#include <cstring>

QString WriteFailure::reason(int error)
{
    switch (error) {
    case 0:
        return QString();
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("The disk is full.");
    case EROFS:
        return QStringLiteral("The disk is read-only.");
    case EACCES:
    case EPERM:
        return QStringLiteral("You have no permission to write this file or its folder.");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("The folder does not exist.");
    case EFBIG:
        return QStringLiteral("The file is too large for the disk.");
    case EISDIR:
        return QStringLiteral("A folder has that name.");
    default:
        break;
    }
    QString text = QString::fromLocal8Bit(std::strerror(error));
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text + u'.';
}
