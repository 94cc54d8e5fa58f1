#pragma once

#include "signals/CalendarStore.h"

#include <QList>
#include <QSet>
#include <QString>

#include <map>
#include <memory>
#include <string>
#include <utility>

// GLib-based headers come after Qt's. The build defines QT_NO_KEYWORDS, so GLib's struct members
// named "signals" are not taken for Qt's macro.
#include <libecal/libecal.h>

// The calendar server's events as meetings: the components a calendar's view holds, keyed as the
// server keys them, and their occurrences within a window, recurrences expanded by the client
// library in the events' own zones, detached instances standing in for the occurrences they
// replace, and the user's declines marked.
namespace eds {

struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object) {
            g_object_unref(object);
        }
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

using ObjectKey = std::pair<std::string, std::string>; // UID, RECURRENCE-ID ("" for the series)
using Objects = std::map<ObjectKey, GPtr<ICalComponent>>;

ObjectKey keyOf(ICalComponent *component);

// An attendee's or identity's address as compared: trimmed, without "mailto:", in lower case.
QString normalizedAddress(QString address);

// Appends to `result` the occurrences of the timed, not cancelled events among `objects` that
// overlap the query's window; `user` holds the user's normalized addresses. `client` resolves the
// zones the events name beyond the built-in table.
void appendOccurrences(const Objects &objects, ECalClient *client, const CalendarEventQuery &query,
                       const QSet<QString> &user, QList<CalendarEvent> &result);

} // namespace eds
