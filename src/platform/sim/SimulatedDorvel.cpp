#include "platform/sim/SimulatedDorvel.h"

#include "device/DeviceQueryResponse.h"

#include <algorithm>

SimulatedDorvel::SimulatedDorvel(Config config) : m_config(config) {}

SimulatedDorvel::~SimulatedDorvel()
{
    if (m_host) {
        m_host->forgetDevice(*this);
    }
}

std::optional<Bytes> SimulatedDorvel::handleReport(ByteView report)
{
    if (onReportReceived) {
        onReportReceived(report);
    }
    // Between a verified update and the power going, the firmware no longer reads reports.
    if (report.empty() || m_update.phase == UpdateProgress::Phase::rebooting) {
        return std::nullopt;
    }
    // Reports shorter than a full frame read as zero-filled, as the firmware's buffer does.
    const Bytes frame = Dorvel::padded(report);
    bool changed = false;
    std::optional<Bytes> reply;
    switch (frame[0]) {
    case Dorvel::bindPresetCommand:
        if (fromRaw<PresetAction>(frame[1])) {
            m_binding = Binding{BindType::preset, frame[1], 0, 0, 0, 0};
            changed = true;
        }
        break;
    case Dorvel::bindCustomCommand:
        m_binding = Binding{BindType::custom, 0, frame[1], frame[2], frame[3], frame[4]};
        changed = true;
        break;
    case Dorvel::ledCommand:
        changed = handleLed(frame);
        break;
    case Dorvel::identityQueryCommand:
        reply = identityReply();
        break;
    case Dorvel::firmwareUpdateCommand:
        reply = handleUpdate(frame);
        break;
    case Dorvel::stateQueryCommand: {
        Bytes full = stateReply();
        full.resize(std::clamp<std::size_t>(m_config.replyLength, StateReply::minimumLength, Dorvel::reportLength));
        reply = std::move(full);
        break;
    }
    default:
        // Unknown commands are ignored, as the firmware does.
        break;
    }
    if (changed && onStateChanged) {
        onStateChanged();
    }
    if (!reply) {
        return std::nullopt;
    }
    return applyFaults(frame[0], std::move(*reply));
}

bool SimulatedDorvel::handleLed(ByteView f)
{
    Led next = m_led;
    switch (f[1]) {
    case Dorvel::Led::color:
        next.hue = f[2];
        next.saturation = f[3];
        next.value = f[4];
        break;
    case Dorvel::Led::mode:
        if (auto mode = fromRaw<Dorvel::RGBMode>(f[2])) {
            next.mode = *mode;
        }
        break;
    case Dorvel::Led::brightness:
        next.value = f[2];
        break;
    case Dorvel::Led::enabled:
        next.on = f[2] != 0;
        break;
    case Dorvel::Led::flashWhenOff:
        next.flashWhenOff = f[2] != 0;
        break;
    case Dorvel::Led::flashColor:
        next.flashHue = f[2];
        next.flashSaturation = f[3];
        next.flashValue = f[4];
        break;
    case Dorvel::Led::flashDuration:
        next.flashDurationMs = static_cast<std::uint16_t>(f[2] | (f[3] << 8));
        break;
    case Dorvel::Led::white:
        next.white = f[2];
        break;
    case Dorvel::Led::flashStyle:
        if (auto style = fromRaw<Dorvel::FlashStyle>(f[2]); style && f[2] < m_config.flashStyleCount) {
            next.flashStyle = *style;
            next.strobePulses = *style == Dorvel::FlashStyle::strobe ? f[3] : 0;
        }
        break;
    case Dorvel::Led::suspendMode:
        if (auto mode = fromRaw<Dorvel::SuspendMode>(f[2])) {
            next.suspendMode = *mode;
        }
        break;
    case Dorvel::Led::breatheSweep:
        if (auto sweep = fromRaw<Dorvel::BreatheSweepMode>(f[2])) {
            next.sweepMode = *sweep;
        }
        break;
    default:
        break;
    }
    const bool changed = !(next == m_led);
    m_led = next;
    return changed;
}

// Layout of the bytes the application does not read: 12 repeat count, 13 flash-when-off,
// 14/15 flash duration (LE), 19 strobe pulses, 21-23 flash color, 24 flash style, 25 suspend mode.
Bytes SimulatedDorvel::stateReply() const
{
    Bytes r(Dorvel::reportLength, 0);
    r[0] = Dorvel::stateQueryCommand;
    r[1] = static_cast<std::uint8_t>(std::min<std::size_t>(m_config.replyLength, Dorvel::reportLength));
    r[StateReply::rgbMode] = rawValue(m_led.mode);
    r[StateReply::hue] = m_led.hue;
    r[StateReply::saturation] = m_led.saturation;
    r[StateReply::value] = m_led.value;
    r[StateReply::rgbEnabled] = m_led.on ? 1 : 0;
    r[StateReply::white] = m_led.white;
    r[StateReply::bindType] = rawValue(m_binding.type);
    if (m_binding.type == BindType::preset) {
        r[StateReply::bindArg1] = m_binding.presetId;
    } else if (m_binding.type == BindType::custom) {
        r[StateReply::bindArg1] = m_binding.mods;
        r[StateReply::bindArg2] = m_binding.keycode;
    }
    r[12] = m_binding.repeat;
    r[13] = m_led.flashWhenOff ? 1 : 0;
    r[14] = static_cast<std::uint8_t>(m_led.flashDurationMs & 0xFF);
    r[15] = static_cast<std::uint8_t>(m_led.flashDurationMs >> 8);
    r[StateReply::versionMajor] = m_config.version.major;
    r[StateReply::versionMajor + 1] = m_config.version.minor;
    r[StateReply::versionMajor + 2] = m_config.version.patch;
    r[19] = m_led.strobePulses;
    r[StateReply::hwPlatform] = rawValue(m_config.platform);
    r[21] = m_led.flashHue;
    r[22] = m_led.flashSaturation;
    r[23] = m_led.flashValue;
    r[24] = rawValue(m_led.flashStyle);
    r[25] = rawValue(m_led.suspendMode);
    r[StateReply::breatheSweep] = rawValue(m_led.sweepMode);
    r[StateReply::flashStyleCount] = m_config.flashStyleCount;
    r[StateReply::repeatGapIndex] = m_binding.gapIndex;
    return r;
}

Bytes SimulatedDorvel::identityReply() const
{
    Bytes r(Dorvel::reportLength, 0);
    r[0] = Dorvel::identityQueryCommand;
    std::copy(m_config.deviceId.begin(), m_config.deviceId.end(), r.begin() + 1);
    return r;
}

std::optional<Bytes> SimulatedDorvel::applyFaults(std::uint8_t command, Bytes reply)
{
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->command && *it->command != command) {
            continue;
        }
        const ReplyFault fault = *it;
        if (it->count > 0 && --it->count == 0) {
            m_faults.erase(it);
        }
        switch (fault.kind) {
        case ReplyFault::Kind::drop:
            return std::nullopt;
        case ReplyFault::Kind::wrongFirstByte:
            reply[0] = static_cast<std::uint8_t>(reply[0] ^ 0x01);
            return reply;
        case ReplyFault::Kind::truncate:
            reply.resize(std::min(reply.size(), fault.truncateTo));
            return reply;
        }
    }
    return reply;
}

// The update side. A transfer is update-start (size, CRC-32), then 28-byte chunks appended in the
// order of their sequence numbers, then update-end, which checks size and CRC and reboots into the
// image. Every update report is answered 0x03, sub-command, status, expected sequence (LE).

namespace {
std::uint32_t littleEndian32(ByteView bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

constexpr std::size_t chunkPayload = 28;
} // namespace

Bytes SimulatedDorvel::makeFirmwareImage(FirmwareVersion version, std::size_t size, std::uint32_t seed)
{
    Bytes image(size);
    // A small linear congruential generator: the filler only has to differ between chunks.
    std::uint32_t state = seed * 2654435761U + 1U;
    for (auto &byte : image) {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    if (size >= imageHeaderLength) {
        std::copy(imageMagic.begin(), imageMagic.end(), image.begin());
        image[imageMagic.size()] = version.major;
        image[imageMagic.size() + 1] = version.minor;
        image[imageMagic.size() + 2] = version.patch;
    }
    return image;
}

std::optional<FirmwareVersion> SimulatedDorvel::imageVersion(ByteView image)
{
    if (image.size() < imageHeaderLength || !std::equal(imageMagic.begin(), imageMagic.end(), image.begin())) {
        return std::nullopt;
    }
    const std::size_t at = imageMagic.size();
    return FirmwareVersion{image[at], image[at + 1], image[at + 2]};
}

Bytes SimulatedDorvel::updateReply(std::uint8_t subCommand, UpdateStatus status, std::uint16_t expectedSequence)
{
    m_update.lastStatus = status;
    Bytes r(Dorvel::reportLength, 0);
    r[0] = Dorvel::firmwareUpdateCommand;
    r[1] = subCommand;
    r[2] = rawValue(status);
    if (status == UpdateStatus::badSequence) {
        r[3] = static_cast<std::uint8_t>(expectedSequence & 0xFF);
        r[4] = static_cast<std::uint8_t>(expectedSequence >> 8);
    }
    return r;
}

void SimulatedDorvel::askHost(std::optional<SimulatedDeviceHost::Replug> back)
{
    if (m_host) {
        m_host->requestReplug(*this, back);
    }
}

std::optional<Bytes> SimulatedDorvel::handleUpdate(ByteView f)
{
    using Phase = UpdateProgress::Phase;
    const std::uint8_t sub = f[1];
    m_update.lastStatus.reset(); // stays empty when the report gets no reply
    switch (sub) {
    case Dorvel::Update::start: {
        if (updateFaults.startStatus) {
            return updateReply(sub, *updateFaults.startStatus);
        }
        if (!m_config.hasPartitionTable) {
            return updateReply(sub, UpdateStatus::noPartitionTable);
        }
        if (m_update.phase == Phase::receiving) {
            return updateReply(sub, UpdateStatus::busy);
        }
        const std::uint32_t size = littleEndian32(f.subspan(2, 4));
        if (size > m_config.flashCapacity) {
            return updateReply(sub, UpdateStatus::tooLarge);
        }
        m_image.clear();
        m_image.reserve(size);
        m_storedChunks = 0;
        m_update.phase = Phase::receiving;
        m_update.totalSize = size;
        m_update.crc32 = littleEndian32(f.subspan(6, 4));
        m_update.receivedBytes = 0;
        m_update.expectedSequence = 0;
        m_update.bootVersion.reset();
        return updateReply(sub, UpdateStatus::ok);
    }
    case Dorvel::Update::chunk:
        return handleChunk(f);
    case Dorvel::Update::end: {
        if (m_update.phase != Phase::receiving) {
            return updateReply(sub, UpdateStatus::notStarted);
        }
        if (updateFaults.endStatus) {
            return updateReply(sub, *updateFaults.endStatus);
        }
        if (m_update.receivedBytes != m_update.totalSize || Dorvel::crc32(m_image) != m_update.crc32) {
            m_update.phase = Phase::idle;
            return updateReply(sub, UpdateStatus::crcMismatch);
        }
        m_update.phase = Phase::rebooting;
        m_update.bootVersion = imageVersion(m_image);
        using After = UpdateFaults::AfterReboot;
        switch (updateFaults.afterReboot) {
        case After::sameLocation:
            askHost(SimulatedDeviceHost::Replug{m_config.rebootDelay, std::nullopt});
            break;
        case After::otherLocation:
            askHost(SimulatedDeviceHost::Replug{m_config.rebootDelay, updateFaults.otherLocation});
            break;
        case After::never:
            askHost(std::nullopt);
            break;
        }
        return updateReply(sub, UpdateStatus::ok);
    }
    case Dorvel::Update::abort:
        if (m_update.phase == Phase::receiving) {
            m_update.phase = Phase::idle;
        }
        return updateReply(sub, UpdateStatus::ok);
    default:
        return std::nullopt;
    }
}

std::optional<Bytes> SimulatedDorvel::handleChunk(ByteView f)
{
    using Kind = ChunkFault::Kind;
    const std::uint8_t sub = f[1];
    if (m_update.phase != UpdateProgress::Phase::receiving) {
        return updateReply(sub, UpdateStatus::notStarted);
    }
    const auto sequence = static_cast<std::uint16_t>(f[2] | (f[3] << 8));
    bool loseAcknowledgement = false;
    for (auto it = updateFaults.chunks.begin(); it != updateFaults.chunks.end(); ++it) {
        if (it->chunk != m_storedChunks) {
            continue;
        }
        switch (it->kind) {
        case Kind::ignore:
            if (it->count == 0) {
                continue;
            }
            if (it->count > 0) {
                --it->count;
            }
            return std::nullopt;
        case Kind::unplug:
            updateFaults.chunks.erase(it);
            askHost(std::nullopt);
            return std::nullopt;
        case Kind::forceStatus:
            return updateReply(sub, it->status,
                               static_cast<std::uint16_t>(m_update.expectedSequence + it->sequenceAhead));
        case Kind::loseAcknowledgement:
            if (sequence == m_update.expectedSequence) {
                loseAcknowledgement = true;
                updateFaults.chunks.erase(it);
            }
            break;
        }
        break;
    }
    if (sequence != m_update.expectedSequence) {
        return updateReply(sub, UpdateStatus::badSequence, m_update.expectedSequence);
    }
    const std::uint32_t remaining = m_update.totalSize - m_update.receivedBytes;
    if (remaining == 0) {
        return updateReply(sub, UpdateStatus::tooLarge);
    }
    const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(chunkPayload, remaining));
    m_image.insert(m_image.end(), f.begin() + 4, f.begin() + 4 + length);
    m_update.receivedBytes += length;
    ++m_update.expectedSequence;
    ++m_storedChunks;
    if (loseAcknowledgement) {
        return std::nullopt;
    }
    return updateReply(sub, UpdateStatus::ok);
}

void SimulatedDorvel::unplugged()
{
    using Phase = UpdateProgress::Phase;
    if (m_update.phase == Phase::rebooting && m_update.bootVersion) {
        m_config.version = *m_update.bootVersion;
        ++m_update.updatesApplied;
    }
    m_update.phase = Phase::idle;
    m_update.bootVersion.reset();
}
