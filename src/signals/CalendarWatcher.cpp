#include "signals/CalendarWatcher.h"

#include "util/AppSettings.h"

#include <QSysInfo>

#include <algorithm>
#include <utility>

namespace {
// QSettings' INI format stores a list of one string as a plain string, and an empty list as an
// invalid value; anything else (a number, a byte array, a size) is not a list of strings.
QStringList stringList(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList();
    }
    if (value.typeId() == QMetaType::QString && !value.toString().isEmpty()) {
        return {value.toString()};
    }
    return {};
}

// Adds the addresses not yet in the list (compared without regard to case).
void addAddresses(QStringList &addresses, const QStringList &more)
{
    for (const QString &address : more) {
        const QString trimmed = address.trimmed();
        if (!trimmed.isEmpty() && !addresses.contains(trimmed, Qt::CaseInsensitive)) {
            addresses.append(trimmed);
        }
    }
}

QStringList environmentUserAddresses()
{
    QStringList addresses;
    const QString email = qEnvironmentVariable("EMAIL").trimmed();
    if (!email.isEmpty()) {
        addresses.append(email);
    }
    const QString user = qEnvironmentVariable("USER");
    const QString host = QSysInfo::machineHostName();
    if (!user.isEmpty() && !host.isEmpty()) {
        addresses.append(user + QLatin1Char('@') + host);
    }
    return addresses;
}
} // namespace

QString CalendarWatcher::excludedCalendarIDsKey()
{
    return QStringLiteral("calendarWatcher.excludedCalendarIDs");
}

QString CalendarWatcher::userAddressesKey()
{
    return QStringLiteral("calendarWatcher.userAddresses");
}

CalendarWatcher::CalendarWatcher(std::unique_ptr<CalendarStore> store, QObject *parent)
    : CalendarWatcher(std::move(store), Options{}, parent)
{}

CalendarWatcher::CalendarWatcher(std::unique_ptr<CalendarStore> store, Options options, QObject *parent)
    : CalendarSignals(parent), m_store(std::move(store)), m_now(std::move(options.now))
{
    if (!m_now) {
        m_now = [] {
            return QDateTime::currentDateTimeUtc();
        };
    }
    m_refreshTimer.setInterval(options.refreshInterval);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CalendarWatcher::refresh);

    const auto settings = AppSettings::open();
    const QStringList excluded = stringList(settings->value(excludedCalendarIDsKey()));
    m_excludedCalendarIDs = QSet<QString>(excluded.begin(), excluded.end());
    m_configuredAddresses = stringList(settings->value(userAddressesKey()));
    m_userAddresses = m_configuredAddresses;
    addAddresses(m_userAddresses, environmentUserAddresses());
}

CalendarWatcher::~CalendarWatcher()
{
    // The store goes first, while everything its last signals could touch is still whole.
    if (m_store) {
        disconnect(m_store.get(), nullptr, this, nullptr);
        m_store.reset();
    }
}

void CalendarWatcher::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    connect(m_store.get(), &CalendarStore::accessResolved, this, &CalendarWatcher::onAccessResolved);
    m_store->requestAccess();
}

void CalendarWatcher::onAccessResolved(bool granted)
{
    if (m_accessResolved) {
        return;
    }
    m_accessResolved = true;
    if (!granted) {
        assign(false, false);
        return;
    }
    refreshUserAddresses();
    refreshAvailableCalendars();
    refresh();
    m_refreshTimer.start();
    connect(m_store.get(), &CalendarStore::changed, this, [this] {
        refreshUserAddresses();
        refreshAvailableCalendars();
        refresh();
    });
}

void CalendarWatcher::refreshUserAddresses(bool announce)
{
    QStringList addresses = m_configuredAddresses;
    addAddresses(addresses, environmentUserAddresses());
    addAddresses(addresses, m_store->knownUserAddresses());
    if (addresses != m_userAddresses) {
        m_userAddresses = std::move(addresses);
        if (announce) {
            // The store's addresses (mail identities, accounts) may arrive or change any time.
            Q_EMIT userAddressesChanged(m_userAddresses);
        }
    }
}

void CalendarWatcher::setUserAddresses(const QStringList &addresses)
{
    QStringList found = environmentUserAddresses();
    addAddresses(found, m_store->knownUserAddresses());
    m_configuredAddresses.clear();
    for (const QString &address : addresses) {
        if (!found.contains(address.trimmed(), Qt::CaseInsensitive)) {
            addAddresses(m_configuredAddresses, {address});
        }
    }
    const auto settings = AppSettings::open();
    if (m_configuredAddresses.isEmpty()) {
        settings->remove(userAddressesKey());
    } else {
        settings->setValue(userAddressesKey(), m_configuredAddresses);
    }
    refreshUserAddresses(false);
    Q_EMIT userAddressesChanged(m_userAddresses);
    refresh();
}

void CalendarWatcher::setExcludedCalendarIDs(const QSet<QString> &ids)
{
    m_excludedCalendarIDs = ids;
    QStringList list(ids.begin(), ids.end());
    list.sort();
    AppSettings::open()->setValue(excludedCalendarIDsKey(), list);
    Q_EMIT excludedCalendarIDsChanged(m_excludedCalendarIDs);
    refresh();
}

void CalendarWatcher::refreshAvailableCalendars()
{
    QList<CalendarInfo> calendars = m_store->calendars();
    std::sort(calendars.begin(), calendars.end(), [](const CalendarInfo &a, const CalendarInfo &b) {
        return a.title != b.title ? a.title < b.title : a.id < b.id;
    });
    if (calendars != m_availableCalendars) {
        m_availableCalendars = std::move(calendars);
        Q_EMIT availableCalendarsChanged(m_availableCalendars);
    }
}

void CalendarWatcher::refresh()
{
    const QDateTime now = m_now();
    const QDateTime soonEnd = now.addSecs(soonWindow.count());
    CalendarEventQuery query{now.addSecs(-lookBack.count()), soonEnd, std::nullopt, m_userAddresses};
    if (!m_excludedCalendarIDs.isEmpty()) {
        // Excluding every calendar leaves an empty list, which reads nothing.
        QStringList included;
        for (const CalendarInfo &calendar : std::as_const(m_availableCalendars)) {
            if (!m_excludedCalendarIDs.contains(calendar.id)) {
                included.append(calendar.id);
            }
        }
        query.calendarIds = included;
    }
    const QList<CalendarEvent> events =
        query.calendarIds && query.calendarIds->isEmpty() ? QList<CalendarEvent>{} : m_store->events(query);

    bool inMeeting = false;
    bool meetingSoon = false;
    for (const CalendarEvent &event : events) {
        if (event.isAllDay || event.isDeclined) {
            continue;
        }
        inMeeting = inMeeting || (event.start <= now && now < event.end);
        meetingSoon = meetingSoon || (now < event.start && event.start <= soonEnd);
    }
    assign(inMeeting, meetingSoon);
}

void CalendarWatcher::assign(bool inMeeting, bool meetingSoon)
{
    m_isInMeeting = inMeeting;
    m_isMeetingSoon = meetingSoon;
    Q_EMIT isInMeetingChanged(m_isInMeeting);
    Q_EMIT isMeetingSoonChanged(m_isMeetingSoon);
}
