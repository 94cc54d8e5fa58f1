// The calendar server module's entry points; see BackendModule.h.
#include "platform/linux/BackendModule.h"
#include "platform/linux/calendar/EdsCalendarStore.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT const char *kestrix_module_abi()
{
    return BackendModule::kAbi;
}

// A new store of the calendar server's calendars; the caller owns it.
extern "C" Q_DECL_EXPORT CalendarStore *kestrix_calendar_server_store_new()
{
    return new EdsCalendarStore;
}
