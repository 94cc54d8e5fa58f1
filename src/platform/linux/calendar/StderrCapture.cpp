#include "platform/linux/calendar/StderrCapture.h"

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <mutex>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::mutex &captureMutex()
{
    static std::mutex mutex;
    return mutex;
}

constexpr bool sanitized()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

constexpr qsizetype maximumBytes = qsizetype{64} * 1024;

} // namespace

StderrCapture::StderrCapture()
{
    if (sanitized()) {
        return;
    }
    captureMutex().lock();
    m_locked = true;
    std::fflush(stderr);
    m_capture = ::memfd_create("kestrix-stderr", MFD_CLOEXEC);
    m_saved = m_capture < 0 ? -1 : ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (m_saved < 0 || ::dup2(m_capture, STDERR_FILENO) < 0) {
        // Nothing is redirected; the output goes where it always went.
        if (m_saved >= 0) {
            ::close(m_saved);
            m_saved = -1;
        }
    }
}

StderrCapture::~StderrCapture()
{
    finish();
}

QStringList StderrCapture::finish(int maximumLines)
{
    QStringList lines;
    if (m_saved >= 0) {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
        QByteArray text(maximumBytes, Qt::Uninitialized);
        const ssize_t got = ::pread(m_capture, text.data(), text.size(), 0);
        text.truncate(got > 0 ? got : 0);
        const QList<QByteArray> raw = text.split('\n');
        int skipped = 0;
        for (const QByteArray &line : raw) {
            const QByteArray trimmed = line.trimmed();
            if (trimmed.isEmpty()) {
                continue;
            }
            if (lines.size() < maximumLines) {
                lines << QString::fromUtf8(trimmed);
            } else {
                ++skipped;
            }
        }
        if (skipped > 0) {
            lines << QStringLiteral("(%1 more lines)").arg(skipped);
        }
    }
    if (m_capture >= 0) {
        ::close(m_capture);
        m_capture = -1;
    }
    if (m_locked) {
        m_locked = false;
        captureMutex().unlock();
    }
    return lines;
}
