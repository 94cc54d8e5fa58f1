#pragma once

#include "signals/CalendarStore.h"

#include <QHash>

#include <optional>

// A CalendarStore holding what the test puts in it. Access is answered at once with `access`, or,
// when that is empty, when the test calls resolveAccess(). Every query is recorded.
class FakeCalendarStore : public CalendarStore {
public:
    using CalendarStore::CalendarStore;

    void requestAccess() override
    {
        ++accessRequests;
        if (access) {
            resolveAccess(*access);
        }
    }
    void resolveAccess(bool granted)
    {
        m_granted = granted;
        Q_EMIT accessResolved(granted);
    }

    QList<CalendarInfo> calendars() override { return m_granted ? calendarList : QList<CalendarInfo>{}; }

    QList<CalendarEvent> events(const CalendarEventQuery &query) override
    {
        queries.append(query);
        QList<CalendarEvent> found;
        if (!m_granted) {
            return found;
        }
        for (const CalendarInfo &calendar : std::as_const(calendarList)) {
            if (!query.calendarIds || query.calendarIds->contains(calendar.id)) {
                found.append(eventsByCalendar.value(calendar.id));
            }
        }
        return found;
    }

    void notifyChanged() { Q_EMIT changed(); }

    QStringList knownUserAddresses() override { return knownAddresses; }

    std::optional<bool> access = true;
    QList<CalendarInfo> calendarList;
    QHash<QString, QList<CalendarEvent>> eventsByCalendar;
    QStringList knownAddresses;
    QList<CalendarEventQuery> queries;
    int accessRequests = 0;

private:
    bool m_granted = false;
};
