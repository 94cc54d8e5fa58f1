#include "app/SingleInstanceGuard.h"

#include "util/SupportFolder.h"

SingleInstanceGuard::SingleInstanceGuard() = default;

SingleInstanceGuard::~SingleInstanceGuard() = default;

bool SingleInstanceGuard::tryAcquire()
{
    if (m_lock && m_lock->isLocked()) {
        return true;
    }
    if (!SupportFolder::ensure()) {
        return false;
    }
    m_lock = std::make_unique<QLockFile>(SupportFolder::path() + QStringLiteral("/kestrix.lock"));
    // Only a lock whose process is gone counts as stale; a live instance keeps it for its whole run.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}
