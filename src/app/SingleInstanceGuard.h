#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Keeps one Kestrix per user (per support folder): the first instance holds a lock file there for
// its whole run; a lock left by a crashed instance is taken over. A second start must leave the
// first one's files (the trigger socket above all) alone and exit.
class SingleInstanceGuard {
public:
    enum class Outcome {
        acquired,              // this process now holds the lock
        heldByRunningInstance, // a live Kestrix holds it
        failed,                // the support folder or the lock file could not be made: see failure()
    };

    SingleInstanceGuard();
    ~SingleInstanceGuard();

    Outcome tryAcquire();

    // After `failed`: what went wrong and where, as one sentence for the user; empty otherwise.
    const QString &failure() const { return m_failure; }

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_failure;
};
