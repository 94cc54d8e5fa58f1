#include "platform/linux/clock/BootTimeClock.h"

#include <ctime>

Clock::time_point BootTimeClock::now() const
{
    timespec ts{};
    // Cannot fail for a clock id the kernel has supported since 2.6.39 and a valid pointer.
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return time_point(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
}
