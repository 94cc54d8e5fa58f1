#include "settings/ui/RGBSettingsPresenter.h"

#include <QCoreApplication>

#include "device/LinkNotices.h"

#include <algorithm>
#include <array>

namespace RGBSettingsPresenter {
namespace {

Bytes ledReport(std::initializer_list<std::uint8_t> tail)
{
    Bytes report{Dorvel::ledCommand};
    report.insert(report.end(), tail);
    return Dorvel::padded(report);
}

// The value of a bounded slider or stepper as a byte.
std::uint8_t truncatedByte(double value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

} // namespace

std::optional<QString> deviceNotice(bool isConnected, bool isLinkHeld)
{
    if (isLinkHeld) {
        return LinkNotices::heldByFirmwareUpdate();
    }
    if (isConnected) {
        return std::nullopt;
    }
    return LinkNotices::noDevice();
}

QString flashStyleLabel(Dorvel::FlashStyle style)
{
    using Style = Dorvel::FlashStyle;
    switch (style) {
    case Style::single:
        return QCoreApplication::translate("RGBSettingsPresenter", "Single Flash");
    case Style::strobe:
        return QCoreApplication::translate("RGBSettingsPresenter", "Strobe");
    case Style::wipe:
        return QCoreApplication::translate("RGBSettingsPresenter", "Wipe");
    case Style::breatheOnce:
        return QCoreApplication::translate("RGBSettingsPresenter", "Breathe Once");
    }
    return {};
}

QString suspendModeLabel(Dorvel::SuspendMode mode)
{
    using Mode = Dorvel::SuspendMode;
    switch (mode) {
    case Mode::keepAnimating:
        return QCoreApplication::translate("RGBSettingsPresenter", "Keep animating");
    case Mode::freeze:
        return QCoreApplication::translate("RGBSettingsPresenter", "Freeze");
    case Mode::goDark:
        return QCoreApplication::translate("RGBSettingsPresenter", "Go dark");
    }
    return {};
}

QString breatheSweepLabel(Dorvel::BreatheSweepMode mode)
{
    switch (mode) {
    case Dorvel::BreatheSweepMode::scaled:
        return QCoreApplication::translate("RGBSettingsPresenter", "Scale with slider");
    case Dorvel::BreatheSweepMode::fullSweep:
        return QCoreApplication::translate("RGBSettingsPresenter", "Always full sweep");
    }
    return {};
}

QString pulsesLabel(int count)
{
    return QCoreApplication::translate("RGBSettingsPresenter", "Pulses: %1").arg(count);
}

std::vector<Dorvel::FlashStyle> availableFlashStyles(const std::optional<DeviceQueryResponse> &state)
{
    const auto &all = allCases<Dorvel::FlashStyle>();
    std::size_t count = all.size();
    if (state && state->flashStyleCount) {
        count = std::min<std::size_t>(*state->flashStyleCount, all.size());
    }
    return {all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count)};
}

bool showsBreatheSweep(const std::optional<DeviceQueryResponse> &state)
{
    return state && state->breatheSweepMode;
}

LEDEffect effectForMode(Dorvel::RGBMode mode)
{
    using Mode = Dorvel::RGBMode;
    switch (mode) {
    case Mode::solid:
        return LEDEffect::solid;
    case Mode::breatheSlow:
        return LEDEffect::breatheSlow;
    case Mode::breatheFast:
        return LEDEffect::pulsing;
    case Mode::hueCycle:
        return LEDEffect::hueCycle;
    case Mode::rainbowSwirl:
        return LEDEffect::rainbowSwirl;
    case Mode::staticGradient:
        return LEDEffect::staticGradient;
    case Mode::twinkleSameHue:
        return LEDEffect::twinkleSameHue;
    case Mode::twinkleRandomHue:
        return LEDEffect::twinkleRandomHue;
    case Mode::knightScanner:
        return LEDEffect::knightScanner;
    }
    return LEDEffect::solid;
}

Bytes brightnessReport(double brightness)
{
    return ledReport({Dorvel::Led::brightness, truncatedByte(brightness)});
}

Bytes whiteReport(double white)
{
    return ledReport({Dorvel::Led::white, truncatedByte(white)});
}

Bytes flashWhenOffReport(bool on)
{
    return ledReport({Dorvel::Led::flashWhenOff, on ? std::uint8_t{1} : std::uint8_t{0}});
}

Bytes flashColorReport(HSVColor color)
{
    return ledReport({Dorvel::Led::flashColor, color.hue, color.saturation, color.value});
}

Bytes flashDurationReport(double ms)
{
    return Dorvel::flashDurationReport(static_cast<std::uint16_t>(std::clamp(ms, 0.0, 65535.0)));
}

Bytes flashStyleReport(Dorvel::FlashStyle style, double pulseCount)
{
    const std::uint8_t pulses = style == Dorvel::FlashStyle::strobe ? truncatedByte(pulseCount) : 0;
    return ledReport({Dorvel::Led::flashStyle, rawValue(style), pulses});
}

Bytes suspendModeReport(Dorvel::SuspendMode mode)
{
    return ledReport({Dorvel::Led::suspendMode, rawValue(mode)});
}

Bytes breatheSweepReport(Dorvel::BreatheSweepMode mode)
{
    return ledReport({Dorvel::Led::breatheSweep, rawValue(mode)});
}

FallbackRGBState fallbackState(HSVColor color, double brightness, Dorvel::RGBMode mode)
{
    return FallbackRGBState{color.hue, color.saturation, truncatedByte(brightness), effectForMode(mode)};
}

LedSync syncFromDevice(const std::optional<DeviceQueryResponse> &state, const std::optional<FallbackRGBState> &fallback)
{
    LedSync sync;
    if (state) {
        sync.ledOn = state->isRGBEnabled;
        sync.mode = state->rgbMode;
        sync.color = HSVColor{state->hue, state->saturation, state->value};
        sync.brightness = state->value;
        sync.white = state->whiteChannel;
    } else if (fallback) {
        sync.mode = LEDEffects::rgbMode(fallback->effect);
        sync.color = HSVColor{fallback->hue, fallback->saturation, fallback->value};
        sync.brightness = fallback->value;
    }
    return sync;
}

} // namespace RGBSettingsPresenter
