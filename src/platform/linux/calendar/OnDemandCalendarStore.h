#pragma once

#include "signals/CalendarStore.h"

#include <QDBusConnection>

#include <functional>
#include <memory>

class QDBusServiceWatcher;

// A calendar store that exists only while a service owns its name on the session bus: made (by
// the factory, which loads the backend's module) when the name gains an owner, at start or later,
// and dropped when the name loses it. The name is only watched, never activated, so a service that
// is installed but not running stays so.
//
// Access is granted at once: without the service there are simply no calendars. Each time the
// member store is made (and grants access) or dropped, changed() follows. A factory that gives
// nothing (the module is not installed or does not load) is not asked again; the store then stays
// empty, which is no error. Main thread only.
class OnDemandCalendarStore : public CalendarStore {
    Q_OBJECT
public:
    using Factory = std::function<std::unique_ptr<CalendarStore>()>;

    // Watches `busName` on `bus` (the session bus).
    OnDemandCalendarStore(QDBusConnection bus, QString busName, Factory factory, QObject *parent = nullptr);
    // The desktop's calendar server: its source registry's name, and its module
    // ("kestrix-calendar-server") from the first of `moduleFolders` that holds it.
    static std::unique_ptr<OnDemandCalendarStore>
    forCalendarServer(const QStringList &moduleFolders, const QDBusConnection &bus = QDBusConnection::sessionBus());
    ~OnDemandCalendarStore() override;

    void requestAccess() override;
    QList<CalendarInfo> calendars() override;
    QList<CalendarEvent> events(const CalendarEventQuery &query) override;
    QStringList knownUserAddresses() override;

    // Whether the member store exists now.
    bool isServing() const { return m_store != nullptr; }

private:
    void setPresent(bool present);
    void sync();
    void load();
    void drop();

    QDBusConnection m_bus;
    QString m_busName;
    Factory m_factory;
    QDBusServiceWatcher *m_watcher = nullptr;
    std::unique_ptr<CalendarStore> m_store;
    bool m_requested = false;
    bool m_present = false;
    bool m_ownerKnown = false; // a change of owner was seen, so the first answer is stale
    bool m_unavailable = false;
    bool m_syncing = false;
    bool m_syncAgain = false;
    bool m_closing = false;
};
