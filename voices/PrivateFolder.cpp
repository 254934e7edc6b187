#include "PrivateFolder.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
constexpr QFileDevice::Permissions OwnerOnly =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions Others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;

uint currentUser()
{
#ifdef Q_OS_UNIX
    return uint(::geteuid());
#else
    return uint(-2);
#endif
}

QString ownFolderIn(const QString &parent)
{
    if (parent.isEmpty())
        return {};
    const QString folder =
        QDir(parent).filePath(QStringLiteral("parlance-runtime-%1").arg(currentUser()));
    // Created with owner-only access from the start; an existing one is accepted only if it
    // passes the same test, since somebody else may have made it first.
    if (!QFileInfo(folder).exists() || QFileInfo(folder).isSymLink())
        QDir().mkdir(folder, OwnerOnly);
    return PrivateFolder::isPrivate(folder) ? folder : QString();
}
} // namespace

bool PrivateFolder::isPrivate(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QFileInfo info(folder);
    if (info.isSymLink() || !info.isDir())
        return false;
#ifdef Q_OS_UNIX
    if (info.ownerId() != currentUser())
        return false;
    return (info.permissions() & Others) == 0 && (info.permissions() & OwnerOnly) == OwnerOnly;
#else
    return true;
#endif
}

QString PrivateFolder::runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivate(runtime))
        return QDir::cleanPath(runtime);
    return ownFolderIn(QDir::tempPath());
}

QString PrivateFolder::runtimeFolderWithout(QChar forbidden)
{
    const QString first = runtimeFolder();
    if (!first.isEmpty() && !first.contains(forbidden))
        return first;
    // The usual temporary folder when the configured one is unusable for the caller.
    const QString fallback = ownFolderIn(QStringLiteral("/tmp"));
    return fallback.contains(forbidden) ? QString() : fallback;
}
