#pragma once

#include <QByteArray>
#include <QHash>
#include <QTimeZone>

#include <memory>
#include <optional>
#include <vector>

#include <libical/ical.h>

// Times as iCalendar writes them: wall-clock values in a zone named by TZID (an IANA name, a
// Windows name, an IANA name behind a prefix, or the file's own VTIMEZONE), in UTC, or floating.
// Internal to the calendar file reading.
namespace ICalendarDetail {

// How wall-clock times of one property map to instants.
struct Zone {
    enum class Kind { Floating, Utc, Named, Embedded };
    Kind kind = Kind::Floating;
    QTimeZone named;
    icaltimezone *embedded = nullptr; // owned, with its VTIMEZONE

    Zone() = default;
    Zone(const Zone &) = delete;
    Zone &operator=(const Zone &) = delete;
    ~Zone()
    {
        if (embedded) {
            icaltimezone_free(embedded, 1);
        }
    }
};
using ZonePtr = std::shared_ptr<const Zone>;

// A date or date-time as written (its zone pointer always null) and the zone it is read in.
struct Moment {
    icaltimetype wall = icaltime_null_time();
    ZonePtr zone;
    bool isDate() const { return wall.is_date != 0; }
};

// The instant (ms since the epoch) of a wall-clock time in `zone`; absent for a date or time that
// does not exist.
std::optional<qint64> instantOf(const icaltimetype &wall, const Zone &zone);
std::optional<qint64> instantOf(const Moment &moment);
// The wall-clock time in `zone` at an instant (ms since the epoch).
icaltimetype wallAt(qint64 instant, const Zone &zone);

// The IANA zone a TZID names, directly, as a Windows zone name, or behind a vendor prefix such as
// "/example.org/20050126_1/America/New_York".
std::optional<QTimeZone> namedZone(QByteArray id);

// Children of one component, collected before any is read: a component has one iteration
// cursor, which a nested walk over the same component would move.
std::vector<icalcomponent *> children(icalcomponent *parent, icalcomponent_kind kind);

// The zones of one VCALENDAR's properties, each resolved once.
class ZoneResolver {
public:
    // `calendar` may be null (a bare VEVENT): then only named zones and UTC are known, and floating
    // times are local.
    explicit ZoneResolver(icalcomponent *calendar);

    ZonePtr forProperty(icalproperty *property, const icaltimetype &value);

    static ZonePtr utc();
    static ZonePtr floating();

private:
    ZonePtr zoneNamed(const QByteArray &id);
    ZonePtr resolve(const QByteArray &id);

    std::vector<icalcomponent *> m_definitions; // VTIMEZONE
    QHash<QByteArray, ZonePtr> m_zones;
    // Where times without a zone are read: the calendar's X-WR-TIMEZONE, else local time.
    ZonePtr m_floating;
};

// A value given as a DATE or DATE-TIME of `property` (such as one end of an RDATE period), read in
// the property's zone; absent when it is no real date and time.
std::optional<Moment> momentOf(icalproperty *property, const icaltimetype &value, ZoneResolver &zones);
// The DATE or DATE-TIME value of a property such as DTSTART, EXDATE or RECURRENCE-ID.
std::optional<Moment> momentOf(icalproperty *property, ZoneResolver &zones);

} // namespace ICalendarDetail
