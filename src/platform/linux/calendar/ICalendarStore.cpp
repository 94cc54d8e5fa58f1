#include "platform/linux/calendar/ICalendarStore.h"

#include "util/SupportFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// Larger files are not calendars anyone keeps by hand; they are skipped rather than parsed.
constexpr qint64 maxFileSize = qint64{32} * 1024 * 1024;
} // namespace

ICalendarStore::Options ICalendarStore::defaultOptions()
{
    Options options;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    options.roots = {
        {SupportFolder::path() + QStringLiteral("/Calendars"), Root::Kind::Collection},
        {data + QStringLiteral("/evolution/calendar"), Root::Kind::DesktopLocal},
    };
    options.desktopSources = config + QStringLiteral("/evolution/sources");
    return options;
}

ICalendarStore::ICalendarStore(QObject *parent) : ICalendarStore(defaultOptions(), parent) {}

ICalendarStore::ICalendarStore(Options options, QObject *parent) : CalendarStore(parent), m_options(std::move(options))
{
    m_changeTimer.setSingleShot(true);
    m_changeTimer.setInterval(m_options.changeDelay);
    connect(&m_changeTimer, &QTimer::timeout, this, &CalendarStore::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_changeTimer, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_changeTimer, qOverload<>(&QTimer::start));
}

ICalendarStore::~ICalendarStore() = default;

void ICalendarStore::requestAccess()
{
    if (m_accessRequested) {
        return;
    }
    m_accessRequested = true;
    bool granted = true;
    for (const Root &root : std::as_const(m_options.roots)) {
        const QFileInfo info(root.path);
        if (!info.exists()) {
            continue;
        }
        if (!info.isDir() || ::access(QFile::encodeName(root.path).constData(), R_OK | X_OK) != 0) {
            qCWarning(lcCalendarFiles, "cannot read the calendars in %s", qUtf8Printable(root.path));
            granted = false;
        }
    }
    m_granted = granted;
    if (granted) {
        scan();
    }
    QMetaObject::invokeMethod(
        this, [this, granted] { Q_EMIT accessResolved(granted); }, Qt::QueuedConnection);
}

QList<CalendarInfo> ICalendarStore::calendars()
{
    if (!m_granted) {
        return {};
    }
    scan();
    QList<CalendarInfo> result;
    for (const Calendar &calendar : std::as_const(m_calendars)) {
        result.append(calendar.info);
    }
    return result;
}

QList<CalendarEvent> ICalendarStore::events(const CalendarEventQuery &query)
{
    if (!m_granted) {
        return {};
    }
    if (!m_scanned) {
        scan();
    }
    QList<const Calendar *> selected;
    if (query.calendarIds) {
        for (const QString &id : *query.calendarIds) {
            if (auto found = m_calendars.constFind(id); found != m_calendars.constEnd()) {
                selected.append(&*found);
            }
        }
    } else {
        for (const Calendar &calendar : std::as_const(m_calendars)) {
            selected.append(&calendar);
        }
    }

    QList<CalendarEvent> result;
    for (const Calendar *calendar : std::as_const(selected)) {
        QStringList paths;
        if (calendar->isFolder) {
            const QDir folder(calendar->path);
            for (const QString &name : folder.entryList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name)) {
                paths.append(folder.filePath(name));
            }
        } else {
            paths.append(calendar->path);
        }
        std::vector<std::shared_ptr<const ICalendarFile>> held;
        std::vector<const ICalendarFile *> files;
        for (const QString &path : std::as_const(paths)) {
            if (auto file = load(path)) {
                files.push_back(file.get());
                held.push_back(std::move(file));
            }
        }
        result.append(ICalendarFile::occurrences(files, query));
    }
    return result;
}

void ICalendarStore::scan()
{
    m_scanned = true;
    const auto found =
        CalendarFolders::discover(m_options.roots, m_options.desktopSources, [this](const QString &path) {
            const auto file = load(path);
            return file ? file->calendarName() : QString();
        });
    m_calendars.clear();
    for (const Calendar &calendar : found.calendars) {
        m_calendars.insert(calendar.info.id, calendar);
    }
    // Forget parsed files that are gone.
    for (auto it = m_files.begin(); it != m_files.end();) {
        it = QFileInfo::exists(it.key()) ? std::next(it) : m_files.erase(it);
    }
    watch(found.watched);
}

QStringList ICalendarStore::knownUserAddresses()
{
    return CalendarFolders::desktopUserAddresses(m_options.desktopSources);
}

std::shared_ptr<const ICalendarFile> ICalendarStore::load(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        m_files.remove(path);
        return nullptr;
    }
    const FileStamp stamp{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                          static_cast<std::int64_t>(status.st_size),
                          static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
    if (auto cached = m_files.constFind(path); cached != m_files.constEnd() && cached->stamp == stamp) {
        return cached->file;
    }
    if (stamp.size > maxFileSize) {
        qCWarning(lcCalendarFiles, "skipping %s: larger than %lld bytes", qUtf8Printable(path), maxFileSize);
        m_files.remove(path);
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_files.remove(path);
        return nullptr;
    }
    auto parsed = ICalendarFile::parse(file.readAll());
    if (!parsed->isValid()) {
        qCInfo(lcCalendarFiles, "skipping %s: not iCalendar", qUtf8Printable(path));
    }
    m_files.insert(path, {stamp, parsed});
    return parsed;
}

void ICalendarStore::watch(const QStringList &paths)
{
    const QSet<QString> wanted(paths.begin(), paths.end());
    QStringList stale;
    for (const QString &path : m_watcher.files() + m_watcher.directories()) {
        if (!wanted.contains(path)) {
            stale.append(path);
        }
    }
    if (!stale.isEmpty()) {
        m_watcher.removePaths(stale);
    }
    const QStringList present = m_watcher.files() + m_watcher.directories();
    QStringList added;
    for (const QString &path : wanted) {
        if (!present.contains(path)) {
            added.append(path);
        }
    }
    if (!added.isEmpty()) {
        m_watcher.addPaths(added);
    }
}
