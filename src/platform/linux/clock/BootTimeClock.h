#pragma once

#include "util/Clock.h"

// CLOCK_BOOTTIME: like CLOCK_MONOTONIC (and std::chrono::steady_clock), but it also counts the time
// the system spends suspended.
class BootTimeClock : public Clock {
public:
    time_point now() const override;
};
