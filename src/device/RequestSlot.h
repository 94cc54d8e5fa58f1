#pragma once

#include "device/Bytes.h"
#include "util/Clock.h"
#include "util/Result.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class HidConnection;

// How a request to the device failed.
enum class RequestError { notConnected, timeout, malformedResponse };

// The one request that waits for a reply from the device, and the replies still owed to earlier
// requests. It matches input reports to requests and decides when a request has run out of time;
// it holds no timer and no event loop, so its owner asks it at the times it names (nextWake()).
// A request belongs to the connection it was written to: only that connection's reports answer
// it, and that connection's removal ends it at once. Ended requests are handed back to the caller,
// which resumes them (the slot never calls out while its own state is half changed).
//
// Why replies are owed at all: the device's replies carry no request id, only the command byte of
// the request they answer, and the device answers its requests in order, at most once each. A
// request that ended without its reply (displaced by a newer one, or timed out) may still get
// that reply later, and it would then look exactly like the answer to the next request of the same
// kind: a preset check mark or the color window would show the state from before, a late chunk
// acknowledgement would be taken for the resend's and desynchronise the transfer. So such a request
// leaves an owed entry behind until its deadline plus a short grace period. A reply that an owed
// entry accepts while the pending request would accept it too is held back instead of delivered:
// if another reply of that kind follows within the grace period, the held one was the late reply
// and the newer one is the answer; if none follows, the held one was the answer after all (the late
// reply was lost) and is delivered when the grace period ends. An owed entry too many thus costs the
// next request a delay of at most the grace period, never a wrong answer; an owed entry too few
// (a reply later than the grace period) is what the grace period trades against that delay, and
// is bounded by it. Because the device answers in order, a reply to a later request also tells
// that every earlier reply of that connection is lost: their entries go.
class RequestSlot {
public:
    using TimePoint = Clock::time_point;
    using Match = std::function<bool(ByteView)>;
    using Outcome = Result<Bytes, RequestError>;
    // Resumes the request's caller with its outcome; called once.
    using Resume = std::function<void(Outcome)>;

    // A request that has ended, with how; the caller runs `resume(outcome)`.
    struct Ended {
        Resume resume;
        Outcome outcome;
        void operator()() { resume(std::move(outcome)); }
    };

    explicit RequestSlot(std::chrono::milliseconds grace) : m_grace(grace) {}

    // Fills the slot with a request to `connection` that runs out at `deadline`, and returns its
    // serial number for markWritten(). A request still waiting is displaced: it is returned in
    // `displaced`, ended with timeout, and owes its reply if its report was written.
    std::uint64_t begin(const HidConnection *connection, Match match, TimePoint deadline, Resume resume,
                        std::optional<Ended> &displaced);
    // The report of request `serial` reached its device, so a reply may come. Does nothing when that
    // request has ended meanwhile (a device may answer inside the write).
    void markWritten(std::uint64_t serial);

    // An input report from `from` at `now`: the request it answers, ended, or nothing (dropped,
    // taken as an owed reply, or held back as described above).
    std::optional<Ended> offer(const HidConnection *from, ByteView reply, TimePoint now);
    // `connection` is gone: its request ends with notConnected (or with a reply held back for it),
    // and nothing is owed by it any more.
    std::optional<Ended> forget(const HidConnection *connection);
    // Ends what has run out by `now`: a held reply is delivered, a request past its deadline ends
    // with timeout (and owes its reply). Forgets owed entries whose time is over.
    std::optional<Ended> expire(TimePoint now);
    // Ends a waiting request with `error` (the owner is going away).
    std::optional<Ended> cancel(RequestError error);

    // When expire() next has something to do; none while no request waits.
    std::optional<TimePoint> nextWake() const;
    bool isWaiting() const { return m_pending.has_value(); }
    const HidConnection *waitingOn() const { return m_pending ? m_pending->connection : nullptr; }
    // Owed entries of `connection` (all connections when null), for tests and diagnostics.
    std::size_t owedCount(const HidConnection *connection = nullptr) const;

private:
    struct Pending {
        std::uint64_t serial = 0;
        const HidConnection *connection = nullptr;
        Match match;
        TimePoint deadline;
        Resume resume;
        bool written = false;
        std::optional<Bytes> held; // a reply that may be a late one owed to an earlier request
        TimePoint heldUntil;
    };
    struct Owed {
        const HidConnection *connection = nullptr;
        Match match;
        TimePoint until;
    };

    void leaveOwed(const Pending &pending);
    void forgetExpiredOwed(TimePoint now);
    // Removes `connection`'s entries up to and including the first one that accepts `reply`; false
    // (and nothing removed) when none accepts it.
    bool takeOwed(const HidConnection *connection, ByteView reply);
    void forgetOwed(const HidConnection *connection);

    std::chrono::milliseconds m_grace;
    std::uint64_t m_lastSerial = 0;
    std::optional<Pending> m_pending;
    std::deque<Owed> m_owed; // oldest first
};
