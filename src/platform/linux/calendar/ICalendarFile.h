#pragma once

#include "signals/CalendarStore.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <memory>
#include <vector>

// The calendar files' category, "kestrix.signals.calendar" (with libical's complaints); off unless
// enabled through QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcCalendarFiles)

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
