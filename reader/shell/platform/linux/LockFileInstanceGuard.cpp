#include "LockFileInstanceGuard.h"

#include "PrivateFolder.h"

#include <QDir>

LockFileInstanceGuard::LockFileInstanceGuard(const QString &folder)
    : m_private(PrivateFolder::isPrivate(folder)),
      m_path(m_private ? QDir(folder).filePath(LockName) : QString()), m_lock(m_path)
{
    // The reader holds the lock for as long as it runs, hours or days: its age must never
    // make it look stale. Only a holder that no longer runs does.
    m_lock.setStaleLockTime(0);
}

LockFileInstanceGuard::~LockFileInstanceGuard()
{
    if (m_held)
        m_lock.unlock();
}

bool LockFileInstanceGuard::previousInstance()
{
    // A lock in a folder others can write could be taken or faked by them; with no private
    // folder there is no lock at all.
    if (m_held || !m_private)
        return false;
    if (m_lock.tryLock(0)) {
        m_held = true;
        return false;
    }
    // Only a lock that another live reader holds means "already running". A folder that
    // cannot be written leaves us unable to tell; starting is better than refusing.
    return m_lock.error() == QLockFile::LockFailedError;
}
