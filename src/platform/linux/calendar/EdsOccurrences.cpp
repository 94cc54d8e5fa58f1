#include "platform/linux/calendar/EdsOccurrences.h"

#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <optional>
#include <set>

#include <libical/ical.h>

namespace eds {
namespace {
constexpr qint64 daySeconds = 86400;
// Bounds what one event's recurrence may produce in one answer, whatever its rule says (a
// once-a-second rule in a synced invitation would otherwise call back hundreds of thousands of
// times on every refresh), as the calendar files' reading does.
constexpr int maxRuleSteps = 20000;

// A zone the events of a calendar name: the built-in table first, then the zones the client has
// received from the server. Never asks the server (that would block). The result is owned elsewhere.
ICalTimezone *lookupZone(const gchar *tzid, gpointer client, GCancellable *, GError **)
{
    if (!tzid || !*tzid) {
        return nullptr;
    }
    if (ICalTimezone *zone = i_cal_timezone_get_builtin_timezone_from_tzid(tzid)) {
        return zone;
    }
    if (ICalTimezone *zone = i_cal_timezone_get_builtin_timezone(tzid)) {
        return zone;
    }
    return client ? e_timezone_cache_get_timezone(E_TIMEZONE_CACHE(client), tzid) : nullptr;
}

// Seconds since the epoch of a libical time: UTC, in its zone, or (floating) in local time.
qint64 instantOf(const icaltimetype &time, const icaltimezone *zone)
{
    if (icaltime_is_utc(time)) {
        return icaltime_as_timet_with_zone(time, icaltimezone_get_utc_timezone());
    }
    if (zone) {
        return icaltime_as_timet_with_zone(time, zone);
    }
    const QDate date(time.year, time.month, time.day);
    const QTime clock = time.is_date ? QTime(0, 0) : QTime(time.hour, time.minute, std::min(time.second, 59));
    return QDateTime(date, clock, Qt::LocalTime).toSecsSinceEpoch();
}

qint64 instantOf(ICalTime *time)
{
    const auto *native = static_cast<const icaltimetype *>(i_cal_object_get_native(I_CAL_OBJECT(time)));
    return instantOf(*native, native->zone);
}

struct Occurrences {
    QList<CalendarEvent> *result = nullptr;
    qint64 from = 0;
    qint64 to = 0;
    bool declined = false;
    const std::set<qint64> *replaced = nullptr; // starts that detached instances stand in for
    int steps = 0;
};

gboolean addOccurrence(ICalComponent *, ICalTime *start, ICalTime *end, gpointer data, GCancellable *, GError **)
{
    auto &into = *static_cast<Occurrences *>(data);
    if (++into.steps > maxRuleSteps) {
        return FALSE; // stops the expansion
    }
    if (i_cal_time_is_date(start)) {
        return TRUE;
    }
    const qint64 begins = instantOf(start);
    const qint64 ends = std::max(begins, instantOf(end));
    if (into.replaced && into.replaced->count(begins)) {
        return TRUE;
    }
    if (begins <= into.to && ends >= into.from) {
        into.result->append({QDateTime::fromSecsSinceEpoch(begins, Qt::UTC),
                             QDateTime::fromSecsSinceEpoch(ends, Qt::UTC), false, into.declined});
    }
    return TRUE;
}

// The instant a detached instance's RECURRENCE-ID names, in the zone its TZID names.
std::optional<qint64> recurrenceInstant(icalcomponent *component, ECalClient *client)
{
    icalproperty *property = icalcomponent_get_first_property(component, ICAL_RECURRENCEID_PROPERTY);
    if (!property) {
        return std::nullopt;
    }
    const icaltimetype value = icalproperty_get_recurrenceid(property);
    if (icaltime_is_null_time(value)) {
        return std::nullopt;
    }
    const icaltimezone *zone = nullptr;
    if (icalparameter *tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
        if (ICalTimezone *found = lookupZone(icalparameter_get_tzid(tzid), client, nullptr, nullptr)) {
            zone = static_cast<const icaltimezone *>(i_cal_object_get_native(I_CAL_OBJECT(found)));
        }
    }
    return instantOf(value, zone);
}

bool declinedBy(icalcomponent *component, const QSet<QString> &user)
{
    for (icalproperty *attendee = icalcomponent_get_first_property(component, ICAL_ATTENDEE_PROPERTY); attendee;
         attendee = icalcomponent_get_next_property(component, ICAL_ATTENDEE_PROPERTY)) {
        icalparameter *status = icalproperty_get_first_parameter(attendee, ICAL_PARTSTAT_PARAMETER);
        const char *address = icalproperty_get_attendee(attendee);
        if (status && icalparameter_get_partstat(status) == ICAL_PARTSTAT_DECLINED && address &&
            user.contains(normalizedAddress(QString::fromUtf8(address)))) {
            return true;
        }
    }
    return false;
}
} // namespace

ObjectKey keyOf(ICalComponent *component)
{
    const gchar *uid = i_cal_component_get_uid(component);
    gchar *rid = e_cal_util_component_get_recurid_as_string(component);
    ObjectKey key{uid ? uid : "", rid ? rid : ""};
    g_free(rid);
    return key;
}

QString normalizedAddress(QString address)
{
    address = address.trimmed();
    if (address.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive)) {
        address.remove(0, 7);
    }
    return address.toLower();
}

void appendOccurrences(const Objects &objects, ECalClient *client, const CalendarEventQuery &query,
                       const QSet<QString> &user, QList<CalendarEvent> &result)
{
    const qint64 from = query.from.toSecsSinceEpoch();
    const qint64 to = query.to.toSecsSinceEpoch();

    std::map<std::string, std::set<qint64>> replaced; // by UID
    for (const auto &[key, component] : objects) {
        if (!key.second.empty()) {
            auto *native = static_cast<icalcomponent *>(i_cal_object_get_native(I_CAL_OBJECT(component.get())));
            if (const auto at = recurrenceInstant(native, client)) {
                replaced[key.first].insert(*at);
            }
        }
    }

    // Floating times are compared with the window in UTC by the expansion: a day's slack on
    // each side, and the exact test is made on each occurrence.
    static ICalTimezone *const utc = i_cal_timezone_get_utc_timezone();
    GPtr<ICalTime> start(i_cal_time_new_from_timet_with_zone(from - daySeconds, 0, utc));
    GPtr<ICalTime> end(i_cal_time_new_from_timet_with_zone(to + daySeconds, 0, utc));
    for (const auto &[key, component] : objects) {
        auto *native = static_cast<icalcomponent *>(i_cal_object_get_native(I_CAL_OBJECT(component.get())));
        if (icalcomponent_isa(native) != ICAL_VEVENT_COMPONENT ||
            icalcomponent_get_status(native) == ICAL_STATUS_CANCELLED) {
            continue;
        }
        icalproperty *dtstart = icalcomponent_get_first_property(native, ICAL_DTSTART_PROPERTY);
        if (!dtstart || icalproperty_get_dtstart(dtstart).is_date) {
            continue; // no start, or all day: no meeting
        }
        const auto series = key.second.empty() ? replaced.find(key.first) : replaced.end();
        Occurrences into{&result, from, to, declinedBy(native, user),
                         series == replaced.end() ? nullptr : &series->second};
        e_cal_recur_generate_instances_sync(component.get(), start.get(), end.get(), &addOccurrence, &into, &lookupZone,
                                            client, nullptr, nullptr, nullptr);
    }
}

} // namespace eds
