#pragma once

#include "util/Clock.h"

// A clock that moves only when the test moves it, so minutes of countdown pass in an instant.
class FakeClock : public Clock {
public:
    time_point now() const override
    {
        ++m_reads;
        return m_now;
    }

    void advance(duration by) { m_now += by; }

    // How often the clock has been read: a test that waits for this to grow knows the code under
    // test has looked at the time since.
    int reads() const { return m_reads; }

private:
    time_point m_now{std::chrono::hours(1)};
    mutable int m_reads = 0;
};
