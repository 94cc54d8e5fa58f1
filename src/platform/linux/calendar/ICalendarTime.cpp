#include "platform/linux/calendar/ICalendarTime.h"

#include <QDateTime>

#include <algorithm>

namespace ICalendarDetail {
namespace {

// A VTIMEZONE is used only when its rules are yearly: libical expands them up to a far year, and
// any finer rule would take it minutes.
bool hasYearlyRulesOnly(icalcomponent *vtimezone)
{
    for (icalcomponent *part : children(vtimezone, ICAL_ANY_COMPONENT)) {
        for (icalproperty *rule = icalcomponent_get_first_property(part, ICAL_RRULE_PROPERTY); rule;
             rule = icalcomponent_get_next_property(part, ICAL_RRULE_PROPERTY)) {
            if (icalproperty_get_rrule(rule).freq != ICAL_YEARLY_RECURRENCE) {
                return false;
            }
        }
    }
    return true;
}

// A date or date-time value that is a real calendar date and time.
std::optional<icaltimetype> timeValue(const icaltimetype &value)
{
    if (icaltime_is_null_time(value) || !QDate(value.year, value.month, value.day).isValid()) {
        return std::nullopt;
    }
    if (!value.is_date && !QTime(value.hour, value.minute, std::min(value.second, 59)).isValid()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<qint64> instantOf(const icaltimetype &wall, const Zone &zone)
{
    const QDate date(wall.year, wall.month, wall.day);
    const QTime time = wall.is_date ? QTime(0, 0) : QTime(wall.hour, wall.minute, std::min(wall.second, 59));
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    switch (zone.kind) {
    case Zone::Kind::Floating:
        return QDateTime(date, time, Qt::LocalTime).toMSecsSinceEpoch();
    case Zone::Kind::Utc:
        return QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    case Zone::Kind::Named:
        return QDateTime(date, time, zone.named).toMSecsSinceEpoch();
    case Zone::Kind::Embedded: {
        icaltimetype local = wall;
        local.zone = nullptr;
        local.is_date = 0;
        return qint64(icaltime_as_timet_with_zone(local, zone.embedded)) * 1000;
    }
    }
    return std::nullopt;
}

std::optional<qint64> instantOf(const Moment &moment)
{
    return instantOf(moment.wall, *moment.zone);
}

icaltimetype wallAt(qint64 instant, const Zone &zone)
{
    icaltimetype wall = icaltime_null_time();
    if (zone.kind == Zone::Kind::Embedded) {
        wall = icaltime_from_timet_with_zone(static_cast<time_t>(instant / 1000), 0, zone.embedded);
        wall.zone = nullptr;
        return wall;
    }
    QDateTime at;
    switch (zone.kind) {
    case Zone::Kind::Floating:
        at = QDateTime::fromMSecsSinceEpoch(instant, Qt::LocalTime);
        break;
    case Zone::Kind::Named:
        at = QDateTime::fromMSecsSinceEpoch(instant, zone.named);
        break;
    default:
        at = QDateTime::fromMSecsSinceEpoch(instant, Qt::UTC);
        break;
    }
    wall.year = at.date().year();
    wall.month = at.date().month();
    wall.day = at.date().day();
    wall.hour = at.time().hour();
    wall.minute = at.time().minute();
    wall.second = at.time().second();
    return wall;
}

std::optional<QTimeZone> namedZone(QByteArray id)
{
    id = id.trimmed();
    if (id.isEmpty()) {
        return std::nullopt;
    }
    if (QTimeZone::isTimeZoneIdAvailable(id)) {
        return QTimeZone(id);
    }
    if (const QByteArray iana = QTimeZone::windowsIdToDefaultIanaId(id); !iana.isEmpty()) {
        return QTimeZone(iana);
    }
    const QList<QByteArray> parts = id.split('/');
    for (qsizetype count = std::min<qsizetype>(3, parts.size() - 1); count >= 2; --count) {
        const QByteArray candidate = parts.mid(parts.size() - count).join('/');
        if (QTimeZone::isTimeZoneIdAvailable(candidate)) {
            return QTimeZone(candidate);
        }
    }
    return std::nullopt;
}

std::vector<icalcomponent *> children(icalcomponent *parent, icalcomponent_kind kind)
{
    std::vector<icalcomponent *> result;
    for (icalcomponent *child = icalcomponent_get_first_component(parent, kind); child;
         child = icalcomponent_get_next_component(parent, kind)) {
        result.push_back(child);
    }
    return result;
}

ZoneResolver::ZoneResolver(icalcomponent *calendar) : m_floating(floating())
{
    if (!calendar) {
        return;
    }
    m_definitions = children(calendar, ICAL_VTIMEZONE_COMPONENT);
    // Published and exported calendars name the zone their floating times are meant in, and
    // calendar apps read them there.
    for (icalproperty *property = icalcomponent_get_first_property(calendar, ICAL_X_PROPERTY); property;
         property = icalcomponent_get_next_property(calendar, ICAL_X_PROPERTY)) {
        const char *name = icalproperty_get_x_name(property);
        const char *value = icalproperty_get_x(property);
        if (name && value && qstricmp(name, "X-WR-TIMEZONE") == 0) {
            m_floating = zoneNamed(QByteArray(value).trimmed());
            break;
        }
    }
}

ZonePtr ZoneResolver::forProperty(icalproperty *property, const icaltimetype &value)
{
    if (icaltime_is_utc(value)) {
        return utc();
    }
    icalparameter *parameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    const char *tzid = parameter ? icalparameter_get_tzid(parameter) : nullptr;
    if (!tzid || !*tzid) {
        return m_floating;
    }
    return zoneNamed(QByteArray(tzid));
}

ZonePtr ZoneResolver::utc()
{
    static const ZonePtr zone = [] {
        auto made = std::make_shared<Zone>();
        made->kind = Zone::Kind::Utc;
        return made;
    }();
    return zone;
}

ZonePtr ZoneResolver::floating()
{
    static const ZonePtr zone = std::make_shared<Zone>();
    return zone;
}

ZonePtr ZoneResolver::zoneNamed(const QByteArray &id)
{
    if (id.isEmpty()) {
        return floating();
    }
    auto known = m_zones.find(id);
    if (known == m_zones.end()) {
        known = m_zones.insert(id, resolve(id));
    }
    return *known;
}

ZonePtr ZoneResolver::resolve(const QByteArray &id)
{
    if (auto named = namedZone(id)) {
        auto zone = std::make_shared<Zone>();
        zone->kind = Zone::Kind::Named;
        zone->named = *named;
        return zone;
    }
    for (icalcomponent *vtimezone : m_definitions) {
        icalproperty *property = icalcomponent_get_first_property(vtimezone, ICAL_TZID_PROPERTY);
        const char *name = property ? icalproperty_get_tzid(property) : nullptr;
        if (!name || id != name || !hasYearlyRulesOnly(vtimezone)) {
            continue;
        }
        icaltimezone *embedded = icaltimezone_new();
        icalcomponent *copy = icalcomponent_new_clone(vtimezone);
        if (!icaltimezone_set_component(embedded, copy)) {
            icalcomponent_free(copy);
            icaltimezone_free(embedded, 1);
            break;
        }
        auto zone = std::make_shared<Zone>();
        zone->kind = Zone::Kind::Embedded;
        zone->embedded = embedded;
        return zone;
    }
    return floating();
}

std::optional<Moment> momentOf(icalproperty *property, const icaltimetype &value, ZoneResolver &zones)
{
    const auto valid = timeValue(value);
    if (!valid) {
        return std::nullopt;
    }
    Moment moment;
    moment.zone = valid->is_date ? ZoneResolver::floating() : zones.forProperty(property, *valid);
    moment.wall = *valid;
    moment.wall.zone = nullptr;
    return moment;
}

// The DATE or DATE-TIME value of a property such as DTSTART, EXDATE or RECURRENCE-ID.
std::optional<Moment> momentOf(icalproperty *property, ZoneResolver &zones)
{
    icalvalue *value = icalproperty_get_value(property);
    if (!value) {
        return std::nullopt;
    }
    switch (icalvalue_isa(value)) {
    case ICAL_DATETIME_VALUE:
        return momentOf(property, icalvalue_get_datetime(value), zones);
    case ICAL_DATE_VALUE:
        return momentOf(property, icalvalue_get_date(value), zones);
    default:
        return std::nullopt;
    }
}

} // namespace ICalendarDetail
