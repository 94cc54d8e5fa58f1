#pragma once

#include "device/Bytes.h"
#include "device/DorvelDeviceManager.h"
#include "device/FirmwareVersion.h"
#include "device/UpdateResponse.h"
#include "firmware/TarnUpdateState.h"
#include "util/Result.h"

#include <QCoroTask>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <variant>

// The device part of one firmware update run: the update reports (command 0x03), their replies,
// time-outs and retries, the reboot wait and the confirming query. Every request goes through an
// exclusive link, so nothing else can take the request slot while a reply is awaited. Reports are
// sent strictly one at a time. One instance per run; it must outlive the operations it runs.
// Main thread.
class TarnFirmwareTransfer {
public:
    using RequestError = DorvelDeviceManager::RequestError;
    // A step fails with an update error, or with an error of the link, which the run reports as
    // deviceStoppedResponding.
    using Error = std::variant<TarnUpdateError, RequestError>;
    template <typename T>
    using Outcome = Result<T, Error>;

    static constexpr std::size_t chunkPayload = 28;
    // 28 x 65,536: every chunk gets its own 16-bit sequence number.
    static constexpr std::size_t largestImage = chunkPayload * 65536;

    struct Timings {
        std::chrono::milliseconds startTimeout{3000};
        std::chrono::milliseconds chunkTimeout{3000};
        std::chrono::milliseconds endTimeout{5000};
        std::chrono::milliseconds abortTimeout{1000};
        std::chrono::milliseconds rebootWait{22000};
        std::chrono::milliseconds confirmTimeout{5000};
    };
    // How often one chunk is sent while its replies time out.
    static constexpr int chunkSends = 3;

    // `publish` receives the states the transfer goes through, in order.
    TarnFirmwareTransfer(const DorvelDeviceManager::ExclusiveLink &link, Timings timings,
                         std::function<void(const TarnUpdateState &)> publish);

    // Size check, update-start, the chunks, update-end, the reboot wait and the confirming query.
    // The value is the state the run ends in without the failure path: succeeded, or failed with
    // imageTooLargeForProtocol (nothing was sent) or revertedByWatchdog (the device is back with an
    // older version than `target`). An error goes through the caller's failure path: abort report,
    // then failed. The confirmed device state is published as the manager's lastQuery.
    QCoro::Task<Outcome<TarnUpdateState>> run(Bytes image, FirmwareVersion target);

    // Sends `report` and decodes the first reply whose byte 0 is 0x03; malformedResponse when it
    // does not decode.
    QCoro::Task<Outcome<UpdateResponse>> awaitUpdateResponse(Bytes report, std::chrono::milliseconds timeout);
    QCoro::Task<Outcome<Done>> sendStart(std::uint32_t totalSize, std::uint32_t crc32);
    // Sends 1 to 28 image bytes under `sequence`; the value is the sequence number of the next
    // chunk. A chunk is sent up to three times while replies time out. After such an unanswered
    // send, badSequence naming the very next number means the device stored the chunk and only its
    // acknowledgement was lost: the chunk counts as sent. Any other badSequence is transferDesynced.
    QCoro::Task<Outcome<std::uint16_t>> sendChunk(std::uint16_t sequence, Bytes chunk);
    // Publishes verifying, then sends update-end.
    QCoro::Task<Outcome<Done>> sendEnd();
    // Sends the abort report and ignores whatever comes back.
    QCoro::Task<> abortBestEffort();

    // The error a reply status stands for; none for ok.
    static std::optional<TarnUpdateError> errorFor(UpdateStatus status);

private:
    const DorvelDeviceManager::ExclusiveLink &m_link;
    Timings m_timings;
    std::function<void(const TarnUpdateState &)> m_publish;
};
