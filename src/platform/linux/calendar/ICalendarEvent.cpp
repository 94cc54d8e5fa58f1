#include "platform/linux/calendar/ICalendarEvent.h"

#include <algorithm>
#include <map>

namespace ICalendarDetail {
namespace {

// Bounds what one recurrence rule may produce in one expansion, whatever the rule says.
constexpr int maxRuleSteps = 20000;
constexpr qint64 dayMs = qint64{24} * 3600 * 1000;
// A recurring event's occurrences are worked out this far past the window asked for, and served
// from there while later windows fit: the watcher's window moves by seconds at a time.
constexpr qint64 expansionReachMs = 7 * dayMs;

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

} // namespace

QString normalizedAddress(QString address)
{
    address = address.trimmed();
    if (address.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive)) {
        address.remove(0, 7);
    }
    return address.toLower();
}

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

} // namespace ICalendarDetail
