#pragma once

#include "InstanceGuard.h"

#include <QLockFile>

// The previous-instance test on a lock file in the user's runtime folder. The lock records
// the holder's process; a lock left behind by a reader that crashed or was killed is
// recognised as stale (its process is gone) and taken over, so it never blocks a start.
// Only a private folder (PrivateFolder) is used; elsewhere the test always says no.
class LockFileInstanceGuard : public InstanceGuard
{
public:
    static inline const QString LockName = QStringLiteral("parlance-reader.lock");

    explicit LockFileInstanceGuard(const QString &folder);
    ~LockFileInstanceGuard() override;

    bool previousInstance() override;

    QString lockPath() const { return m_path; }

private:
    bool m_private;
    QString m_path;
    QLockFile m_lock;
    bool m_held = false;
};
