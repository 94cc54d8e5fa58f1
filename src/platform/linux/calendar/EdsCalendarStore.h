#pragma once

#include "signals/CalendarStore.h"

#include <QTimer>

#include <chrono>
#include <memory>

// The calendars the desktop's calendar server (evolution-data-server) keeps, online accounts'
// included, read through its client library on the GLib main context, which Qt's event loop runs
// on Linux (its GLib event dispatcher, the default).
//
// Access is granted once the server's source registry answers on the session bus; it is refused
// when there is no session bus, the registry does not answer within the registry time-out, or the
// event loop is not GLib's (QT_NO_GLIB), as nothing would then run the client library's callbacks.
//
// Calendars: every enabled calendar source, with its display name as the title and its UID as the
// id. Each one (except birthdays and weather, which hold whole days only and are listed but never
// opened) is opened and watched through a live view of its events over a window of days
// around the times asked for; the view follows the window when a query leaves it. Events are
// answered from the views' copies, with recurrences expanded by the client library; an answer may
// lag a view still filling, and a change is signalled once it has filled. Events whose zones
// neither the built-in table nor the client's cache knows are read in local time.
//
// The user is found among attendees by the query's addresses, the address the calendar's account
// gives itself, and the addresses of the desktop's mail identities. Main thread only.
class EdsCalendarStore : public CalendarStore {
    Q_OBJECT
public:
    struct Options {
        std::chrono::milliseconds registryTimeout{15000};
        // Notifications closer together than this are reported as one change.
        std::chrono::milliseconds changeDelay{250};
    };

    explicit EdsCalendarStore(QObject *parent = nullptr);
    explicit EdsCalendarStore(Options options, QObject *parent = nullptr);
    ~EdsCalendarStore() override;

    void requestAccess() override;
    QList<CalendarInfo> calendars() override;
    QList<CalendarEvent> events(const CalendarEventQuery &query) override;
    QStringList knownUserAddresses() override;

    struct Private;

private:
    friend struct Private;
    void resolve(bool granted);

    Options m_options;
    QTimer m_changeTimer;
    QTimer m_registryTimer;
    // Last, so that it goes first: tearing the calendars down may still touch the timers.
    std::shared_ptr<Private> d;
    bool m_accessRequested = false;
    bool m_resolved = false;
};
