#include "device/RequestSlot.h"

#include <algorithm>
#include <utility>

std::uint64_t RequestSlot::begin(const HidConnection *connection, Match match, TimePoint deadline, Resume resume,
                                 std::optional<Ended> &displaced)
{
    displaced.reset();
    if (auto previous = std::exchange(m_pending, std::nullopt)) {
        leaveOwed(*previous);
        displaced = Ended{std::move(previous->resume), RequestError::timeout};
    }
    m_pending = Pending{++m_lastSerial, connection, std::move(match), deadline, std::move(resume), false, {}, {}};
    return m_lastSerial;
}

void RequestSlot::markWritten(std::uint64_t serial)
{
    if (m_pending && m_pending->serial == serial) {
        m_pending->written = true;
    }
}

void RequestSlot::leaveOwed(const Pending &pending)
{
    // A held reply may be this request's own; owing one more reply than is coming only delays the
    // next answer by the grace period (see the class comment).
    if (pending.written) {
        m_owed.push_back({pending.connection, pending.match, pending.deadline + m_grace});
    }
}

void RequestSlot::forgetExpiredOwed(TimePoint now)
{
    std::erase_if(m_owed, [now](const Owed &owed) { return owed.until <= now; });
}

bool RequestSlot::takeOwed(const HidConnection *connection, ByteView reply)
{
    const auto accepting = std::find_if(m_owed.begin(), m_owed.end(), [&](const Owed &owed) {
        return owed.connection == connection && owed.match(reply);
    });
    if (accepting == m_owed.end()) {
        return false;
    }
    // The device answers in order: the entries of this connection before the one answered now will
    // get no reply any more.
    const auto end = std::next(accepting);
    m_owed.erase(
        std::remove_if(m_owed.begin(), end, [connection](const Owed &owed) { return owed.connection == connection; }),
        end);
    return true;
}

void RequestSlot::forgetOwed(const HidConnection *connection)
{
    std::erase_if(m_owed, [connection](const Owed &owed) { return owed.connection == connection; });
}

std::optional<RequestSlot::Ended> RequestSlot::offer(const HidConnection *from, ByteView reply, TimePoint now)
{
    forgetExpiredOwed(now);
    const bool answersPending = m_pending && m_pending->connection == from && m_pending->match(reply);
    const bool wasOwed = takeOwed(from, reply);
    if (!answersPending) {
        return std::nullopt; // a late reply to an earlier request, or one nobody asked for
    }
    if (wasOwed) {
        // It may be the late reply owed to an earlier request or the answer, whose reply then
        // was lost; a newer held reply replaces an older one, which cannot be the answer.
        m_pending->held = Bytes(reply.begin(), reply.end());
        m_pending->heldUntil = now + m_grace;
        return std::nullopt;
    }
    forgetOwed(from);
    auto pending = *std::exchange(m_pending, std::nullopt);
    return Ended{std::move(pending.resume), Bytes(reply.begin(), reply.end())};
}

std::optional<RequestSlot::Ended> RequestSlot::forget(const HidConnection *connection)
{
    forgetOwed(connection);
    if (!m_pending || m_pending->connection != connection) {
        return std::nullopt;
    }
    auto pending = *std::exchange(m_pending, std::nullopt);
    // No later reply can come to tell a held one for late: it is the answer, as at the end of the
    // grace period (a device that reboots once it has answered goes right after its reply).
    if (pending.held) {
        return Ended{std::move(pending.resume), std::move(*pending.held)};
    }
    return Ended{std::move(pending.resume), RequestError::notConnected};
}

std::optional<RequestSlot::Ended> RequestSlot::expire(TimePoint now)
{
    std::optional<Ended> ended;
    if (m_pending && m_pending->held && (now >= m_pending->heldUntil || now >= m_pending->deadline)) {
        auto pending = *std::exchange(m_pending, std::nullopt);
        ended = Ended{std::move(pending.resume), std::move(*pending.held)};
    } else if (m_pending && now >= m_pending->deadline) {
        auto pending = *std::exchange(m_pending, std::nullopt);
        leaveOwed(pending);
        ended = Ended{std::move(pending.resume), RequestError::timeout};
    }
    forgetExpiredOwed(now);
    return ended;
}

std::optional<RequestSlot::Ended> RequestSlot::cancel(RequestError error)
{
    if (!m_pending) {
        return std::nullopt;
    }
    auto pending = *std::exchange(m_pending, std::nullopt);
    return Ended{std::move(pending.resume), error};
}

std::optional<RequestSlot::TimePoint> RequestSlot::nextWake() const
{
    if (!m_pending) {
        return std::nullopt;
    }
    return m_pending->held ? std::min(m_pending->heldUntil, m_pending->deadline) : m_pending->deadline;
}

std::size_t RequestSlot::owedCount(const HidConnection *connection) const
{
    return static_cast<std::size_t>(std::count_if(m_owed.begin(), m_owed.end(), [connection](const Owed &owed) {
        return !connection || owed.connection == connection;
    }));
}
