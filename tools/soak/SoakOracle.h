#pragma once

#include "device/Dorvel.h"
#include "platform/sim/SimulatedDorvel.h"
#include "rules/StatusRule.h"

#include <QDateTime>
#include <QString>

#include <map>
#include <optional>
#include <vector>

// What the soak believes the LED must show, worked out from what the soak itself did (the signals
// it raised, the rules it stored, the pause and the timer it asked for), never from the engine's
// own decisions.
namespace SoakOracle {

// The status light of one device profile, as the soak stored it.
struct Profile {
    std::vector<StatusRule> rules;
    bool fallbackEnabled = false;
    std::optional<FallbackRGBState> fallback;
};

struct Look {
    Dorvel::RGBMode mode = Dorvel::RGBMode::solid;
    std::uint8_t hue = 0;
    std::uint8_t saturation = 0;
    std::uint8_t value = 0;
    friend bool operator==(const Look &, const Look &) = default;
};

struct Inputs {
    std::map<QString, bool> signalValues; // every signal reported so far, by rule id
    Profile profile;
    bool onHold = false; // the user's pause is under way
    // A timer exists: it owns the LED. Absent look: it only keeps the LED on (a running countdown).
    bool timerExists = false;
    std::optional<Look> timerLook;
};

struct Expected {
    enum class Kind { anything, off, on, look };
    Kind kind = Kind::anything;
    Look look;
    QString why;
};

Expected expectedLed(const Inputs &inputs);

// Empty when the device's LED shows what is expected, else what differs, in words.
QString mismatch(const Expected &expected, const SimulatedDorvel::Led &led);

// The mode the device runs for a rule's effect, as the device itself decodes the mode report.
Dorvel::RGBMode deviceMode(const Bytes &modeReport);

// "until tomorrow": the next 08:00 local time after `now`.
QDateTime nextMorning(const QDateTime &now);

} // namespace SoakOracle
