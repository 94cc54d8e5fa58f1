#pragma once

#include "platform/linux/calendar/CalendarFolders.h"
#include "platform/linux/calendar/ICalendarFile.h"
#include "signals/CalendarStore.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>

// The user's calendars as files, read with libical (ICalendarFile): the collections (by default
// the support folder's "Calendars") and the desktop's local calendars (by default
// $XDG_DATA_HOME/evolution/calendar, one folder per source), found as CalendarFolders::discover
// describes. A collection's calendar's id is the canonical path of its folder or file, so it stays
// the same across restarts for as long as the calendar is not moved. A desktop calendar's id is its
// source UID: the desktop's calendar server gives the same calendar the same id.
//
// Access is granted when every root is either missing (no calendar there yet) or a folder this
// user can list; a root that exists but cannot be listed means calendars are kept from us, and
// access is refused.
//
// Changes are followed with file notifications on the roots, the collections, the calendar
// folders and the single calendar files; a root that does not exist yet is followed through its
// closest existing parent up to two levels up. Edits of a file in place inside a calendar folder
// raise no notification (only entries added, removed or renamed do), but the next read sees them.
// Parsed files are kept until their size, modification time or inode changes, so reading the same
// window again costs a directory listing and a stat per file. Main thread only.
class ICalendarStore : public CalendarStore {
    Q_OBJECT
public:
    using Root = CalendarFolders::Root;
    struct Options {
        QList<Root> roots;
        // Where the desktop's calendar sources and mail identities are described (.source files).
        QString desktopSources;
        // Notifications closer together than this are reported as one change.
        std::chrono::milliseconds changeDelay{250};
    };
    static Options defaultOptions();

    explicit ICalendarStore(QObject *parent = nullptr);
    explicit ICalendarStore(Options options, QObject *parent = nullptr);
    ~ICalendarStore() override;

    void requestAccess() override;
    QList<CalendarInfo> calendars() override;
    QList<CalendarEvent> events(const CalendarEventQuery &query) override;
    // The Address of the [Mail Identity] group of every desktop source file, read on each call.
    QStringList knownUserAddresses() override;

private:
    using Calendar = CalendarFolders::Calendar;
    struct FileStamp {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modified = 0; // nanoseconds
        friend bool operator==(const FileStamp &, const FileStamp &) = default;
    };
    struct CachedFile {
        FileStamp stamp;
        std::shared_ptr<const ICalendarFile> file;
    };

    void scan();
    std::shared_ptr<const ICalendarFile> load(const QString &path);
    void watch(const QStringList &paths);

    Options m_options;
    bool m_accessRequested = false;
    bool m_granted = false;
    bool m_scanned = false;
    QHash<QString, Calendar> m_calendars; // by id
    QHash<QString, CachedFile> m_files;   // by path
    QFileSystemWatcher m_watcher;
    QTimer m_changeTimer;
};
