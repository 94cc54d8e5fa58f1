#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// A calendar the user can include or exclude. The id stays the same across restarts for as long
// as the calendar does.
struct CalendarInfo {
    QString id;
    QString title;

    friend bool operator==(const CalendarInfo &, const CalendarInfo &) = default;
};

// One occurrence of an event: a recurring event gives one per occurrence. Nothing else about the
// event (title, place, notes, other people) ever leaves the store.
struct CalendarEvent {
    QDateTime start;
    QDateTime end;
    bool isAllDay = false;
    // The current user is an attendee and declined.
    bool isDeclined = false;
};

struct CalendarEventQuery {
    // Occurrences that overlap [from, to], ends included: start <= to and end >= from.
    QDateTime from;
    QDateTime to;
    // The calendars to read; absent reads all of them, and an empty list reads none.
    std::optional<QStringList> calendarIds;
    // The current user's addresses, compared without regard to case against attendees' addresses.
    QStringList userAddresses;
};

// The user's calendars. Answers on the main thread, synchronously except for access.
class CalendarStore : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Asks for access to the calendars; accessResolved follows, from the event loop or at once.
    // Called once. Until access is granted the store lists no calendar and no event.
    virtual void requestAccess() = 0;

    // The calendars there are now, in no particular order.
    virtual QList<CalendarInfo> calendars() = 0;

    virtual QList<CalendarEvent> events(const CalendarEventQuery &query) = 0;

    // Addresses the calendar system knows as the current user's (mail identities, accounts),
    // beyond those the query names. Asked after access was granted and after each change.
    virtual QStringList knownUserAddresses() { return {}; }

Q_SIGNALS:
    void accessResolved(bool granted);
    // Calendars or their events may have changed. Sent only after access was granted; bursts of
    // changes arrive as one.
    void changed();
};
