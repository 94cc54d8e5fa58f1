#pragma once

#include "signals/CalendarStore.h"

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QHash>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

// One iCalendar text as the store keeps it: the calendar's name and, of each event, only what
// decides when it takes place (start, end or duration, recurrence, exceptions, overrides of single
// occurrences, cancellation) and which attendees declined. Titles, places and descriptions are
// never read.
//
// Parsing never fails as a whole: an event that cannot be read is left out, and text that is not
// iCalendar at all makes an invalid file with no events.
class ICalendarFile {
public:
    static std::shared_ptr<const ICalendarFile> parse(const QByteArray &text);
    ~ICalendarFile();

    bool isValid() const;
    // X-WR-CALNAME; empty when absent.
    QString calendarName() const;

    // The timed occurrences of the events of one calendar's files that overlap the query's window,
    // for the query's user. The files are taken together, as an event's overridden occurrences
    // may be stored in another file than the event. Events on whole days (DATE values) are left
    // out: they are no meetings.
    //
    // Times: a TZID is an IANA name, a Windows name, or an IANA name behind a prefix; failing
    // that, the file's own VTIMEZONE of that name; failing that, the time is floating. Floating
    // times are in the zone the calendar names in X-WR-TIMEZONE (resolved as a TZID is), else
    // local times. Rules repeating more often than daily are not expanded: only their
    // first occurrence and RDATEs count (no meeting repeats hourly, and libical takes seconds to
    // find that some such rules never match).
    static QList<CalendarEvent> occurrences(const std::vector<const ICalendarFile *> &files,
                                            const CalendarEventQuery &query);

private:
    ICalendarFile();
    struct Data;
    std::unique_ptr<Data> d;
};

// The user's calendars as files, read with libical:
// - In each collection root (by default the support folder's "Calendars"), every folder of .ics
//   files, one event per file (a "vdir", as calendar synchronisation tools write them; its title
//   is in a "displayname" file, else the folder's name), and every .ics file (its title is its
//   X-WR-CALNAME, else its name without the extension). A folder holding neither .ics files nor a
//   displayname file is a collection itself, looked into up to three levels deep. Symbolic links
//   are followed; a calendar reached twice counts once.
// - In each local desktop root (by default $XDG_DATA_HOME/evolution/calendar, where the desktop
//   keeps its local calendars, one folder per source), each folder's calendar.ics, titled with the
//   DisplayName of the folder's source file (<desktopSources>/<source UID>.source, the UID being
//   the folder's name, or "system-calendar" for the personal calendar's folder "system"), else
//   its X-WR-CALNAME, else the folder's name. A source switched off (Enabled=false) is left out,
//   and so is a folder without a source file while the sources folder exists (the desktop keeps
//   the folder of a calendar the user removed).
//
// A collection's calendar's id is the canonical path of its folder or file, so it stays the same
// across restarts for as long as the calendar is not moved. A desktop calendar's id is its source
// UID: the desktop's calendar server gives the same calendar the same id.
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
    struct Root {
        enum class Kind { Collection, DesktopLocal };
        QString path;
        Kind kind = Kind::Collection;
    };
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
    struct Calendar {
        CalendarInfo info;
        QString path; // the folder, or the single file
        bool isFolder = false;
    };
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
    void scanCollection(const QString &folder, int depth, QStringList &watched);
    void scanDesktopLocal(const QString &root, QStringList &watched);
    void addCalendar(Calendar calendar);
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
