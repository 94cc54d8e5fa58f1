#include "platform/linux/trigger/UnixTriggerListener.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int listenBacklog = 8;
// After an accept failure other than "nothing pending" (out of descriptors, say), which would
// repeat at once if retried.
constexpr int acceptRetryDelayMs = 100;
constexpr std::size_t discardBufferSize = std::size_t{16} * 1024;

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1)
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// Absent when the path cannot be a socket address. The terminating NUL must fit: Linux would take
// a full sun_path without one, but clients build their address as a string.
std::optional<sockaddr_un> socketAddress(const QByteArray &encodedPath)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (encodedPath.isEmpty() || encodedPath.contains('\0') ||
        encodedPath.size() >= static_cast<qsizetype>(sizeof address.sun_path)) {
        return std::nullopt;
    }
    std::memcpy(address.sun_path, encodedPath.constData(), static_cast<std::size_t>(encodedPath.size()));
    return address;
}

const sockaddr *asGeneric(const sockaddr_un &address)
{
    return reinterpret_cast<const sockaddr *>(&address);
}

// The folder is made 0700 in one step, so it is never open to other users.
bool ensurePrivateFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    if (!QDir().mkpath(QFileInfo(folder).absolutePath())) {
        return false;
    }
    return ::mkdir(QFile::encodeName(folder).constData(), S_IRWXU) == 0 || QFileInfo(folder).isDir();
}

// Removes what is at the address unless it may be a live endpoint. True when the path is free.
bool clearStaleFile(const sockaddr_un &address)
{
    struct stat existing {};
    if (::lstat(address.sun_path, &existing) != 0) {
        return errno == ENOENT;
    }
    if (S_ISSOCK(existing.st_mode)) {
        // Only a refused connection proves nobody listens. A full backlog (EAGAIN) means a live
        // but busy endpoint; any other failure leaves it undecided, and undecided means hands off.
        const UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!probe) {
            return false;
        }
        if (::connect(probe.get(), asGeneric(address), sizeof address) == 0) {
            return false;
        }
        if (errno == ENOENT) {
            return true;
        }
        if (errno != ECONNREFUSED) {
            return false;
        }
    }
    return ::unlink(address.sun_path) == 0 || errno == ENOENT;
}

int timeoutMs(std::chrono::milliseconds duration)
{
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(duration.count(), 0, INT_MAX));
}

} // namespace

class UnixTriggerListener::Worker {
public:
    Worker(UnixTriggerListener &listener, Options options) : m_listener(listener), m_options(std::move(options)) {}

    void run()
    {
        ::pthread_setname_np(::pthread_self(), "kestrix-trigger");
        const bool listening = setUp();
        UnixTriggerListener *listener = &m_listener;
        QMetaObject::invokeMethod(
            listener, [listener, listening] { Q_EMIT listener->setUpFinished(listening); }, Qt::QueuedConnection);
        if (listening) {
            serve();
            removeSocketFile();
        }
    }

private:
    enum class Wait { ready, silence, stop };

    struct ConnectionInput {
        qsizetype size = 0;
        TriggerInputEnd end = TriggerInputEnd::complete;
        bool stopped = false;
    };

    bool stopping() const { return m_listener.m_stopping.load(std::memory_order_relaxed); }

    bool setUp()
    {
        m_path = QFile::encodeName(m_options.socketPath);
        const std::optional<sockaddr_un> address = socketAddress(m_path);
        if (!address || !ensurePrivateFolder(QFileInfo(m_options.socketPath).absolutePath()) ||
            !clearStaleFile(*address)) {
            return false;
        }
        m_socket.reset(bindOwnerOnly(m_path));
        if (!m_socket) {
            return false;
        }
        struct stat bound {};
        if (::stat(m_path.constData(), &bound) != 0) {
            return false;
        }
        m_boundFile = {bound.st_dev, bound.st_ino};
        if (::chmod(m_path.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(m_socket.get(), listenBacklog) != 0) {
            removeSocketFile();
            return false;
        }
        return true;
    }

    // Runs until the listener is destroyed. One connection at a time: the next is accepted only
    // after the current one has been read and closed.
    void serve()
    {
        std::vector<char> kept(static_cast<std::size_t>(std::max<qsizetype>(m_options.maxConnectionBytes, 0)));
        TriggerReports reports;
        while (!stopping()) {
            const UniqueFd client(::accept4(m_socket.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
            if (!client) {
                const int error = errno;
                if (error == EINTR || error == ECONNABORTED) {
                    continue;
                }
                const bool idle = error == EAGAIN || error == EWOULDBLOCK;
                if (waitReadable(idle ? m_socket.get() : -1, idle ? -1 : acceptRetryDelayMs) == Wait::stop) {
                    return;
                }
                continue;
            }
            const ConnectionInput input = readConnection(client.get(), kept);
            if (input.stopped) {
                return;
            }
            appendTriggerReports(QByteArrayView(kept.data(), input.size), input.end, reports);
            if (!reports.empty()) {
                m_listener.queueReports(reports);
            }
        }
    }

    // Reads a connection until its end, its silence or the end of its lifetime, keeping what fits
    // in `kept` and throwing the rest away as it comes, so an oversized connection costs no more
    // memory than a full one.
    ConnectionInput readConnection(int fd, std::vector<char> &kept)
    {
        using Clock = std::chrono::steady_clock;
        ConnectionInput input;
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): read() fills it
        std::array<char, discardBufferSize> discarded;
        const Clock::time_point deadline = Clock::now() + m_options.connectionLifetime;
        for (;;) {
            // Also between reads that succeed: a client may stream without ever pausing.
            if (Clock::now() >= deadline) {
                input.end = TriggerInputEnd::cut; // a line without its line feed may be only a start
                return input;
            }
            const bool keeping = input.size < static_cast<qsizetype>(kept.size());
            const ssize_t n = keeping ? ::read(fd, kept.data() + input.size, kept.size() - std::size_t(input.size))
                                      : ::read(fd, discarded.data(), discarded.size());
            if (n > 0) {
                if (keeping) {
                    input.size += n;
                } else {
                    input.end = TriggerInputEnd::cut;
                }
                continue;
            }
            if (n == 0) {
                return input;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                return input; // reset by the client: what arrived still counts
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            switch (waitReadable(fd, timeoutMs(std::min(m_options.readSilence, left)))) {
            case Wait::ready:
                break;
            case Wait::silence:
                if (m_options.readSilence < left) {
                    return input;
                }
                break; // the lifetime ran out: cut off at the top of the loop
            case Wait::stop:
                input.stopped = true;
                return input;
            }
        }
    }

    // Waits until `fd` is readable (or hung up), `timeout` passes (-1: never) or the listener stops.
    // A negative `fd` waits for the timeout or the stop only.
    Wait waitReadable(int fd, int timeout)
    {
        std::array<pollfd, 2> fds{{{m_listener.m_wakeFd, POLLIN, 0}, {fd, POLLIN, 0}}};
        for (;;) {
            if (stopping()) {
                return Wait::stop;
            }
            const int n = ::poll(fds.data(), fds.size(), timeout);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 || fds[0].revents != 0) {
                return Wait::stop; // poll itself failing would fail again: give up serving
            }
            return n == 0 ? Wait::silence : Wait::ready;
        }
    }

    // Only while the file is still the socket bound here: after this listener stopped listening, a
    // new Kestrix may have replaced it.
    void removeSocketFile()
    {
        struct stat current {};
        if (::lstat(m_path.constData(), &current) == 0 && current.st_dev == m_boundFile.first &&
            current.st_ino == m_boundFile.second) {
            ::unlink(m_path.constData());
        }
    }

    UnixTriggerListener &m_listener;
    const Options m_options;
    QByteArray m_path;
    UniqueFd m_socket; // closed after the file is removed, so no other instance can take it meanwhile
    std::pair<dev_t, ino_t> m_boundFile{};
};

UnixTriggerListener::UnixTriggerListener(QObject *parent) : TriggerListener(parent) {}

UnixTriggerListener::~UnixTriggerListener()
{
    if (m_thread.joinable()) {
        m_stopping.store(true, std::memory_order_relaxed);
        const std::uint64_t wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &wake, sizeof wake);
        m_thread.join();
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
}

void UnixTriggerListener::start(const Options &options)
{
    if (m_wakeFd >= 0) {
        return;
    }
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    bool running = false;
    if (m_wakeFd >= 0) {
        try {
            m_thread = std::thread([this, options] { Worker(*this, options).run(); });
            running = true;
        } catch (const std::system_error &) {
        }
    }
    if (!running) {
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT setUpFinished(false); }, Qt::QueuedConnection);
    }
}

int UnixTriggerListener::bindOwnerOnly(const QByteArray &encodedPath)
{
    const std::optional<sockaddr_un> address = socketAddress(encodedPath);
    if (!address) {
        return -1;
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd || ::fchmod(fd.get(), S_IRUSR | S_IWUSR) != 0 ||
        ::bind(fd.get(), asGeneric(*address), sizeof *address) != 0) {
        return -1;
    }
    return fd.release();
}

void UnixTriggerListener::queueReports(TriggerReports &reports)
{
    bool wasEmpty = false;
    {
        const std::lock_guard lock(m_queueMutex);
        wasEmpty = m_queued.empty();
        m_queued.insert(m_queued.end(), std::make_move_iterator(reports.begin()),
                        std::make_move_iterator(reports.end()));
    }
    reports.clear();
    // One call carries everything queued until it runs.
    if (wasEmpty) {
        QMetaObject::invokeMethod(this, &UnixTriggerListener::deliverQueued, Qt::QueuedConnection);
    }
}

void UnixTriggerListener::deliverQueued()
{
    TriggerReports reports;
    {
        const std::lock_guard lock(m_queueMutex);
        reports.swap(m_queued);
    }
    // A receiver may destroy this listener: nothing of it is touched after the emission.
    Q_EMIT reportsReceived(reports);
}
