#pragma once

#include <QTimer>

#include <chrono>
#include <coroutine>

// `co_await Sleep{duration}` suspends the calling coroutine for a while on the main thread's event
// loop. The timer has no context object, so the wait always ends while the event loop runs.
class Sleep {
public:
    explicit Sleep(std::chrono::milliseconds duration) : m_duration(duration) {}
    bool await_ready() const noexcept { return m_duration.count() <= 0; }
    void await_suspend(std::coroutine_handle<> handle) const
    {
        QTimer::singleShot(m_duration, Qt::PreciseTimer, [handle] { handle.resume(); });
    }
    void await_resume() const noexcept {}

private:
    std::chrono::milliseconds m_duration;
};
