#include "app/SingleInstanceGuard.h"

#include "util/SupportFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// Why `folder` could not be made: the first part of its path in the way, or the nearest existing
// folder above it that may not be written.
QString whyFolderFails(const QString &folder)
{
    QString missing = QDir::cleanPath(folder);
    QFileInfo info(missing);
    while (!info.exists() && missing != info.absolutePath()) {
        missing = info.absolutePath();
        info = QFileInfo(missing);
    }
    if (!info.isDir()) {
        return QCoreApplication::translate("SingleInstanceGuard", "%1 is not a folder, so %2 cannot be made")
            .arg(missing, folder);
    }
    if (missing == QDir::cleanPath(folder)) {
        return QCoreApplication::translate("SingleInstanceGuard", "%1 cannot be used").arg(folder);
    }
    if (!info.isWritable()) {
        return QCoreApplication::translate("SingleInstanceGuard", "%1 is not writable, so %2 cannot be made")
            .arg(missing, folder);
    }
    return QCoreApplication::translate("SingleInstanceGuard", "%1 could not be made (is the disk full?)").arg(folder);
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard() = default;

SingleInstanceGuard::~SingleInstanceGuard() = default;

SingleInstanceGuard::Outcome SingleInstanceGuard::tryAcquire()
{
    m_failure.clear();
    if (m_lock && m_lock->isLocked()) {
        return Outcome::acquired;
    }
    if (!SupportFolder::ensure()) {
        m_failure = whyFolderFails(SupportFolder::path());
        return Outcome::failed;
    }
    const QString lockPath = SupportFolder::path() + QStringLiteral("/kestrix.lock");
    m_lock = std::make_unique<QLockFile>(lockPath);
    // Only a lock whose process is gone counts as stale; a live instance keeps it for its whole run.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        return Outcome::acquired;
    }
    switch (m_lock->error()) {
    case QLockFile::LockFailedError: {
        // Held, and not stale: unless what is in the way is no lock file at all.
        qint64 pid = 0;
        QString host;
        QString app;
        if (m_lock->getLockInfo(&pid, &host, &app)) {
            return Outcome::heldByRunningInstance;
        }
        m_failure = QCoreApplication::translate("SingleInstanceGuard",
                                                "%1 is not a lock file, but stands where the lock file goes")
                        .arg(lockPath);
        break;
    }
    case QLockFile::PermissionError:
        m_failure = QCoreApplication::translate(
                        "SingleInstanceGuard",
                        "the lock file %1 cannot be made: %2 may not be written (does another user own it?)")
                        .arg(lockPath, SupportFolder::path());
        break;
    case QLockFile::NoError:
    case QLockFile::UnknownError:
        m_failure = QCoreApplication::translate("SingleInstanceGuard",
                                                "the lock file %1 cannot be written (is the disk full or read-only?)")
                        .arg(lockPath);
        break;
    }
    return Outcome::failed;
}
