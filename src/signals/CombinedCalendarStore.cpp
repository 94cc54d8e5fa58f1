#include "signals/CombinedCalendarStore.h"

#include <algorithm>

CombinedCalendarStore::CombinedCalendarStore(std::vector<std::unique_ptr<CalendarStore>> stores, QObject *parent)
    : CalendarStore(parent)
{
    for (std::size_t index = 0; index < stores.size(); ++index) {
        CalendarStore *store = stores[index].get();
        connect(store, &CalendarStore::accessResolved, this,
                [this, index](bool granted) { onAccessResolved(index, granted); });
        connect(store, &CalendarStore::changed, this, [this, index] {
            if (m_resolved && m_members[index].granted) {
                Q_EMIT changed();
            }
        });
        Member member;
        member.store = std::move(stores[index]);
        m_members.push_back(std::move(member));
    }
}

CombinedCalendarStore::~CombinedCalendarStore()
{
    // Releasing a member (the calendar server's client library) may run the event loop, where
    // another member's change would otherwise reach observers that are being destroyed themselves.
    blockSignals(true);
    for (Member &member : m_members) {
        disconnect(member.store.get(), nullptr, this, nullptr);
        member.store->blockSignals(true);
    }
    m_members.clear();
}

void CombinedCalendarStore::requestAccess()
{
    if (m_requested) {
        return;
    }
    m_requested = true;
    if (m_members.empty()) {
        QMetaObject::invokeMethod(
            this, [this] { onAccessResolved(0, false); }, Qt::QueuedConnection);
        return;
    }
    for (Member &member : m_members) {
        member.store->requestAccess();
    }
}

void CombinedCalendarStore::onAccessResolved(std::size_t index, bool granted)
{
    if (index < m_members.size()) {
        Member &member = m_members[index];
        if (member.answered) {
            return;
        }
        member.answered = true;
        member.granted = granted;
    }
    if (m_resolved) {
        if (granted) {
            Q_EMIT changed(); // a store that answered late brings its calendars
        }
        return;
    }
    const bool allAnswered =
        std::all_of(m_members.begin(), m_members.end(), [](const Member &m) { return m.answered; });
    if (granted || allAnswered) {
        m_resolved = true;
        Q_EMIT accessResolved(granted);
    }
}

QList<CalendarInfo> CombinedCalendarStore::calendars()
{
    QList<CalendarInfo> result;
    m_owners.clear();
    m_listed = true;
    for (std::size_t index = 0; index < m_members.size(); ++index) {
        Member &member = m_members[index];
        member.own.clear();
        member.shadowed = false;
        if (!member.granted) {
            continue;
        }
        for (const CalendarInfo &calendar : member.store->calendars()) {
            if (m_owners.contains(calendar.id)) {
                member.shadowed = true;
                continue;
            }
            m_owners.insert(calendar.id, index);
            member.own.append(calendar.id);
            result.append(calendar);
        }
    }
    return result;
}

QList<CalendarEvent> CombinedCalendarStore::events(const CalendarEventQuery &query)
{
    if (!m_listed) {
        calendars(); // learn who serves what
    }
    QList<CalendarEvent> result;
    for (std::size_t index = 0; index < m_members.size(); ++index) {
        const Member &member = m_members[index];
        if (!member.granted) {
            continue;
        }
        CalendarEventQuery part = query;
        if (!query.calendarIds) {
            // All of this store's calendars, less those an earlier store serves.
            if (member.shadowed) {
                part.calendarIds = member.own;
            }
        } else {
            QStringList own;
            for (const QString &id : *query.calendarIds) {
                if (const auto owner = m_owners.constFind(id); owner != m_owners.constEnd() && *owner == index) {
                    own.append(id);
                }
            }
            part.calendarIds = own;
        }
        if (part.calendarIds && part.calendarIds->isEmpty()) {
            continue;
        }
        result.append(member.store->events(part));
    }
    return result;
}

QStringList CombinedCalendarStore::knownUserAddresses()
{
    QStringList result;
    for (const Member &member : m_members) {
        if (!member.granted) {
            continue;
        }
        for (const QString &address : member.store->knownUserAddresses()) {
            if (!result.contains(address, Qt::CaseInsensitive)) {
                result.append(address);
            }
        }
    }
    return result;
}
