#pragma once

#include <QLockFile>

#include <memory>

// Keeps one Kestrix per user (per support folder): the first instance holds a lock file there for
// its whole run; a lock left by a crashed instance is taken over. A second start must leave the
// first one's files (the trigger socket above all) alone and exit.
class SingleInstanceGuard {
public:
    SingleInstanceGuard();
    ~SingleInstanceGuard();

    // True when this process now holds the lock.
    bool tryAcquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};
