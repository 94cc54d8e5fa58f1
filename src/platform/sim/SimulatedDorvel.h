#pragma once

#include "device/Bytes.h"
#include "device/Dorvel.h"
#include "device/FirmwareVersion.h"
#include "device/HidBus.h"
#include "device/PresetAction.h"
#include "device/UpdateResponse.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class SimulatedDorvel;

// The bus a simulated device is plugged into, as far as the device can ask it for something: to
// be pulled out and plugged in again, as a reboot or a yanked cable does. SimulatedHidBus and
// SocketDeviceServer implement it; the device holds at most one.
class SimulatedDeviceHost {
public:
    struct Replug {
        std::chrono::milliseconds delay{0};
        std::optional<LocationID> moveTo; // absent: back at the location it left
    };

    // Asked by the device while it handles a report. The host pulls it out once the reply to that
    // report (if any) has gone out, tells it so with SimulatedDorvel::unplugged(), and with `back`
    // plugs it in again after the delay. A device that asked must stay alive until it is back.
    virtual void requestReplug(SimulatedDorvel &device, std::optional<Replug> back) = 0;

    // The device is being destroyed: drop everything that refers to it.
    virtual void forgetDevice(SimulatedDorvel &device) = 0;

    virtual ~SimulatedDeviceHost() = default;
};

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
        bool hasPartitionTable = true;               // without one it refuses every update
        std::uint32_t flashCapacity = 0x1C0000;      // the largest image it accepts
        std::chrono::milliseconds rebootDelay{2000}; // off the bus after a verified update
    };

    // Simulated firmware images start with this header: the magic, then major, minor and patch of
    // the version inside. A device that verified an image with a valid header comes back running
    // that version; any other image does not boot, and the watchdog brings the old one back.
    static constexpr std::array<std::uint8_t, 4> imageMagic{'D', 'V', 'F', 'W'};
    static constexpr std::size_t imageHeaderLength = imageMagic.size() + 3;
    // An image of `size` bytes: the header (when it fits) and filler that varies with `seed`.
    static Bytes makeFirmwareImage(FirmwareVersion version, std::size_t size, std::uint32_t seed = 0);
    static std::optional<FirmwareVersion> imageVersion(ByteView image);

    // Faults of the firmware-update side. A chunk is named by its place in the image (0 for the
    // first 28 bytes); a fault acts on the chunk reports that arrive while the device waits for that
    // chunk, resends included.
    struct ChunkFault {
        enum class Kind {
            ignore,              // `count` sends in a row get no reply and store nothing (negative: all)
            loseAcknowledgement, // stored, but the reply is lost once; a resend then gets badSequence
            forceStatus,         // answered with `status` every time instead of being stored
            unplug,              // pulled out when it arrives, no reply, not coming back by itself
        };
        Kind kind = Kind::ignore;
        std::uint32_t chunk = 0;
        int count = 1;
        UpdateStatus status = UpdateStatus::ok;
        // forceStatus with badSequence: how far the reported expected sequence is ahead of the
        // one the device really waits for.
        std::uint16_t sequenceAhead = 0;
    };
    struct UpdateFaults {
        std::optional<UpdateStatus> startStatus; // the answer to every update-start
        std::optional<UpdateStatus> endStatus;   // the answer to every update-end
        std::vector<ChunkFault> chunks;
        enum class AfterReboot { sameLocation, otherLocation, never };
        AfterReboot afterReboot = AfterReboot::sameLocation;
        LocationID otherLocation = 0x14300000;
    };

    // Where the device is in a firmware update.
    struct UpdateProgress {
        enum class Phase { idle, receiving, rebooting };
        Phase phase = Phase::idle;
        std::uint32_t totalSize = 0;
        std::uint32_t crc32 = 0; // as the update-start report declared it
        std::uint32_t receivedBytes = 0;
        std::uint16_t expectedSequence = 0;
        std::optional<UpdateStatus> lastStatus;     // of the reply to the last update report; none: no reply
        std::optional<FirmwareVersion> bootVersion; // rebooting into a valid image: its version
        unsigned updatesApplied = 0;                // reboots into a new image
        friend bool operator==(const UpdateProgress &, const UpdateProgress &) = default;
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
    ~SimulatedDorvel();
    SimulatedDorvel(const SimulatedDorvel &) = delete;
    SimulatedDorvel &operator=(const SimulatedDorvel &) = delete;

    // Set by the bus that plugs the device in; null when none.
    void setHost(SimulatedDeviceHost *host) { m_host = host; }
    SimulatedDeviceHost *host() const { return m_host; }
    // Power is gone: an update in progress is lost, and a verified image becomes the running
    // firmware (or the watchdog keeps the old one). Called by the host on every unplug.
    void unplugged();

    // Handles one output report and returns the reply the device sends, if any (faults applied).
    std::optional<Bytes> handleReport(ByteView report);

    const Config &config() const { return m_config; }
    Config &config() { return m_config; }
    const Binding &binding() const { return m_binding; }
    const Led &led() const { return m_led; }

    void addFault(ReplyFault fault) { m_faults.push_back(fault); }
    void clearFaults() { m_faults.clear(); }
    std::chrono::milliseconds replyLatency{0};
    UpdateFaults updateFaults;

    const UpdateProgress &updateProgress() const { return m_update; }
    // The image bytes stored so far by the current or last update.
    const Bytes &receivedImage() const { return m_image; }

    // Called with every report the device receives, before it is handled (tests, report logs).
    std::function<void(ByteView)> onReportReceived;
    // Called after a report changed the stored state.
    std::function<void()> onStateChanged;

    // The full state reply, before it is cut to the configured length.
    Bytes stateReply() const;
    Bytes identityReply() const;

private:
    bool handleLed(ByteView report);
    std::optional<Bytes> handleUpdate(ByteView frame);
    std::optional<Bytes> handleChunk(ByteView frame);
    Bytes updateReply(std::uint8_t subCommand, UpdateStatus status, std::uint16_t expectedSequence = 0);
    void askHost(std::optional<SimulatedDeviceHost::Replug> back);
    std::optional<Bytes> applyFaults(std::uint8_t command, Bytes reply);

    Config m_config;
    Binding m_binding;
    Led m_led;
    std::vector<ReplyFault> m_faults;
    SimulatedDeviceHost *m_host = nullptr;
    UpdateProgress m_update;
    Bytes m_image;
    std::uint32_t m_storedChunks = 0;
};
