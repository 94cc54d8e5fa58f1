#include "ResourceSampler.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <mutex>
#include <unordered_set>

// Qt's hook table for debugging tools: slot 3 is called with every QObject made, slot 4 with
// every QObject destroyed (QtCore exports it for exactly this use).
extern Q_DECL_IMPORT quintptr qtHookData[];

namespace ResourceSampler {

namespace {

constexpr int addObjectHook = 3;
constexpr int removeObjectHook = 4;

struct LiveObjects {
    std::mutex mutex;
    std::unordered_set<QObject *> all;
};

LiveObjects &liveObjects()
{
    static auto *objects = new LiveObjects; // never destroyed: hooks may fire during exit
    return *objects;
}

void objectAdded(QObject *object)
{
    LiveObjects &live = liveObjects();
    const std::lock_guard lock(live.mutex);
    live.all.insert(object);
}

void objectRemoved(QObject *object)
{
    LiveObjects &live = liveObjects();
    const std::lock_guard lock(live.mutex);
    live.all.erase(object);
}

QByteArray readProc(const char *path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sums the fields named in `keys` of a /proc "Name:   123 kB" file.
std::int64_t sumKiB(const QByteArray &text, std::initializer_list<const char *> keys)
{
    std::int64_t total = 0;
    for (const QByteArray &line : text.split('\n')) {
        for (const char *key : keys) {
            if (line.startsWith(key)) {
                total += line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
            }
        }
    }
    return total;
}

int entriesOf(const QString &folder)
{
    return static_cast<int>(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

// The daemon's statistics of one connection (dbus-daemon's Debug.Stats interface).
QVariantMap connectionStats(const QDBusConnection &bus)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Debug.Stats"), QStringLiteral("GetConnectionStats"));
    call << bus.baseService();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return qdbus_cast<QVariantMap>(reply.arguments().constFirst());
}

} // namespace

std::map<QString, int> objectsByClass()
{
    LiveObjects &live = liveObjects();
    const std::lock_guard lock(live.mutex);
    std::map<QString, int> classes;
    for (QObject *object : live.all) {
        // Objects of other threads are read without their thread's lock: only their class and
        // parent, which Qt's own objects set when they are made.
        QString key = QString::fromLatin1(object->metaObject()->className());
        const QObject *parent = object->parent();
        for (int depth = 0; parent && depth < 2; ++depth, parent = parent->parent()) {
            key += QStringLiteral(" < ") + QString::fromLatin1(parent->metaObject()->className());
        }
        if (QThread *thread = object->thread(); thread != QCoreApplication::instance()->thread()) {
            key +=
                QStringLiteral(" in ") +
                (thread && !thread->objectName().isEmpty() ? thread->objectName() : QStringLiteral("another thread"));
        }
        ++classes[key];
    }
    return classes;
}

void installObjectCounter()
{
    qtHookData[addObjectHook] = reinterpret_cast<quintptr>(&objectAdded);
    qtHookData[removeObjectHook] = reinterpret_cast<quintptr>(&objectRemoved);
}

ResourceSample sample(const std::vector<QDBusConnection> &buses)
{
    ResourceSample s;
    const QByteArray rollup = readProc("/proc/self/smaps_rollup");
    s.rssKiB = sumKiB(rollup, {"Rss:"});
    // Dirty pages only: clean private pages are file-backed and come and go as the kernel reclaims them.
    s.privateKiB = sumKiB(rollup, {"Private_Dirty:"});
    s.fds = entriesOf(QStringLiteral("/proc/self/fd"));
    s.threads = entriesOf(QStringLiteral("/proc/self/task"));
    {
        LiveObjects &live = liveObjects();
        const std::lock_guard lock(live.mutex);
        // Objects of the main thread are destroyed on it, so they are whole while it looks.
        QThread *const mainThread = QCoreApplication::instance()->thread();
        const QLatin1String httpThread(httpThreadName);
        for (QObject *object : live.all) {
            if (QThread *thread = object->thread(); thread != mainThread) {
                ++(thread && thread->objectName() == httpThread ? s.httpObjects : s.objects);
                continue;
            }
            ++s.objects;
            if (const auto *timer = qobject_cast<QTimer *>(object); timer && timer->isActive()) {
                ++s.timers;
            }
        }
    }
    for (const QDBusConnection &bus : buses) {
        if (!bus.isConnected()) {
            continue;
        }
        ++s.dbusConnections;
        const QVariantMap stats = connectionStats(bus);
        s.dbusMatchRules += stats.isEmpty() ? 0 : stats.value(QStringLiteral("MatchRules")).toInt();
    }
    return s;
}

} // namespace ResourceSampler
