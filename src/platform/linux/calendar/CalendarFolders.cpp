#include "platform/linux/calendar/CalendarFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace CalendarFolders {
namespace {

constexpr int maxCollectionDepth = 3;

// One value of a desktop source file, a key file of "[Group]" lines and "Key=value" lines; empty
// when missing. Localised variants ("Key[de]=") are not the key. Files past 64 KiB are no source
// files and are not read.
QString keyFileValue(const QString &path, const char *group, const char *key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > qint64{64} * 1024) {
        return {};
    }
    const QString header = QLatin1Char('[') + QLatin1String(group) + QLatin1Char(']');
    const QString prefix = QLatin1String(key) + QLatin1Char('=');
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == header;
        } else if (inGroup && line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed();
        }
    }
    return {};
}
class Discovery {
public:
    Discovery(const QString &desktopSources, const std::function<QString(const QString &)> &calendarName)
        : m_desktopSources(desktopSources), m_calendarName(calendarName)
    {}

    void scanCollection(const QString &folder, int depth)
    {
        const QDir dir(folder);
        m_found.watched.append(dir.absolutePath());
        const auto entries =
            dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Readable, QDir::Name);
        for (const QFileInfo &entry : entries) {
            const QString canonical = entry.canonicalFilePath();
            if (canonical.isEmpty()) {
                continue; // a dangling link
            }
            if (entry.isFile()) {
                if (entry.suffix().compare(QStringLiteral("ics"), Qt::CaseInsensitive) != 0) {
                    continue;
                }
                m_found.watched.append(canonical);
                const QString name = m_calendarName(canonical);
                add({{canonical, name.isEmpty() ? entry.completeBaseName() : name}, canonical, false});
                continue;
            }
            const QDir sub(canonical);
            const bool isCalendarFolder = sub.exists(QStringLiteral("displayname")) ||
                                          !sub.entryList({QStringLiteral("*.ics")}, QDir::Files).isEmpty();
            if (isCalendarFolder) {
                m_found.watched.append(canonical);
                QString title;
                QFile nameFile(sub.filePath(QStringLiteral("displayname")));
                if (nameFile.open(QIODevice::ReadOnly)) {
                    title = QString::fromUtf8(nameFile.read(1024)).section(QLatin1Char('\n'), 0, 0).trimmed();
                }
                add({{canonical, title.isEmpty() ? entry.fileName() : title}, canonical, true});
            } else if (depth + 1 < maxCollectionDepth) {
                scanCollection(canonical, depth + 1);
            }
        }
    }

    void scanDesktopLocal(const QString &root)
    {
        const bool haveSources = !m_desktopSources.isEmpty() && QFileInfo(m_desktopSources).isDir();
        const QDir dir(root);
        m_found.watched.append(dir.absolutePath());
        for (const QFileInfo &entry : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            m_found.watched.append(entry.absoluteFilePath());
            const QFileInfo calendarFile(QDir(entry.absoluteFilePath()).filePath(QStringLiteral("calendar.ics")));
            const QString canonical = calendarFile.canonicalFilePath();
            if (canonical.isEmpty() || !calendarFile.isFile()) {
                continue;
            }
            m_found.watched.append(canonical);
            // The personal calendar's folder is "system", its source "system-calendar".
            const QString sourceId =
                entry.fileName() == QStringLiteral("system") ? QStringLiteral("system-calendar") : entry.fileName();
            const QString sourceFile = m_desktopSources.isEmpty()
                                           ? QString()
                                           : QDir(m_desktopSources).filePath(sourceId + QStringLiteral(".source"));
            if (haveSources && sourceId != QStringLiteral("system-calendar") && !QFileInfo::exists(sourceFile)) {
                continue; // left behind by a calendar removed on the desktop, which keeps its folder
            }
            if (!sourceFile.isEmpty() && keyFileValue(sourceFile, "Data Source", "Enabled")
                                                 .compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0) {
                continue; // switched off on the desktop
            }
            QString title = sourceFile.isEmpty() ? QString() : keyFileValue(sourceFile, "Data Source", "DisplayName");
            if (title.isEmpty() && sourceId == QStringLiteral("system-calendar")) {
                title = QStringLiteral("Personal"); // the desktop writes the file out only once it was changed
            }
            if (title.isEmpty()) {
                title = m_calendarName(canonical);
            }
            add({{sourceId, title.isEmpty() ? entry.fileName() : title}, canonical, false});
        }
    }

    // Follows the closest existing parent of a root that does not exist, so that the root
    // appearing is noticed.
    void watchParentOf(const QString &missing)
    {
        QDir parent = QFileInfo(missing).absoluteDir();
        if (!parent.exists()) {
            parent.setPath(QFileInfo(parent.absolutePath()).absolutePath());
        }
        if (parent.exists()) {
            m_found.watched.append(parent.absolutePath());
        }
    }

    Found take() { return std::move(m_found); }

private:
    void add(Calendar calendar)
    {
        if (!m_ids.contains(calendar.info.id)) {
            m_ids.insert(calendar.info.id);
            m_found.calendars.append(std::move(calendar));
        }
    }

    const QString &m_desktopSources;
    const std::function<QString(const QString &)> &m_calendarName;
    Found m_found;
    QSet<QString> m_ids;
};

} // namespace

Found discover(const QList<Root> &roots, const QString &desktopSources,
               const std::function<QString(const QString &path)> &calendarName)
{
    Discovery discovery(desktopSources, calendarName);
    for (const Root &root : roots) {
        if (!QFileInfo::exists(root.path)) {
            discovery.watchParentOf(root.path);
        } else if (root.kind == Root::Kind::Collection) {
            discovery.scanCollection(root.path, 0);
        } else {
            discovery.scanDesktopLocal(root.path);
        }
    }
    Found found = discovery.take();
    // A calendar renamed on the desktop, or a new one, rewrites its source file.
    if (!desktopSources.isEmpty() && QFileInfo(desktopSources).isDir() &&
        std::any_of(roots.cbegin(), roots.cend(),
                    [](const Root &root) { return root.kind == Root::Kind::DesktopLocal; })) {
        found.watched.append(QDir(desktopSources).absolutePath());
    }
    return found;
}

QStringList desktopUserAddresses(const QString &desktopSources)
{
    QStringList addresses;
    if (desktopSources.isEmpty()) {
        return addresses;
    }
    const QDir sources(desktopSources);
    for (const QString &name : sources.entryList({QStringLiteral("*.source")}, QDir::Files, QDir::Name)) {
        const QString address = keyFileValue(sources.filePath(name), "Mail Identity", "Address");
        if (!address.isEmpty() && !addresses.contains(address, Qt::CaseInsensitive)) {
            addresses.append(address);
        }
    }
    return addresses;
}

} // namespace CalendarFolders
