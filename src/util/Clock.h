#pragma once

#include <chrono>

// A monotonic clock that keeps counting while the machine is suspended, so a deadline taken before
// a sleep is judged by the time that really passed. Never goes backwards. Main thread only.
class Clock {
public:
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock, duration>;

    virtual ~Clock() = default;

    // Time since an arbitrary origin fixed for the clock's lifetime.
    virtual time_point now() const = 0;
};
