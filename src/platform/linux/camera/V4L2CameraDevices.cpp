#include "platform/linux/camera/V4L2CameraDevices.h"

#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Off unless enabled through QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcCamera, "kestrix.signals.camera", QtCriticalMsg)

constexpr std::uint32_t nodeEvents = IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE;
constexpr std::uint32_t devEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

// The kernel keeps 15 characters of a process name, so the long one arrives cut.
constexpr std::array<std::string_view, 3> idleDaemons = {"pipewire", "wireplumber", "pipewire-media-session"};
constexpr std::size_t commLength = 15;

bool isVideoName(std::string_view name)
{
    return name.starts_with("video") && name.size() > 5 &&
           std::all_of(name.begin() + 5, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isPid(const char *name)
{
    if (!*name) {
        return false;
    }
    for (; *name; ++name) {
        if (*name < '0' || *name > '9') {
            return false;
        }
    }
    return true;
}

// A small text file (sysfs attribute, udev record) without its trailing newline; absent when it
// cannot be read.
std::optional<std::string> readSmallFile(const std::string &path, int dirFd = AT_FDCWD)
{
    const int fd = ::openat(dirFd, path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string text;
    std::array<char, 4096> buffer{};
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

bool exists(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}
} // namespace

V4L2CameraDevices::Roots V4L2CameraDevices::systemRoots()
{
    return Roots{"/dev", "/proc", "/sys", "/run/udev/data"};
}

V4L2CameraDevices::V4L2CameraDevices() : V4L2CameraDevices(systemRoots()) {}

V4L2CameraDevices::V4L2CameraDevices(Roots roots) : m_roots(std::move(roots)), m_ownPid(::getpid())
{
    setUpWatching();
}

V4L2CameraDevices::~V4L2CameraDevices()
{
    if (m_inotify >= 0) {
        ::close(m_inotify);
    }
}

void V4L2CameraDevices::setUpWatching()
{
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0) {
        qCWarning(lcCamera) << "inotify unavailable, cameras are rescanned every time:" << std::strerror(errno);
        return;
    }
    m_devWatch = ::inotify_add_watch(m_inotify, m_roots.dev.c_str(), devEvents);
    if (m_devWatch < 0) {
        qCWarning(lcCamera) << "cannot watch" << m_roots.dev.c_str() << "for cameras:" << std::strerror(errno);
    }
}

std::vector<CameraDevice> V4L2CameraDevices::cameras()
{
    drainEvents();
    if (m_listStale) {
        enumerate();
    }
    const bool blind = std::any_of(m_nodes.begin(), m_nodes.end(), [](const Node &n) { return n.watch < 0; });
    if (m_usageStale || blind) {
        scanUsage();
    }
    return m_answer;
}

void V4L2CameraDevices::drainEvents()
{
    if (m_inotify < 0 || m_devWatch < 0) {
        m_listStale = true;
        m_usageStale = true;
        if (m_inotify < 0) {
            return;
        }
    }
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): read() fills it
    alignas(inotify_event) std::array<char, 16 * (sizeof(inotify_event) + NAME_MAX + 1)> buffer;
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return; // EAGAIN: nothing (more) happened
        }
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer.data() + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                m_listStale = true;
                m_usageStale = true;
            } else if (event->wd == m_devWatch) {
                if (event->len > 0 && isVideoName(event->name)) {
                    m_listStale = true;
                }
            } else if (event->mask & IN_IGNORED) {
                // The node's inode is gone; its removal from /dev is reported on its own.
                for (Node &node : m_nodes) {
                    if (node.watch == event->wd) {
                        node.watch = -1;
                    }
                }
            } else if (event->mask & nodeEvents) {
                m_usageStale = true;
            }
        }
    }
}

void V4L2CameraDevices::enumerate()
{
    m_listStale = false;
    m_usageStale = true;
    std::vector<Node> found;
    const std::string classDir = m_roots.sys + "/class/video4linux";
    if (DIR *dir = ::opendir(classDir.c_str())) {
        while (const dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (!isVideoName(name)) {
                continue;
            }
            Node node{name, m_roots.dev + '/' + name};
            if (exists(node.path) && isCapture(name)) {
                found.push_back(std::move(node));
            }
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end(), [](const Node &a, const Node &b) {
        return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
    });

    // Watching an inode twice gives back its watch, so cameras that stay keep theirs.
    for (Node &node : found) {
        if (m_inotify >= 0) {
            node.watch = ::inotify_add_watch(m_inotify, node.path.c_str(), nodeEvents);
            if (node.watch < 0) {
                qCInfo(lcCamera) << "cannot watch" << node.path.c_str()
                                 << "- rescanning it every time:" << std::strerror(errno);
            }
        }
    }
    for (const Node &old : m_nodes) {
        const bool kept = std::any_of(found.begin(), found.end(), [&](const Node &n) { return n.watch == old.watch; });
        if (old.watch >= 0 && !kept) {
            ::inotify_rm_watch(m_inotify, old.watch);
        }
    }
    m_nodes = std::move(found);
}

bool V4L2CameraDevices::isCapture(const std::string &name) const
{
    const std::string attributes = m_roots.sys + "/class/video4linux/" + name;
    if (const auto devNumber = readSmallFile(attributes + "/dev")) {
        if (const auto record = readSmallFile(m_roots.udevData + "/c" + *devNumber)) {
            constexpr std::string_view key = "E:ID_V4L_CAPABILITIES=";
            const auto at = record->find(key);
            if (at != std::string::npos) {
                const auto end = record->find('\n', at);
                const std::string_view caps = std::string_view(*record).substr(at + key.size(), end - at - key.size());
                return caps.find(":capture:") != std::string_view::npos;
            }
        }
    }
    // Kernels before 3.x have no index attribute; their nodes are one per device.
    const auto index = readSmallFile(attributes + "/index");
    return !index || *index == "0";
}

bool V4L2CameraDevices::isIdleDaemon(int procFd, const char *pid) const
{
    const auto comm = readSmallFile(std::string(pid) + "/comm", procFd);
    if (!comm) {
        return false;
    }
    return std::any_of(idleDaemons.begin(), idleDaemons.end(),
                       [&](std::string_view daemon) { return *comm == daemon.substr(0, commLength); });
}

void V4L2CameraDevices::scanUsage()
{
    m_usageStale = false;
    for (Node &node : m_nodes) {
        node.inUse = false;
    }
    if (!m_nodes.empty()) {
        const int procFd = ::open(m_roots.proc.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR *proc = procFd >= 0 ? ::fdopendir(::dup(procFd)) : nullptr;
        const std::string ownPid = std::to_string(m_ownPid);
        std::size_t inUse = 0;
        std::array<char, PATH_MAX> target{};
        while (proc && inUse < m_nodes.size()) {
            const dirent *entry = ::readdir(proc);
            if (!entry) {
                break;
            }
            if (!isPid(entry->d_name) || entry->d_name == ownPid) {
                continue;
            }
            // Vanished processes and those of other users cannot be opened; they are skipped.
            const int fdDirFd =
                ::openat(procFd, (std::string(entry->d_name) + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            DIR *fds = fdDirFd >= 0 ? ::fdopendir(fdDirFd) : nullptr;
            if (!fds) {
                if (fdDirFd >= 0) {
                    ::close(fdDirFd);
                }
                continue;
            }
            std::optional<bool> daemon; // read once, and only for a process that holds a node
            while (const dirent *fd = ::readdir(fds)) {
                // readlink, never open: opening the node would report an open of our own.
                const ssize_t n = ::readlinkat(::dirfd(fds), fd->d_name, target.data(), target.size());
                if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) {
                    continue;
                }
                const std::string_view link(target.data(), static_cast<std::size_t>(n));
                for (Node &node : m_nodes) {
                    if (node.inUse || link != node.path) {
                        continue;
                    }
                    if (!daemon) {
                        daemon = isIdleDaemon(procFd, entry->d_name);
                    }
                    if (!*daemon) {
                        node.inUse = true;
                        ++inUse;
                    }
                }
                if (daemon == true) {
                    break;
                }
            }
            ::closedir(fds);
        }
        if (proc) {
            ::closedir(proc);
        }
        if (procFd >= 0) {
            ::close(procFd);
        }
    }
    m_answer.clear();
    for (const Node &node : m_nodes) {
        m_answer.push_back(CameraDevice{QString::fromStdString(node.path), node.inUse});
    }
}
