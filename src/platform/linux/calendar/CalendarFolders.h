#pragma once

#include "signals/CalendarStore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Where the calendar files are: discovery of the calendars under the roots, read afresh on each
// call. Main thread only (it reads the file system).
namespace CalendarFolders {

struct Root {
    enum class Kind { Collection, DesktopLocal };
    QString path;
    Kind kind = Kind::Collection;
};

struct Calendar {
    CalendarInfo info;
    QString path; // the folder, or the single file
    bool isFolder = false;
};

struct Found {
    QList<Calendar> calendars; // each id once, the first found kept
    QStringList watched;       // what to follow for changes
};

// The calendars under the roots:
// - In each collection root, every folder of .ics files, one event per file (a "vdir", as calendar
//   synchronisation tools write them; its title is in a "displayname" file, else the folder's
//   name), and every .ics file (its title is its X-WR-CALNAME, else its name without the
//   extension). A folder holding neither .ics files nor a displayname file is a collection itself,
//   looked into up to three levels deep. Symbolic links are followed; a calendar reached twice
//   counts once. Its id is the canonical path of its folder or file.
// - In each local desktop root, each folder's calendar.ics, titled with the DisplayName of the
//   folder's source file (<desktopSources>/<source UID>.source, the UID being the folder's name, or
//   "system-calendar" for the personal calendar's folder "system"), else its X-WR-CALNAME, else the
//   folder's name. A source switched off (Enabled=false) is left out, and so is a folder without a
//   source file while the sources folder exists (the desktop keeps the folder of a calendar the
//   user removed). Its id is the source UID.
//
// `calendarName` gives a calendar file's X-WR-CALNAME (empty when none). The watched paths are the
// roots, the collections, the calendar folders and single files, the sources folder, and for a
// root that does not exist yet its closest existing parent up to two levels up.
Found discover(const QList<Root> &roots, const QString &desktopSources,
               const std::function<QString(const QString &path)> &calendarName);

// The Address of the [Mail Identity] group of every desktop source file, each address once.
QStringList desktopUserAddresses(const QString &desktopSources);

} // namespace CalendarFolders
