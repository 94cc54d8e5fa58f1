#pragma once

#include "device/Bytes.h"
#include "rules/LEDEffect.h"

#include <QMetaType>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// What the LED shows for a while after a rule's signal turns off, before the next rule takes over.
struct FinishStepConfig {
    bool isEnabled = false;
    double durationSeconds = 5.0;
    std::uint8_t hue = 85;
    std::uint8_t saturation = 255;
    std::uint8_t value = 255;
    LEDEffect effect = LEDEffect::breatheSlow;

    Bytes modeReport() const;
    friend bool operator==(const FinishStepConfig &, const FinishStepConfig &) = default;
};

// One entry of the priority list: while the signal named `id` is on (or its finish step runs), the
// LED shows this rule's colour and effect unless an enabled rule above it is active too.
struct StatusRule {
    QString id;
    QString displayName;
    bool isEnabled = true;
    std::uint8_t hue = 0;
    std::uint8_t saturation = 255;
    std::uint8_t value = 255;
    LEDEffect effect = LEDEffect::solid;
    std::optional<FinishStepConfig> finishStep;

    Bytes modeReport() const;
    friend bool operator==(const StatusRule &, const StatusRule &) = default;
};

// What the LED shows when no rule is active, if the user turned the fallback on.
struct FallbackRGBState {
    std::uint8_t hue = 0;
    std::uint8_t saturation = 255;
    std::uint8_t value = 255;
    LEDEffect effect = LEDEffect::solid;

    Bytes modeReport() const;
    friend bool operator==(const FallbackRGBState &, const FallbackRGBState &) = default;
};

// The built-in rules in their default priority order. Saved lists that lack one of them get
// it appended, so a rule added in a later release reaches users with customised lists.
const std::vector<StatusRule> &defaultStatusRules();

Q_DECLARE_METATYPE(std::vector<StatusRule>)
Q_DECLARE_METATYPE(std::optional<FallbackRGBState>)
