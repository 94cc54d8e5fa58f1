#pragma once

#include "platform/linux/calendar/ICalendarTime.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// One VEVENT as far as it decides when the event takes place, and its occurrences. Internal to the
// calendar file reading.
namespace ICalendarDetail {

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

// The event of a VEVENT; absent without a usable DTSTART.
std::optional<Event> readEvent(icalcomponent *component, ZoneResolver &zones);

// An attendee's address as compared: without "mailto:", trimmed, lower case.
QString normalizedAddress(QString address);

// The event's own start and end (ms since the epoch), the end never before the start.
std::optional<std::pair<qint64, qint64>> spanOf(const Event &event);

// The series' occurrences overlapping [from, to] before overrides: DTSTART, the RRULEs and the
// RDATEs, less the EXDATEs. Kept in the event and served from there while later windows fit.
const std::vector<std::pair<qint64, qint64>> &seriesSpans(const Event &event, qint64 from, qint64 to);

} // namespace ICalendarDetail
