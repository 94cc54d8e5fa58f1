#include "device/RequestSlot.h"
#include "support/TestMain.h"

#include <optional>

using namespace std::chrono_literals;

namespace {
using TimePoint = RequestSlot::TimePoint;

const auto *const deviceA = reinterpret_cast<const HidConnection *>(0x1000);
const auto *const deviceB = reinterpret_cast<const HidConnection *>(0x2000);
constexpr TimePoint t0{1h};
const Bytes stateReply1{0xFF, 1};
const Bytes stateReply2{0xFF, 2};

bool isState(ByteView bytes)
{
    return !bytes.empty() && bytes[0] == 0xFF;
}

// One request's outcome as it is resumed.
struct Outcome {
    std::optional<RequestSlot::Outcome> value;
    RequestSlot::Resume resume()
    {
        return [this](RequestSlot::Outcome outcome) {
            value = std::move(outcome);
        };
    }
};

void run(std::optional<RequestSlot::Ended> ended)
{
    if (ended) {
        (*ended)();
    }
}

// A request to `device` that timed out at t0 + 100 ms after its report was written.
void timedOut(RequestSlot &slot, Outcome &outcome, const HidConnection *device = deviceA)
{
    std::optional<RequestSlot::Ended> displaced;
    slot.markWritten(slot.begin(device, isState, t0 + 100ms, outcome.resume(), displaced));
    run(slot.expire(t0 + 100ms));
    QCOMPARE(outcome.value->error(), RequestError::timeout);
}
} // namespace

class RequestSlotTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A timed-out request's reply that comes late is not the next request's answer; the one after it is.
    void lateReplyThenAnswer()
    {
        RequestSlot slot(50ms);
        Outcome first, second;
        timedOut(slot, first);
        std::optional<RequestSlot::Ended> displaced;
        slot.begin(deviceA, isState, t0 + 300ms, second.resume(), displaced);
        run(slot.offer(deviceA, stateReply1, t0 + 120ms));
        QVERIFY(!second.value);
        run(slot.offer(deviceA, stateReply2, t0 + 125ms));
        QCOMPARE(second.value->value(), stateReply2);
        QCOMPARE(slot.owedCount(), 0u);
    }

    // The late reply was lost: the answer, held back, is delivered when the grace period ends.
    void lostLateReplyDelaysTheAnswerByTheGracePeriod()
    {
        RequestSlot slot(50ms);
        Outcome first, second;
        timedOut(slot, first);
        std::optional<RequestSlot::Ended> displaced;
        slot.begin(deviceA, isState, t0 + 300ms, second.resume(), displaced);
        run(slot.offer(deviceA, stateReply2, t0 + 110ms));
        QCOMPARE(slot.nextWake(), std::optional<TimePoint>(t0 + 160ms));
        run(slot.expire(t0 + 159ms));
        QVERIFY(!second.value);
        run(slot.expire(t0 + 160ms));
        QCOMPARE(second.value->value(), stateReply2);

        // A device that goes right after answering leaves the held reply as the answer.
        Outcome third, fourth;
        timedOut(slot, third);
        std::optional<RequestSlot::Ended> ignored;
        slot.begin(deviceA, isState, t0 + 300ms, fourth.resume(), ignored);
        run(slot.offer(deviceA, stateReply1, t0 + 110ms));
        run(slot.forget(deviceA));
        QCOMPARE(fourth.value->value(), stateReply1);
    }

    // Past the grace period nothing is owed any more: a reply answers at once.
    void owedReplyExpires()
    {
        RequestSlot slot(50ms);
        Outcome first, second;
        timedOut(slot, first);
        std::optional<RequestSlot::Ended> displaced;
        slot.begin(deviceA, isState, t0 + 400ms, second.resume(), displaced);
        run(slot.offer(deviceA, stateReply2, t0 + 150ms));
        QCOMPARE(second.value->value(), stateReply2);
    }

    // A request belongs to the device it was written to: another device's replies never answer it,
    // nor are they taken for what that device owes, and its device's removal ends it at once.
    void requestBelongsToItsConnection()
    {
        RequestSlot slot(50ms);
        Outcome onA, onB;
        timedOut(slot, onA);
        std::optional<RequestSlot::Ended> displaced;
        slot.begin(deviceB, isState, t0 + 300ms, onB.resume(), displaced);
        run(slot.offer(deviceA, stateReply1, t0 + 110ms));
        QVERIFY(!onB.value);
        run(slot.offer(deviceB, stateReply2, t0 + 111ms));
        QCOMPARE(onB.value->value(), stateReply2);

        Outcome removed;
        slot.begin(deviceB, isState, t0 + 500ms, removed.resume(), displaced);
        run(slot.forget(deviceA));
        QVERIFY(!removed.value);
        run(slot.forget(deviceB));
        QCOMPARE(removed.value->error(), RequestError::notConnected);
        QVERIFY(!slot.isWaiting());
    }

    // A displaced request ends with timeout; what it owes is kept only if its report was written.
    void displacement()
    {
        RequestSlot slot(50ms);
        Outcome unwritten, written, last;
        std::optional<RequestSlot::Ended> displaced;
        slot.begin(deviceA, isState, t0 + 100ms, unwritten.resume(), displaced);
        slot.markWritten(slot.begin(deviceA, isState, t0 + 100ms, written.resume(), displaced));
        run(std::move(displaced));
        QCOMPARE(unwritten.value->error(), RequestError::timeout);
        QCOMPARE(slot.owedCount(deviceA), 0u);
        slot.begin(deviceA, isState, t0 + 100ms, last.resume(), displaced);
        run(std::move(displaced));
        QCOMPARE(written.value->error(), RequestError::timeout);
        QCOMPARE(slot.owedCount(deviceA), 1u);
    }
};

QTEST_APPLESS_MAIN(RequestSlotTest)
#include "tst_requestslot.moc"
