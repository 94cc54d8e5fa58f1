#pragma once

#include "device/Bytes.h"
#include "device/Dorvel.h"
#include "device/HidBus.h"
#include "platform/sim/SimulatedDorvel.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>

// What kestrix-devsim writes and shows: the state file, the report log and the terminal lines.
// Pure functions of the device state.
namespace Devsim {

// Names in the state file (the enumerations' case names).
QString modeName(Dorvel::RGBMode mode);
QString flashStyleName(Dorvel::FlashStyle style);
QString suspendModeName(Dorvel::SuspendMode mode);
QString breatheSweepName(Dorvel::BreatheSweepMode sweep);
QString platformName(HardwarePlatform platform);
std::optional<HardwarePlatform> platformFromName(const QString &name);

// Names of the update reply statuses (the enumeration's case names).
QString updateStatusName(UpdateStatus status);
std::optional<UpdateStatus> updateStatusFromName(const QString &name);

// The label the application's mode picker shows.
QString modeLabel(Dorvel::RGBMode mode);

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb &, const Rgb &) = default;
};
// The device's HSV bytes (hue 0-255 around the whole circle) as a screen colour.
Rgb hsvToRgb(std::uint8_t hue, std::uint8_t saturation, std::uint8_t value);

// What the program knows about the device beyond the simulated device itself.
struct Status {
    bool attached = false;
    std::optional<LocationID> locationId;
    std::uint64_t reportsReceived = 0;
    int appConnections = 0; // programs connected to the device's socket now
};

// The whole device state as the state file holds it. Further device features add their own
// objects beside these keys.
QJsonObject stateJson(const SimulatedDorvel &device, const Status &status);

// The "update" object of the state file: phase ("idle", "receiving", "rebooting"), sizes, the
// declared CRC-32 as 0x and 8 hex digits, the expected sequence, the status of the last update
// reply (null when it got none), the version a verified image boots (null when it has none) and
// how many updates the device has applied.
QJsonObject updateJson(const SimulatedDorvel::UpdateProgress &progress);

// The terminal line for a firmware-update report, from the device's update progress before and
// after it handled the report. Chunks that were stored get a line only when they take the
// transfer past another tenth of the image, so a transfer shows as at most ten progress lines;
// empty then.
QString updateLine(ByteView report, const SimulatedDorvel::UpdateProgress &before,
                   const SimulatedDorvel::UpdateProgress &after);

// One line of the report log: milliseconds, a space, the report as the device reads it (zero
// filled or cut to 32 bytes) in 64 lower-case hex digits, a newline.
QByteArray reportLogLine(qint64 elapsedMs, ByteView report);

// One short line naming the command a report carries ("state query", "LED color 85/255/200").
QString describeReport(ByteView report);

// The LED as one terminal line: a block in its colour (an ANSI 24-bit background, or the hex
// colour in brackets without `ansi`), on/off, the mode's label and the HSV and white bytes.
QString ledLine(const SimulatedDorvel::Led &led, bool ansi);

} // namespace Devsim
