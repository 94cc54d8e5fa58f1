#include "firmware/TarnFirmwareTransfer.h"

#include "device/Dorvel.h"

#include <algorithm>
#include <array>
#include <string>

using Kind = TarnUpdateError::Kind;

namespace {
bool isUpdateReply(ByteView bytes)
{
    return !bytes.empty() && bytes[0] == Dorvel::firmwareUpdateCommand;
}

// Results hold the error variant; these name which side it is on.
TarnFirmwareTransfer::Error updateError(TarnUpdateError error)
{
    return error;
}
TarnFirmwareTransfer::Error linkError(TarnFirmwareTransfer::RequestError error)
{
    return error;
}

template <typename T>
bool failedWith(const Result<T, TarnFirmwareTransfer::Error> &result, TarnFirmwareTransfer::RequestError error)
{
    const auto *request = std::get_if<TarnFirmwareTransfer::RequestError>(&result.error());
    return request && *request == error;
}
} // namespace

TarnFirmwareTransfer::TarnFirmwareTransfer(const DorvelDeviceManager::ExclusiveLink &link, Timings timings,
                                           std::function<void(const TarnUpdateState &)> publish)
    : m_link(link), m_timings(timings), m_publish(std::move(publish))
{}

std::optional<TarnUpdateError> TarnFirmwareTransfer::errorFor(UpdateStatus status)
{
    switch (status) {
    case UpdateStatus::ok:
        return std::nullopt;
    case UpdateStatus::tooLarge:
        return Kind::deviceTooLarge;
    case UpdateStatus::badSequence:
        return Kind::transferDesynced;
    case UpdateStatus::crcMismatch:
        return Kind::checksumRejectedByDevice;
    case UpdateStatus::flashWriteFailed:
        return Kind::deviceFlashWrite;
    case UpdateStatus::notStarted:
        return Kind::deviceNotStarted;
    case UpdateStatus::busy:
        return Kind::deviceAlreadyActive;
    case UpdateStatus::noPartitionTable:
        return Kind::deviceNoPartitionTable;
    }
    return Kind::deviceStoppedResponding;
}

QCoro::Task<TarnFirmwareTransfer::Outcome<UpdateResponse>>
TarnFirmwareTransfer::awaitUpdateResponse(Bytes report, std::chrono::milliseconds timeout)
{
    auto reply = co_await m_link.sendAndWait(std::move(report), timeout, isUpdateReply);
    if (!reply.ok()) {
        co_return linkError(reply.error());
    }
    if (auto decoded = UpdateResponse::fromBytes(reply.value())) {
        co_return *decoded;
    }
    co_return linkError(RequestError::malformedResponse);
}

QCoro::Task<TarnFirmwareTransfer::Outcome<Done>> TarnFirmwareTransfer::sendStart(std::uint32_t totalSize,
                                                                                 std::uint32_t crc32)
{
    auto reply = co_await awaitUpdateResponse(Dorvel::buildUpdateStartReport(totalSize, crc32), m_timings.startTimeout);
    if (!reply.ok()) {
        co_return reply.error();
    }
    if (auto error = errorFor(reply->status)) {
        co_return updateError(*error);
    }
    co_return Done{};
}

QCoro::Task<TarnFirmwareTransfer::Outcome<std::uint16_t>> TarnFirmwareTransfer::sendChunk(std::uint16_t sequence,
                                                                                          Bytes chunk)
{
    Bytes report(Dorvel::reportLength, 0);
    report[0] = Dorvel::firmwareUpdateCommand;
    report[1] = Dorvel::Update::chunk;
    report[2] = static_cast<std::uint8_t>(sequence & 0xFF);
    report[3] = static_cast<std::uint8_t>(sequence >> 8);
    std::copy_n(chunk.begin(), std::min(chunk.size(), chunkPayload), report.begin() + 4);

    const auto next = static_cast<std::uint16_t>(sequence + 1);
    bool sentUnanswered = false;
    for (int sends = 1;; ++sends) {
        auto reply = co_await awaitUpdateResponse(report, m_timings.chunkTimeout);
        if (!reply.ok()) {
            if (!failedWith(reply, RequestError::timeout)) {
                co_return reply.error();
            }
            if (sends >= chunkSends) {
                co_return updateError(Kind::deviceStoppedResponding);
            }
            sentUnanswered = true;
            continue;
        }
        if (reply->status == UpdateStatus::ok) {
            co_return next;
        }
        if (reply->status == UpdateStatus::badSequence) {
            // The device stores a chunk only under the number it expects and sends nothing ahead of
            // an acknowledgement, so it can be ahead by one chunk at most: the one whose reply was
            // lost. Sending the same bytes again under the new number would store them twice.
            if (sentUnanswered && reply->expectedSequence == next) {
                co_return next;
            }
            co_return updateError(Kind::transferDesynced);
        }
        co_return updateError(*errorFor(reply->status));
    }
}

QCoro::Task<TarnFirmwareTransfer::Outcome<Done>> TarnFirmwareTransfer::sendEnd()
{
    m_publish(TarnUpdateState::verifying());
    const std::array<std::uint8_t, 2> end{Dorvel::firmwareUpdateCommand, Dorvel::Update::end};
    auto reply = co_await awaitUpdateResponse(Dorvel::padded(end), m_timings.endTimeout);
    if (!reply.ok()) {
        co_return reply.error();
    }
    if (auto error = errorFor(reply->status)) {
        co_return updateError(*error);
    }
    co_return Done{};
}

QCoro::Task<> TarnFirmwareTransfer::abortBestEffort()
{
    const std::array<std::uint8_t, 2> abort{Dorvel::firmwareUpdateCommand, Dorvel::Update::abort};
    co_await awaitUpdateResponse(Dorvel::padded(abort), m_timings.abortTimeout);
}

QCoro::Task<TarnFirmwareTransfer::Outcome<TarnUpdateState>> TarnFirmwareTransfer::run(Bytes image,
                                                                                      FirmwareVersion target)
{
    if (image.size() > largestImage) {
        co_return TarnUpdateState::failed(Kind::imageTooLargeForProtocol);
    }
    const auto total = static_cast<std::uint32_t>(image.size());
    const std::uint32_t crc = Dorvel::crc32(image);
    DorvelDeviceManager *manager = m_link.manager();
    if (!manager) {
        co_return linkError(RequestError::notConnected);
    }
    const std::optional<LocationID> location = manager->currentLocationID();
    const std::optional<std::string> identity = manager->deviceID();

    if (auto started = co_await sendStart(total, crc); !started.ok()) {
        co_return started.error();
    }
    std::uint16_t sequence = 0;
    for (std::size_t offset = 0; offset < image.size(); offset += chunkPayload) {
        const std::size_t end = std::min(offset + chunkPayload, image.size());
        auto next = co_await sendChunk(sequence, Bytes(image.begin() + static_cast<std::ptrdiff_t>(offset),
                                                       image.begin() + static_cast<std::ptrdiff_t>(end)));
        if (!next.ok()) {
            co_return next.error();
        }
        sequence = next.value();
        m_publish(TarnUpdateState::transferring(static_cast<std::int64_t>(end), total));
    }

    // The device answers update-end before it goes down, so it is still attached when the reply
    // arrives: only an attach after this one means it is back.
    manager = m_link.manager();
    if (!manager) {
        co_return linkError(RequestError::notConnected);
    }
    const std::uint64_t attachesBefore = manager->attachCount();
    if (auto ended = co_await sendEnd(); !ended.ok()) {
        co_return ended.error();
    }

    m_publish(TarnUpdateState::waitingForReboot());
    manager = m_link.manager();
    if (!manager) {
        co_return linkError(RequestError::notConnected);
    }
    auto back = co_await manager->waitForReconnect(location, m_timings.rebootWait, attachesBefore);
    if (!back.ok()) {
        if (back.error() == RequestError::timeout) {
            co_return updateError(Kind::reconnectTimeout);
        }
        co_return linkError(back.error());
    }

    m_publish(TarnUpdateState::confirmingVersion());
    auto query = co_await m_link.queryDevice(m_timings.confirmTimeout);
    if (!query.ok()) {
        co_return linkError(query.error());
    }
    // The attach's own state query was refused while this run held the link; without this the
    // rebooted device would stay without a published state.
    if (auto *m = m_link.manager()) {
        m->setLastQuery(query.value());
    }
    co_await m_link.refreshDeviceIDAfterReboot();
    // Another Dorvel plugged into the same port while this one was away is not the one updated.
    if (const auto *m = m_link.manager(); m && identity && m->deviceID() && *m->deviceID() != *identity) {
        co_return updateError(Kind::reconnectTimeout);
    }

    const FirmwareVersion running = query->version;
    if (running >= target) {
        co_return TarnUpdateState::succeeded(running);
    }
    co_return TarnUpdateState::failed(TarnUpdateError::revertedByWatchdog(running));
}
