#include "platform/sim/SimulatedDorvel.h"

#include "device/DeviceQueryResponse.h"

#include <algorithm>

SimulatedDorvel::SimulatedDorvel(Config config) : m_config(config) {}

std::optional<Bytes> SimulatedDorvel::handleReport(ByteView report)
{
    if (onReportReceived) {
        onReportReceived(report);
    }
    if (report.empty()) {
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
    case Dorvel::stateQueryCommand: {
        Bytes full = stateReply();
        full.resize(std::clamp<std::size_t>(m_config.replyLength, StateReply::minimumLength, Dorvel::reportLength));
        reply = std::move(full);
        break;
    }
    default:
        // Firmware-update reports (0x03) are answered by the update side; unknown commands are
        // ignored, as the firmware does.
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
