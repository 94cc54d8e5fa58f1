// Arbitrary bytes as the text of a calendar file: parsing and expanding what was parsed never
// crashes, and every occurrence reported lies inside the window asked for, ends no earlier than
// it starts, and is timed (events on whole days are no meetings).
#include "platform/linux/calendar/ICalendarFile.h"

#include <cstdio>

#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fputs("invariant broken: " #condition "\n", stderr);                                                  \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto file = ICalendarFile::parse(text);
    FUZZ_REQUIRE(file);
    if (!file->isValid()) {
        FUZZ_REQUIRE(file->calendarName().isEmpty());
    }

    // The seeds' events lie around this week.
    static const QDateTime from(QDate(2024, 3, 11), QTime(0, 0), Qt::UTC);
    static const QDateTime to = from.addDays(3);
    const CalendarEventQuery query{from, to, std::nullopt, {QStringLiteral("me@example.org")}};
    for (const CalendarEvent &occurrence : ICalendarFile::occurrences({file.get()}, query)) {
        FUZZ_REQUIRE(occurrence.start.isValid() && occurrence.end.isValid());
        FUZZ_REQUIRE(occurrence.start <= to && occurrence.end >= from);
        FUZZ_REQUIRE(occurrence.start <= occurrence.end);
        FUZZ_REQUIRE(!occurrence.isAllDay);
    }
    return 0;
}
