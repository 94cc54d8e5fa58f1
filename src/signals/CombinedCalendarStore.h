#pragma once

#include "signals/CalendarStore.h"

#include <QHash>

#include <memory>
#include <vector>

// Several calendar stores seen as one, such as calendar files and the desktop's calendar server.
//
// Access is granted as soon as one store grants it and refused once every store refused it; a
// store granting later adds its calendars with a change. Calendars are the union of the granted
// stores' calendars; where two stores list the same id (the same calendar reached two ways), the
// earlier store in the list serves it and the later one's copy is left out, so a calendar is
// listed, read and excluded once. A query is split by the ids each store served when the calendars
// were last listed (the watcher lists them again on every change).
class CombinedCalendarStore : public CalendarStore {
    Q_OBJECT
public:
    // Earlier stores win where ids meet.
    explicit CombinedCalendarStore(std::vector<std::unique_ptr<CalendarStore>> stores, QObject *parent = nullptr);
    ~CombinedCalendarStore() override;

    void requestAccess() override;
    QList<CalendarInfo> calendars() override;
    QList<CalendarEvent> events(const CalendarEventQuery &query) override;
    QStringList knownUserAddresses() override;

private:
    struct Member {
        std::unique_ptr<CalendarStore> store;
        bool answered = false;
        bool granted = false;
        // As last listed: the ids this store serves, and whether an earlier store serves some of its.
        QStringList own;
        bool shadowed = false;
    };
    void onAccessResolved(std::size_t index, bool granted);

    std::vector<Member> m_members;
    QHash<QString, std::size_t> m_owners; // calendar id -> member index, as last listed
    bool m_listed = false;
    bool m_requested = false;
    bool m_resolved = false;
};
