#pragma once

#include <QString>

#include <algorithm>
#include <chrono>

// One factor for the real-time durations of the tests: the time-outs they give the code under test
// and the waits measured against those. It is 1 in a plain build, 4 under the sanitizers, and
// $KESTRIX_TEST_TIME_FACTOR (a number, at least 1) when set, for a machine busier still. Scaling a
// time-out and the slack around it alike makes a slow machine run a test slower, never wrong.
namespace TestTime {

inline double factor()
{
    static const double value = [] {
        bool ok = false;
        const double configured = qEnvironmentVariable("KESTRIX_TEST_TIME_FACTOR").toDouble(&ok);
        if (ok && configured >= 1.0) {
            return configured;
        }
#if defined(__SANITIZE_ADDRESS__)
        return 4.0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
        return 4.0;
#else
        return 1.0;
#endif
#else
        return 1.0;
#endif
    }();
    return value;
}

// `duration` times the factor, in whole milliseconds.
template <typename Rep, typename Period>
std::chrono::milliseconds scaled(std::chrono::duration<Rep, Period> duration)
{
    const auto ms = std::chrono::duration<double, std::milli>(duration).count() * factor();
    return std::chrono::milliseconds(std::max<long long>(1, static_cast<long long>(ms)));
}

} // namespace TestTime
