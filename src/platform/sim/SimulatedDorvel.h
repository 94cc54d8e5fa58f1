#pragma once

#include "device/Bytes.h"
#include "device/Dorvel.h"
#include "device/FirmwareVersion.h"
#include "device/PresetAction.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

// The device side of the Dorvel report protocol: a simulated device that stores what the
// application sets and answers its queries as the firmware does. Plain C++, no event loop: a
// transport (SimulatedHidBus, the socket bus) feeds it reports and delivers its replies.
class SimulatedDorvel {
public:
    struct Config {
        HardwarePlatform platform = HardwarePlatform::rp2350;
        FirmwareVersion version{1, 0, 0};
        std::array<std::uint8_t, 8> deviceId{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
        std::size_t replyLength = 32; // state replies are cut to this length (21 to 32)
        std::uint8_t flashStyleCount = 4;
    };

    struct Binding {
        BindType type = BindType::preset;
        std::uint8_t presetId = 0;
        std::uint8_t mods = 0;
        std::uint8_t keycode = 0;
        std::uint8_t repeat = 0;
        std::uint8_t gapIndex = 0;
        friend bool operator==(const Binding &, const Binding &) = default;
    };

    struct Led {
        bool on = true;
        Dorvel::RGBMode mode = Dorvel::RGBMode::solid;
        std::uint8_t hue = 0;
        std::uint8_t saturation = 255;
        std::uint8_t value = 128; // also the brightness
        std::uint8_t white = 0;
        bool flashWhenOff = false;
        std::uint8_t flashHue = 0;
        std::uint8_t flashSaturation = 0;
        std::uint8_t flashValue = 255;
        std::uint16_t flashDurationMs = 200;
        Dorvel::FlashStyle flashStyle = Dorvel::FlashStyle::single;
        std::uint8_t strobePulses = 0;
        Dorvel::SuspendMode suspendMode = Dorvel::SuspendMode::keepAnimating;
        Dorvel::BreatheSweepMode sweepMode = Dorvel::BreatheSweepMode::scaled;
        friend bool operator==(const Led &, const Led &) = default;
    };

    // What can go wrong with a reply. A fault applies to the next `count` replies (negative:
    // to every reply), optionally only to replies to one command byte.
    struct ReplyFault {
        enum class Kind { drop, wrongFirstByte, truncate };
        Kind kind = Kind::drop;
        int count = 1;
        std::optional<std::uint8_t> command;
        std::size_t truncateTo = 0; // for truncate
    };

    SimulatedDorvel() = default;
    explicit SimulatedDorvel(Config config);

    // Handles one output report and returns the reply the device sends, if any (faults applied).
    std::optional<Bytes> handleReport(ByteView report);

    const Config &config() const { return m_config; }
    Config &config() { return m_config; }
    const Binding &binding() const { return m_binding; }
    const Led &led() const { return m_led; }

    void addFault(ReplyFault fault) { m_faults.push_back(fault); }
    void clearFaults() { m_faults.clear(); }
    std::chrono::milliseconds replyLatency{0};

    // Called with every report the device receives, before it is handled (tests, report logs).
    std::function<void(ByteView)> onReportReceived;
    // Called after a report changed the stored state.
    std::function<void()> onStateChanged;

    // The full state reply, before it is cut to the configured length.
    Bytes stateReply() const;
    Bytes identityReply() const;

private:
    bool handleLed(ByteView report);
    std::optional<Bytes> applyFaults(std::uint8_t command, Bytes reply);

    Config m_config;
    Binding m_binding;
    Led m_led;
    std::vector<ReplyFault> m_faults;
};
