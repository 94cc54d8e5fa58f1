#pragma once

#include "signals/CalendarStore.h"
#include "signals/SignalSources.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Whether the user is in a meeting, or has one starting within five minutes, from the events of
// the calendars the user has not excluded. All-day events and events the user declined are no
// meetings.
//
// Both values are absent until the first evaluation, then assigned, and signalled, on every
// evaluation even when unchanged: after access to the calendars is granted, every 30 s, whenever
// the calendars change, and whenever the excluded calendars are set. Refused access sets both to
// false once. Main thread only.
//
// Settings (the application's settings file):
// - "calendarWatcher.excludedCalendarIDs": the ids of the excluded calendars, a string list; read
//   when the watcher is made, written when they are set.
// - "calendarWatcher.userAddresses": e-mail addresses of the user's, a string list, read when the
//   watcher is made. The user is found among an event's attendees by these, the address in $EMAIL,
//   $USER@<host name> and the addresses the calendar store knows (the desktop's mail identities,
//   the accounts' own addresses), so the key needs only the addresses none of those gives; it is
//   written when the addresses are set.
class CalendarWatcher : public CalendarSignals {
    Q_OBJECT
public:
    struct Options {
        std::chrono::milliseconds refreshInterval{30000};
        std::function<QDateTime()> now; // the current time when empty
    };
    static constexpr std::chrono::seconds lookBack{86400};
    static constexpr std::chrono::seconds soonWindow{300};
    static QString excludedCalendarIDsKey();
    static QString userAddressesKey();

    explicit CalendarWatcher(std::unique_ptr<CalendarStore> store, QObject *parent = nullptr);
    CalendarWatcher(std::unique_ptr<CalendarStore> store, Options options, QObject *parent = nullptr);
    ~CalendarWatcher() override;

    // Asks the store for access, then evaluates as described; later calls do nothing.
    void start();

    std::optional<bool> isMeetingSoon() const override { return m_isMeetingSoon; }
    std::optional<bool> isInMeeting() const override { return m_isInMeeting; }

    // The calendars there are, by title in plain case-sensitive order.
    const QList<CalendarInfo> &availableCalendars() const { return m_availableCalendars; }
    const QSet<QString> &excludedCalendarIDs() const { return m_excludedCalendarIDs; }
    // Stores the ids in the settings, then evaluates at once.
    void setExcludedCalendarIDs(const QSet<QString> &ids);
    // Every address the user is found by (see above); the store's once access was granted.
    const QStringList &userAddresses() const { return m_userAddresses; }
    // Keeps those of the addresses that nothing else gives in the settings (none: the key is
    // removed), then evaluates at once. An address that comes from elsewhere stays in use.
    void setUserAddresses(const QStringList &addresses);

    // Reads the calendars there are from the store.
    void refreshAvailableCalendars();
    // Evaluates both values from the store's events around now.
    void refresh();

Q_SIGNALS:
    void availableCalendarsChanged(const QList<CalendarInfo> &calendars);
    void excludedCalendarIDsChanged(const QSet<QString> &ids);
    void userAddressesChanged(const QStringList &addresses);

private:
    void onAccessResolved(bool granted);
    // Signals a change unless told not to.
    void refreshUserAddresses(bool announce = true);
    void assign(bool inMeeting, bool meetingSoon);

    std::unique_ptr<CalendarStore> m_store;
    std::function<QDateTime()> m_now;
    QTimer m_refreshTimer;
    std::optional<bool> m_isMeetingSoon;
    std::optional<bool> m_isInMeeting;
    QList<CalendarInfo> m_availableCalendars;
    QSet<QString> m_excludedCalendarIDs;
    QStringList m_configuredAddresses; // from the settings
    QStringList m_userAddresses;
    bool m_started = false;
    bool m_accessResolved = false;
};
