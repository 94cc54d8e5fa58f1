#include "platform/linux/calendar/ICalendarStore.h"

#include "platform/linux/calendar/StderrCapture.h"
#include "util/SupportFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QTimeZone>

#include <algorithm>
#include <map>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

#include <libical/ical.h>

namespace {
// Off unless enabled through QT_LOGGING_RULES: the application keeps no log.
Q_LOGGING_CATEGORY(lcCalendar, "kestrix.signals.calendar", QtCriticalMsg)

// One value of a desktop source file, a key file of "[Group]" lines and "Key=value" lines; empty
// when missing. Localised variants ("Key[de]=") are not the key. Files past 64 KiB are no source
// files and are not read.
QString keyFileValue(const QString &path, const char *group, const char *key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > qint64{64} * 1024) {
        return {};
    }
    const QString header = QLatin1Char('[') + QLatin1String(group) + QLatin1Char(']');
    const QString prefix = QLatin1String(key) + QLatin1Char('=');
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == header;
        } else if (inGroup && line.startsWith(prefix)) {
            return line.mid(prefix.size()).trimmed();
        }
    }
    return {};
}

// Larger files are not calendars anyone keeps by hand; they are skipped rather than parsed.
constexpr qint64 maxFileSize = qint64{32} * 1024 * 1024;
// Bounds what one recurrence rule may produce in one expansion, whatever the rule says.
constexpr int maxRuleSteps = 20000;
constexpr int maxCollectionDepth = 3;
constexpr qint64 dayMs = qint64{24} * 3600 * 1000;
// A recurring event's occurrences are worked out this far past the window asked for, and served
// from there while later windows fit: the watcher's window moves by seconds at a time.
constexpr qint64 expansionReachMs = 7 * dayMs;

// libical reports a misuse (such as reading a value of another type) by aborting unless told not to.
void useLibicalQuietly()
{
    static const bool once = [] {
        icalerror_set_errors_are_fatal(0);
        return true;
    }();
    Q_UNUSED(once);
}

struct ComponentFree {
    void operator()(icalcomponent *component) const { icalcomponent_free(component); }
};

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

QString normalizedAddress(QString address)
{
    address = address.trimmed();
    if (address.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive)) {
        address.remove(0, 7);
    }
    return address.toLower();
}

// The IANA zone a TZID names, directly, as a Windows zone name, or behind a vendor prefix such as
// "/example.org/20050126_1/America/New_York".
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

// Children of one component, collected before any is read: a component has one iteration
// cursor, which a nested walk over the same component would move.
std::vector<icalcomponent *> children(icalcomponent *parent, icalcomponent_kind kind)
{
    std::vector<icalcomponent *> result;
    for (icalcomponent *child = icalcomponent_get_first_component(parent, kind); child;
         child = icalcomponent_get_next_component(parent, kind)) {
        result.push_back(child);
    }
    return result;
}

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

class ZoneResolver {
public:
    explicit ZoneResolver(icalcomponent *calendar) : m_floating(floating())
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

    ZonePtr forProperty(icalproperty *property, const icaltimetype &value)
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

    static ZonePtr utc()
    {
        static const ZonePtr zone = [] {
            auto made = std::make_shared<Zone>();
            made->kind = Zone::Kind::Utc;
            return made;
        }();
        return zone;
    }
    static ZonePtr floating()
    {
        static const ZonePtr zone = std::make_shared<Zone>();
        return zone;
    }

private:
    ZonePtr zoneNamed(const QByteArray &id)
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

    ZonePtr resolve(const QByteArray &id)
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

    std::vector<icalcomponent *> m_definitions; // VTIMEZONE
    QHash<QByteArray, ZonePtr> m_zones;
    // Where times without a zone are read: the calendar's X-WR-TIMEZONE, else local time.
    ZonePtr m_floating;
};

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

struct ExtraDate {
    Moment start;
    std::optional<Moment> end;
    std::optional<qint64> durationSeconds;
};

struct Event {
    QByteArray uid; // empty: the event stands alone
    Moment start;
    std::optional<Moment> end;
    std::optional<qint64> durationSeconds;
    std::optional<Moment> recurrenceId;
    bool cancelled = false;
    QList<QByteArray> rules;           // RRULE values
    std::vector<ExtraDate> extraDates; // RDATE
    std::vector<Moment> exceptions;    // EXDATE
    QStringList declinedBy;            // normalised addresses of the attendees who declined

    // The occurrences of the series as its own properties give them, before overrides, worked out
    // for [from, to] and kept for later windows inside it.
    struct Expansion {
        qint64 from = 0;
        qint64 to = -1;
        std::vector<std::pair<qint64, qint64>> spans;
    };
    mutable Expansion expansion;
};

std::optional<Event> readEvent(icalcomponent *component, ZoneResolver &zones)
{
    Event event;
    bool haveStart = false;
    for (icalproperty *property = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); property;
         property = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
        icalvalue *value = icalproperty_get_value(property);
        if (!value) {
            continue;
        }
        const icalvalue_kind valueKind = icalvalue_isa(value);
        switch (icalproperty_isa(property)) {
        case ICAL_DTSTART_PROPERTY:
            if (auto start = momentOf(property, zones); start && !haveStart) {
                event.start = std::move(*start);
                haveStart = true;
            }
            break;
        case ICAL_DTEND_PROPERTY:
            event.end = momentOf(property, zones);
            break;
        case ICAL_DURATION_PROPERTY:
            if (valueKind == ICAL_DURATION_VALUE) {
                event.durationSeconds = std::max(0, icaldurationtype_as_int(icalvalue_get_duration(value)));
            }
            break;
        case ICAL_RECURRENCEID_PROPERTY:
            event.recurrenceId = momentOf(property, zones);
            break;
        case ICAL_UID_PROPERTY:
            if (valueKind == ICAL_TEXT_VALUE) {
                event.uid = QByteArray(icalvalue_get_text(value));
            }
            break;
        case ICAL_STATUS_PROPERTY:
            event.cancelled = valueKind == ICAL_STATUS_VALUE && icalvalue_get_status(value) == ICAL_STATUS_CANCELLED;
            break;
        case ICAL_RRULE_PROPERTY:
            if (valueKind == ICAL_RECUR_VALUE) {
                char *text = icalproperty_get_value_as_string_r(property);
                if (text) {
                    event.rules.append(QByteArray(text));
                    icalmemory_free_buffer(text);
                }
            }
            break;
        case ICAL_RDATE_PROPERTY:
            if (valueKind == ICAL_PERIOD_VALUE || valueKind == ICAL_DATETIMEPERIOD_VALUE) {
                icalperiodtype period = icalperiodtype_null_period();
                if (valueKind == ICAL_PERIOD_VALUE) {
                    period = icalvalue_get_period(value);
                } else {
                    const icaldatetimeperiodtype date = icalvalue_get_datetimeperiod(value);
                    if (icaltime_is_null_time(date.time)) {
                        period = date.period;
                    } else {
                        period.start = date.time;
                    }
                }
                auto start = momentOf(property, period.start, zones);
                if (!start) {
                    break;
                }
                ExtraDate extra{std::move(*start), momentOf(property, period.end, zones), std::nullopt};
                if (!extra.end && !icaldurationtype_is_null_duration(period.duration)) {
                    extra.durationSeconds = std::max(0, icaldurationtype_as_int(period.duration));
                }
                event.extraDates.push_back(std::move(extra));
            } else if (auto start = momentOf(property, zones)) {
                event.extraDates.push_back({std::move(*start), std::nullopt, std::nullopt});
            }
            break;
        case ICAL_EXDATE_PROPERTY:
            if (auto exception = momentOf(property, zones)) {
                event.exceptions.push_back(std::move(*exception));
            }
            break;
        case ICAL_ATTENDEE_PROPERTY:
            if (valueKind == ICAL_CALADDRESS_VALUE) {
                icalparameter *status = icalproperty_get_first_parameter(property, ICAL_PARTSTAT_PARAMETER);
                if (status && icalparameter_get_partstat(status) == ICAL_PARTSTAT_DECLINED) {
                    if (const char *address = icalvalue_get_caladdress(value)) {
                        event.declinedBy.append(normalizedAddress(QString::fromUtf8(address)));
                    }
                }
            }
            break;
        default:
            break;
        }
    }
    if (!haveStart) {
        return std::nullopt;
    }
    return event;
}

std::optional<std::pair<qint64, qint64>> spanOf(const Event &event)
{
    const auto start = instantOf(event.start);
    if (!start) {
        return std::nullopt;
    }
    qint64 end = *start;
    if (event.end) {
        end = instantOf(*event.end).value_or(*start);
    } else if (event.durationSeconds) {
        end = *start + *event.durationSeconds * 1000;
    }
    return std::pair(*start, std::max(end, *start));
}

bool finerThanDaily(icalrecurrencetype_frequency frequency)
{
    return frequency == ICAL_SECONDLY_RECURRENCE || frequency == ICAL_MINUTELY_RECURRENCE ||
           frequency == ICAL_HOURLY_RECURRENCE;
}

// Adds the starts one RRULE gives in [from, to] (by start, with the series' duration) to `spans`.
void expandRule(const QByteArray &text, const Event &event, qint64 start, qint64 duration, qint64 from, qint64 to,
                std::map<qint64, qint64> &spans)
{
    icalrecurrencetype rule = icalrecurrencetype_from_string(text.constData());
    if (rule.rscale) {
        // The parser hands over a copy of the RSCALE name. Only the calendar every other rule
        // uses is expanded.
        const bool gregorian = qstricmp(rule.rscale, "GREGORIAN") == 0;
        icalmemory_free_buffer(rule.rscale);
        rule.rscale = nullptr;
        if (!gregorian) {
            return;
        }
    }
    if (rule.freq == ICAL_NO_RECURRENCE || finerThanDaily(rule.freq)) {
        return;
    }
    const Zone &zone = *event.start.zone;
    // The rule runs on wall-clock times in the event's zone, so an UNTIL in UTC is turned into the
    // wall-clock time it is there.
    if (!icaltime_is_null_time(rule.until) && icaltime_is_utc(rule.until) && !rule.until.is_date) {
        if (const auto until = instantOf(rule.until, *ZoneResolver::utc())) {
            rule.until = wallAt(*until, zone);
        }
    }
    rule.until.zone = nullptr;

    icalrecur_iterator *iterator = icalrecur_iterator_new(rule, event.start.wall);
    if (!iterator) {
        return;
    }
    // Skip to the window when the rule allows it (COUNT counts from the first occurrence).
    const qint64 skipTo = from - duration - dayMs;
    if (rule.count == 0 && start < skipTo && !icalrecur_iterator_set_start(iterator, wallAt(skipTo, zone))) {
        icalrecur_iterator_free(iterator);
        iterator = icalrecur_iterator_new(rule, event.start.wall);
        if (!iterator) {
            return;
        }
    }
    for (int step = 0; step < maxRuleSteps; ++step) {
        const icaltimetype next = icalrecur_iterator_next(iterator);
        if (icaltime_is_null_time(next)) {
            break;
        }
        const auto at = instantOf(next, zone);
        if (!at) {
            continue;
        }
        // Wall-clock order may step back an hour across a change of offset; a day's slack covers it.
        if (*at > to + dayMs) {
            break;
        }
        if (*at <= to && *at + duration >= from) {
            spans.emplace(*at, *at + duration);
        }
    }
    icalrecur_iterator_free(iterator);
}

// The series' occurrences overlapping [from, to] before overrides: DTSTART, the RRULEs and the
// RDATEs, less the EXDATEs.
std::vector<std::pair<qint64, qint64>> expandSeries(const Event &event, qint64 from, qint64 to)
{
    const auto first = spanOf(event);
    if (!first) {
        return {};
    }
    const auto [start, firstEnd] = *first;
    const qint64 duration = firstEnd - start;
    std::map<qint64, qint64> spans;
    spans.emplace(start, firstEnd);
    for (const QByteArray &rule : event.rules) {
        expandRule(rule, event, start, duration, from, to, spans);
    }
    for (const ExtraDate &extra : event.extraDates) {
        if (extra.start.isDate()) {
            continue;
        }
        const auto at = instantOf(extra.start);
        if (!at) {
            continue;
        }
        qint64 end = *at + duration;
        if (extra.end) {
            end = instantOf(*extra.end).value_or(*at);
        } else if (extra.durationSeconds) {
            end = *at + *extra.durationSeconds * 1000;
        }
        spans[*at] = std::max(end, *at);
    }
    for (const Moment &exception : event.exceptions) {
        if (exception.isDate()) {
            // A whole day excluded: every start on that date in the event's zone.
            std::erase_if(spans, [&](const auto &span) {
                const icaltimetype wall = wallAt(span.first, *event.start.zone);
                return wall.year == exception.wall.year && wall.month == exception.wall.month &&
                       wall.day == exception.wall.day;
            });
        } else if (const auto at = instantOf(exception)) {
            spans.erase(*at);
        }
    }
    std::vector<std::pair<qint64, qint64>> result;
    for (const auto &[spanStart, spanEnd] : spans) {
        if (spanStart <= to && spanEnd >= from) {
            result.emplace_back(spanStart, spanEnd);
        }
    }
    return result;
}

const std::vector<std::pair<qint64, qint64>> &seriesSpans(const Event &event, qint64 from, qint64 to)
{
    auto &cached = event.expansion;
    if (from < cached.from || to > cached.to) {
        cached.from = from;
        cached.to = to + expansionReachMs;
        cached.spans = expandSeries(event, cached.from, cached.to);
    }
    return cached.spans;
}
} // namespace

struct ICalendarFile::Data {
    bool valid = false;
    QString name;
    std::vector<Event> events;
};

ICalendarFile::ICalendarFile() : d(std::make_unique<Data>()) {}
ICalendarFile::~ICalendarFile() = default;

bool ICalendarFile::isValid() const
{
    return d->valid;
}

QString ICalendarFile::calendarName() const
{
    return d->name;
}

std::shared_ptr<const ICalendarFile> ICalendarFile::parse(const QByteArray &text)
{
    useLibicalQuietly();
    // libical prints its complaints about a broken file on standard error; they go to the
    // calendar category instead, without libical's source locations.
    StderrCapture libicalMessages;
    const auto forwardLibicalMessages = qScopeGuard([&libicalMessages] {
        static const QRegularExpression sourceLocation(QStringLiteral("^\\S+\\.c:\\d+: "));
        for (QString line : libicalMessages.finish()) {
            qCInfo(lcCalendar, "libical: %s", qUtf8Printable(line.remove(sourceLocation)));
        }
    });
    std::shared_ptr<ICalendarFile> file(new ICalendarFile);
    const std::unique_ptr<icalcomponent, ComponentFree> root(icalparser_parse_string(text.constData()));
    if (!root) {
        return file;
    }
    std::vector<icalcomponent *> calendars;
    switch (icalcomponent_isa(root.get())) {
    case ICAL_VCALENDAR_COMPONENT:
        calendars.push_back(root.get());
        break;
    case ICAL_XROOT_COMPONENT:
        calendars = children(root.get(), ICAL_VCALENDAR_COMPONENT);
        break;
    case ICAL_VEVENT_COMPONENT: {
        // A bare event, as some tools write one per file.
        file->d->valid = true;
        ZoneResolver zones(nullptr);
        if (auto event = readEvent(root.get(), zones)) {
            file->d->events.push_back(std::move(*event));
        }
        return file;
    }
    default:
        return file;
    }
    file->d->valid = !calendars.empty();
    for (icalcomponent *calendar : calendars) {
        for (icalproperty *property = icalcomponent_get_first_property(calendar, ICAL_X_PROPERTY);
             property && file->d->name.isEmpty();
             property = icalcomponent_get_next_property(calendar, ICAL_X_PROPERTY)) {
            const char *name = icalproperty_get_x_name(property);
            const char *value = icalproperty_get_x(property);
            if (name && value && qstricmp(name, "X-WR-CALNAME") == 0) {
                file->d->name = QString::fromUtf8(value).trimmed();
            }
        }
        ZoneResolver zones(calendar);
        for (icalcomponent *component : children(calendar, ICAL_VEVENT_COMPONENT)) {
            if (auto event = readEvent(component, zones)) {
                file->d->events.push_back(std::move(*event));
            }
        }
    }
    return file;
}

QList<CalendarEvent> ICalendarFile::occurrences(const std::vector<const ICalendarFile *> &files,
                                                const CalendarEventQuery &query)
{
    const qint64 from = query.from.toMSecsSinceEpoch();
    const qint64 to = query.to.toMSecsSinceEpoch();
    QSet<QString> user;
    for (const QString &address : query.userAddresses) {
        user.insert(normalizedAddress(address));
    }
    const auto declined = [&user](const Event &event) {
        return std::any_of(event.declinedBy.begin(), event.declinedBy.end(),
                           [&user](const QString &address) { return user.contains(address); });
    };

    // The occurrences each series has overridden, whatever the overrides say of themselves.
    QHash<QByteArray, QSet<qint64>> overridden;
    for (const ICalendarFile *file : files) {
        for (const Event &event : file->d->events) {
            if (event.recurrenceId && !event.uid.isEmpty()) {
                if (const auto at = instantOf(*event.recurrenceId)) {
                    overridden[event.uid].insert(*at);
                }
            }
        }
    }

    QList<CalendarEvent> result;
    const auto add = [&](qint64 start, qint64 end, const Event &event) {
        if (start <= to && end >= from) {
            result.append({QDateTime::fromMSecsSinceEpoch(start, Qt::UTC), QDateTime::fromMSecsSinceEpoch(end, Qt::UTC),
                           false, declined(event)});
        }
    };
    for (const ICalendarFile *file : files) {
        for (const Event &event : file->d->events) {
            if (event.start.isDate() || event.cancelled) {
                continue;
            }
            if (event.recurrenceId && !event.uid.isEmpty()) {
                // An overridden occurrence stands at its own time.
                if (const auto span = spanOf(event)) {
                    add(span->first, span->second, event);
                }
                continue;
            }
            const QSet<qint64> replaced = overridden.value(event.uid);
            for (const auto &[start, end] : seriesSpans(event, from, to)) {
                if (!replaced.contains(start)) {
                    add(start, end, event);
                }
            }
        }
    }
    return result;
}

ICalendarStore::Options ICalendarStore::defaultOptions()
{
    Options options;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    options.roots = {
        {SupportFolder::path() + QStringLiteral("/Calendars"), Root::Kind::Collection},
        {data + QStringLiteral("/evolution/calendar"), Root::Kind::DesktopLocal},
    };
    options.desktopSources = config + QStringLiteral("/evolution/sources");
    return options;
}

ICalendarStore::ICalendarStore(QObject *parent) : ICalendarStore(defaultOptions(), parent) {}

ICalendarStore::ICalendarStore(Options options, QObject *parent) : CalendarStore(parent), m_options(std::move(options))
{
    m_changeTimer.setSingleShot(true);
    m_changeTimer.setInterval(m_options.changeDelay);
    connect(&m_changeTimer, &QTimer::timeout, this, &CalendarStore::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_changeTimer, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_changeTimer, qOverload<>(&QTimer::start));
}

ICalendarStore::~ICalendarStore() = default;

void ICalendarStore::requestAccess()
{
    if (m_accessRequested) {
        return;
    }
    m_accessRequested = true;
    bool granted = true;
    for (const Root &root : std::as_const(m_options.roots)) {
        const QFileInfo info(root.path);
        if (!info.exists()) {
            continue;
        }
        if (!info.isDir() || ::access(QFile::encodeName(root.path).constData(), R_OK | X_OK) != 0) {
            qCWarning(lcCalendar, "cannot read the calendars in %s", qUtf8Printable(root.path));
            granted = false;
        }
    }
    m_granted = granted;
    if (granted) {
        scan();
    }
    QMetaObject::invokeMethod(
        this, [this, granted] { Q_EMIT accessResolved(granted); }, Qt::QueuedConnection);
}

QList<CalendarInfo> ICalendarStore::calendars()
{
    if (!m_granted) {
        return {};
    }
    scan();
    QList<CalendarInfo> result;
    for (const Calendar &calendar : std::as_const(m_calendars)) {
        result.append(calendar.info);
    }
    return result;
}

QList<CalendarEvent> ICalendarStore::events(const CalendarEventQuery &query)
{
    if (!m_granted) {
        return {};
    }
    if (!m_scanned) {
        scan();
    }
    QList<const Calendar *> selected;
    if (query.calendarIds) {
        for (const QString &id : *query.calendarIds) {
            if (auto found = m_calendars.constFind(id); found != m_calendars.constEnd()) {
                selected.append(&*found);
            }
        }
    } else {
        for (const Calendar &calendar : std::as_const(m_calendars)) {
            selected.append(&calendar);
        }
    }

    QList<CalendarEvent> result;
    for (const Calendar *calendar : std::as_const(selected)) {
        QStringList paths;
        if (calendar->isFolder) {
            const QDir folder(calendar->path);
            for (const QString &name : folder.entryList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name)) {
                paths.append(folder.filePath(name));
            }
        } else {
            paths.append(calendar->path);
        }
        std::vector<std::shared_ptr<const ICalendarFile>> held;
        std::vector<const ICalendarFile *> files;
        for (const QString &path : std::as_const(paths)) {
            if (auto file = load(path)) {
                files.push_back(file.get());
                held.push_back(std::move(file));
            }
        }
        result.append(ICalendarFile::occurrences(files, query));
    }
    return result;
}

void ICalendarStore::scan()
{
    m_scanned = true;
    m_calendars.clear();
    QStringList watched;
    for (const Root &root : std::as_const(m_options.roots)) {
        const QFileInfo info(root.path);
        if (!info.exists()) {
            // Follow the closest existing parent, so that the root appearing is noticed.
            QDir parent = info.absoluteDir();
            if (!parent.exists()) {
                parent.setPath(QFileInfo(parent.absolutePath()).absolutePath());
            }
            if (parent.exists()) {
                watched.append(parent.absolutePath());
            }
            continue;
        }
        if (root.kind == Root::Kind::Collection) {
            scanCollection(root.path, 0, watched);
        } else {
            scanDesktopLocal(root.path, watched);
        }
    }
    // A calendar renamed on the desktop, or a new one, rewrites its source file.
    if (!m_options.desktopSources.isEmpty() && QFileInfo(m_options.desktopSources).isDir() &&
        std::any_of(m_options.roots.cbegin(), m_options.roots.cend(),
                    [](const Root &root) { return root.kind == Root::Kind::DesktopLocal; })) {
        watched.append(QDir(m_options.desktopSources).absolutePath());
    }
    // Forget parsed files that are gone.
    for (auto it = m_files.begin(); it != m_files.end();) {
        it = QFileInfo::exists(it.key()) ? std::next(it) : m_files.erase(it);
    }
    watch(watched);
}

void ICalendarStore::scanCollection(const QString &folder, int depth, QStringList &watched)
{
    const QDir dir(folder);
    watched.append(dir.absolutePath());
    const auto entries =
        dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Readable, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString canonical = entry.canonicalFilePath();
        if (canonical.isEmpty()) {
            continue; // a dangling link
        }
        if (entry.isFile()) {
            if (entry.suffix().compare(QStringLiteral("ics"), Qt::CaseInsensitive) != 0) {
                continue;
            }
            watched.append(canonical);
            const auto file = load(canonical);
            const QString name = file ? file->calendarName() : QString();
            addCalendar({{canonical, name.isEmpty() ? entry.completeBaseName() : name}, canonical, false});
            continue;
        }
        const QDir sub(canonical);
        const bool isCalendarFolder = sub.exists(QStringLiteral("displayname")) ||
                                      !sub.entryList({QStringLiteral("*.ics")}, QDir::Files).isEmpty();
        if (isCalendarFolder) {
            watched.append(canonical);
            QString title;
            QFile nameFile(sub.filePath(QStringLiteral("displayname")));
            if (nameFile.open(QIODevice::ReadOnly)) {
                title = QString::fromUtf8(nameFile.read(1024)).section(QLatin1Char('\n'), 0, 0).trimmed();
            }
            addCalendar({{canonical, title.isEmpty() ? entry.fileName() : title}, canonical, true});
        } else if (depth + 1 < maxCollectionDepth) {
            scanCollection(canonical, depth + 1, watched);
        }
    }
}

void ICalendarStore::scanDesktopLocal(const QString &root, QStringList &watched)
{
    const bool haveSources = !m_options.desktopSources.isEmpty() && QFileInfo(m_options.desktopSources).isDir();
    const QDir dir(root);
    watched.append(dir.absolutePath());
    for (const QFileInfo &entry : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        watched.append(entry.absoluteFilePath());
        const QFileInfo calendarFile(QDir(entry.absoluteFilePath()).filePath(QStringLiteral("calendar.ics")));
        const QString canonical = calendarFile.canonicalFilePath();
        if (canonical.isEmpty() || !calendarFile.isFile()) {
            continue;
        }
        watched.append(canonical);
        // The personal calendar's folder is "system", its source "system-calendar".
        const QString sourceId =
            entry.fileName() == QStringLiteral("system") ? QStringLiteral("system-calendar") : entry.fileName();
        const QString sourceFile = m_options.desktopSources.isEmpty()
                                       ? QString()
                                       : QDir(m_options.desktopSources).filePath(sourceId + QStringLiteral(".source"));
        if (haveSources && sourceId != QStringLiteral("system-calendar") && !QFileInfo::exists(sourceFile)) {
            continue; // left behind by a calendar removed on the desktop, which keeps its folder
        }
        if (!sourceFile.isEmpty() &&
            keyFileValue(sourceFile, "Data Source", "Enabled").compare(QStringLiteral("false"), Qt::CaseInsensitive) ==
                0) {
            continue; // switched off on the desktop
        }
        QString title = sourceFile.isEmpty() ? QString() : keyFileValue(sourceFile, "Data Source", "DisplayName");
        if (title.isEmpty() && sourceId == QStringLiteral("system-calendar")) {
            title = QStringLiteral("Personal"); // the desktop writes the file out only once it was changed
        }
        if (title.isEmpty()) {
            if (const auto file = load(canonical)) {
                title = file->calendarName();
            }
        }
        addCalendar({{sourceId, title.isEmpty() ? entry.fileName() : title}, canonical, false});
    }
}

void ICalendarStore::addCalendar(Calendar calendar)
{
    if (!m_calendars.contains(calendar.info.id)) {
        m_calendars.emplace(calendar.info.id, std::move(calendar));
    }
}

QStringList ICalendarStore::knownUserAddresses()
{
    QStringList addresses;
    if (m_options.desktopSources.isEmpty()) {
        return addresses;
    }
    const QDir sources(m_options.desktopSources);
    for (const QString &name : sources.entryList({QStringLiteral("*.source")}, QDir::Files, QDir::Name)) {
        const QString address = keyFileValue(sources.filePath(name), "Mail Identity", "Address");
        if (!address.isEmpty() && !addresses.contains(address, Qt::CaseInsensitive)) {
            addresses.append(address);
        }
    }
    return addresses;
}

std::shared_ptr<const ICalendarFile> ICalendarStore::load(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        m_files.remove(path);
        return nullptr;
    }
    const FileStamp stamp{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                          static_cast<std::int64_t>(status.st_size),
                          static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
    if (auto cached = m_files.constFind(path); cached != m_files.constEnd() && cached->stamp == stamp) {
        return cached->file;
    }
    if (stamp.size > maxFileSize) {
        qCWarning(lcCalendar, "skipping %s: larger than %lld bytes", qUtf8Printable(path), maxFileSize);
        m_files.remove(path);
        return nullptr;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_files.remove(path);
        return nullptr;
    }
    auto parsed = ICalendarFile::parse(file.readAll());
    if (!parsed->isValid()) {
        qCInfo(lcCalendar, "skipping %s: not iCalendar", qUtf8Printable(path));
    }
    m_files.insert(path, {stamp, parsed});
    return parsed;
}

void ICalendarStore::watch(const QStringList &paths)
{
    const QSet<QString> wanted(paths.begin(), paths.end());
    QStringList stale;
    for (const QString &path : m_watcher.files() + m_watcher.directories()) {
        if (!wanted.contains(path)) {
            stale.append(path);
        }
    }
    if (!stale.isEmpty()) {
        m_watcher.removePaths(stale);
    }
    const QStringList present = m_watcher.files() + m_watcher.directories();
    QStringList added;
    for (const QString &path : wanted) {
        if (!present.contains(path)) {
            added.append(path);
        }
    }
    if (!added.isEmpty()) {
        m_watcher.addPaths(added);
    }
}
