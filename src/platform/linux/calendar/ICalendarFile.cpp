#include "platform/linux/calendar/ICalendarFile.h"

#include "platform/linux/calendar/ICalendarEvent.h"
#include "platform/linux/calendar/StderrCapture.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>

Q_LOGGING_CATEGORY(lcCalendarFiles, "kestrix.signals.calendar", QtCriticalMsg)

using namespace ICalendarDetail;

namespace {

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
            qCInfo(lcCalendarFiles, "libical: %s", qUtf8Printable(line.remove(sourceLocation)));
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
