#pragma once

#include <QCoreApplication>
#include <QThreadPool>

#include <coroutine>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// `co_await OffMainThread(pool, owner, work)` runs `work` on the thread pool and resumes the
// calling coroutine on the main thread with its result. `work` must not touch main-thread state.
// When `owner` has expired by the time the work is done, the coroutine is never resumed (its
// frame is given up), so code after the await may use the owner freely.
template <typename Work>
class OffMainThread {
public:
    using Value = std::invoke_result_t<Work &>;

    OffMainThread(QThreadPool &pool, std::weak_ptr<void> owner, Work work)
        : m_pool(pool), m_owner(std::move(owner)), m_work(std::move(work))
    {}

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle)
    {
        m_pool.start([this, handle] {
            m_result.emplace(m_work());
            // The result is published to the main thread by the event queue's own locking.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [handle, owner = m_owner] {
                    if (!owner.expired()) {
                        handle.resume();
                    }
                },
                Qt::QueuedConnection);
        });
    }
    Value await_resume() { return std::move(*m_result); }

private:
    QThreadPool &m_pool;
    std::weak_ptr<void> m_owner;
    Work m_work;
    std::optional<Value> m_result;
};
