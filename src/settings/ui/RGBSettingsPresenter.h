#pragma once

#include "device/Bytes.h"
#include "device/DeviceQueryResponse.h"
#include "device/Dorvel.h"
#include "device/HSVColor.h"
#include "rules/LEDEffect.h"
#include "rules/StatusRule.h"

#include <QString>

#include <optional>
#include <vector>

// What the "RGB Settings" window offers and writes, as pure functions of the device state and the
// window's own choices.
namespace RGBSettingsPresenter {

QString flashStyleLabel(Dorvel::FlashStyle style);
QString suspendModeLabel(Dorvel::SuspendMode mode);
QString breatheSweepLabel(Dorvel::BreatheSweepMode mode);
// "Pulses: " followed by the count.
QString pulsesLabel(int count);

// The first n of single, strobe, wipe, breatheOnce, n being the device's flash-style count, or all
// four when the state or its count is absent.
std::vector<Dorvel::FlashStyle> availableFlashStyles(const std::optional<DeviceQueryResponse> &state);
// The "Breathe Sweep" section exists only for a device whose state reply carries a sweep mode.
bool showsBreatheSweep(const std::optional<DeviceQueryResponse> &state);

// Why the device's controls are disabled, else absent: while a firmware update holds the device
// link (its reboot included), the update's reason; else "No Dorvel connected" while no device is held.
std::optional<QString> deviceNotice(bool isConnected, bool isLinkHeld);

// The rule effect that draws a device mode; the fast breathe is "pulsing".
LEDEffect effectForMode(Dorvel::RGBMode mode);

// Sliders and steppers are bounded by these, so every truncation below stays in range.
inline constexpr int flashDurationMinimumMs = 200;
inline constexpr int flashDurationMaximumMs = 2000;
inline constexpr int flashDurationStepMs = 50;
inline constexpr int pulsesMinimum = 1;
inline constexpr int pulsesMaximum = 10;

// The command reports of the window's controls, each 32 bytes. Slider values are truncated.
Bytes brightnessReport(double brightness);
Bytes whiteReport(double white);
Bytes flashWhenOffReport(bool on);
Bytes flashColorReport(HSVColor color);
Bytes flashDurationReport(double ms);
// Pulses go with strobe only; every other style sends 0.
Bytes flashStyleReport(Dorvel::FlashStyle style, double pulseCount);
Bytes suspendModeReport(Dorvel::SuspendMode mode);
Bytes breatheSweepReport(Dorvel::BreatheSweepMode mode);

// The fallback appearance the window's color, brightness and mode stand for: hue and saturation of
// the color, the brightness byte as value (not the color's own value), the mode's effect.
FallbackRGBState fallbackState(HSVColor color, double brightness, Dorvel::RGBMode mode);

// The LED controls after a sync from the device state (or, without one, from the stored fallback);
// absent fields keep their value.
struct LedSync {
    std::optional<bool> ledOn;
    std::optional<Dorvel::RGBMode> mode;
    std::optional<HSVColor> color;
    std::optional<double> brightness;
    std::optional<double> white;

    friend bool operator==(const LedSync &, const LedSync &) = default;
};
LedSync syncFromDevice(const std::optional<DeviceQueryResponse> &state,
                       const std::optional<FallbackRGBState> &fallback);

} // namespace RGBSettingsPresenter
