#pragma once

#include "platform/linux/camera/V4L2CameraDevices.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <optional>

// A fake /dev, /proc, /sys and udev database in a temporary folder. Nodes are regular files, which
// inotify watches like device nodes; a process is a folder with a comm file and fd symlinks.
class FakeSystem {
public:
    QString root() const { return m_dir.path(); }
    bool isValid() const { return m_dir.isValid(); }

    V4L2CameraDevices::Roots roots() const
    {
        const std::string base = root().toStdString();
        return {base + "/dev", base + "/proc", base + "/sys", base + "/udev"};
    }

    QString node(const QString &name) const { return root() + QStringLiteral("/dev/") + name; }

    // A Video4Linux node with its sysfs entry (minor = its number) and, when given, udev's record
    // of its capabilities.
    bool addNode(const QString &name, int index, std::optional<QByteArray> udevCapabilities = std::nullopt,
                 bool createNode = true)
    {
        const QString sys = root() + QStringLiteral("/sys/class/video4linux/") + name;
        const QByteArray devNumber = "81:" + name.mid(5).toLatin1();
        if (!QDir().mkpath(sys) || !write(sys + QStringLiteral("/index"), QByteArray::number(index) + '\n') ||
            !write(sys + QStringLiteral("/dev"), devNumber + '\n')) {
            return false;
        }
        if (udevCapabilities && !write(root() + QStringLiteral("/udev/c") + QString::fromLatin1(devNumber),
                                       "I:123\nE:ID_V4L_CAPABILITIES=" + *udevCapabilities + "\nG:uaccess\n")) {
            return false;
        }
        return !createNode || write(node(name), {});
    }

    bool removeNode(const QString &name) { return QFile::remove(node(name)); }

    // Opens and closes the node, as a program trying it would.
    bool touchNode(const QString &name)
    {
        QFile file(node(name));
        return file.open(QIODevice::ReadOnly);
    }

    bool addProcess(qint64 pid, const QByteArray &comm)
    {
        const QString dir = processDir(pid);
        return QDir().mkpath(dir + QStringLiteral("/fd")) && write(dir + QStringLiteral("/comm"), comm + '\n');
    }

    bool holdOpen(qint64 pid, int fd, const QString &target)
    {
        return QFile::link(target, processDir(pid) + QStringLiteral("/fd/") + QString::number(fd));
    }

    bool release(qint64 pid, int fd)
    {
        return QFile::remove(processDir(pid) + QStringLiteral("/fd/") + QString::number(fd));
    }

private:
    QString processDir(qint64 pid) const { return root() + QStringLiteral("/proc/") + QString::number(pid); }

    static bool write(const QString &path, const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
    }

    QTemporaryDir m_dir;
};
