#include "SoakOracle.h"

namespace SoakOracle {

Dorvel::RGBMode deviceMode(const Bytes &modeReport)
{
    SimulatedDorvel scratch;
    scratch.handleReport(modeReport);
    return scratch.led().mode;
}

namespace {
template <typename Appearance>
Look lookOf(const Appearance &appearance)
{
    return {deviceMode(appearance.modeReport()), appearance.hue, appearance.saturation, appearance.value};
}

Expected resting(const Profile &profile, bool anySignal, const QString &why)
{
    if (profile.fallbackEnabled && profile.fallback) {
        return {Expected::Kind::look, lookOf(*profile.fallback), why + QStringLiteral(": fallback")};
    }
    if (!anySignal) {
        return {Expected::Kind::anything, {}, why + QStringLiteral(": nothing reported yet")};
    }
    return {Expected::Kind::off, {}, why + QStringLiteral(": off")};
}
} // namespace

Expected expectedLed(const Inputs &inputs)
{
    if (inputs.timerExists) {
        if (inputs.timerLook) {
            return {Expected::Kind::look, *inputs.timerLook, QStringLiteral("timer")};
        }
        return {Expected::Kind::on, {}, QStringLiteral("timer counting down")};
    }
    if (inputs.onHold) {
        // A pause is the user's own choice: it shows whether or not anything was reported.
        return resting(inputs.profile, true, QStringLiteral("paused"));
    }
    for (const StatusRule &rule : inputs.profile.rules) {
        const auto value = inputs.signalValues.find(rule.id);
        if (rule.isEnabled && value != inputs.signalValues.end() && value->second) {
            return {Expected::Kind::look, lookOf(rule), QStringLiteral("rule ") + rule.id};
        }
    }
    return resting(inputs.profile, !inputs.signalValues.empty(), QStringLiteral("no rule active"));
}

QString mismatch(const Expected &expected, const SimulatedDorvel::Led &led)
{
    const auto describe = [&led] {
        return QStringLiteral("LED %1 mode %2 hsv %3/%4/%5")
            .arg(led.on ? QStringLiteral("on") : QStringLiteral("off"))
            .arg(static_cast<int>(led.mode))
            .arg(led.hue)
            .arg(led.saturation)
            .arg(led.value);
    };
    switch (expected.kind) {
    case Expected::Kind::anything:
        return {};
    case Expected::Kind::off:
        return led.on ? QStringLiteral("expected off (%1), got %2").arg(expected.why, describe()) : QString();
    case Expected::Kind::on:
        return led.on ? QString() : QStringLiteral("expected on (%1), got %2").arg(expected.why, describe());
    case Expected::Kind::look: {
        const Look actual{led.mode, led.hue, led.saturation, led.value};
        if (led.on && actual == expected.look) {
            return {};
        }
        return QStringLiteral("expected mode %1 hsv %2/%3/%4 (%5), got %6")
            .arg(static_cast<int>(expected.look.mode))
            .arg(expected.look.hue)
            .arg(expected.look.saturation)
            .arg(expected.look.value)
            .arg(expected.why, describe());
    }
    }
    return {};
}

QDateTime nextMorning(const QDateTime &now)
{
    const QDateTime local = now.toLocalTime();
    QDateTime morning(local.date(), QTime(8, 0));
    if (morning <= local) {
        morning = morning.addDays(1);
    }
    return morning;
}

} // namespace SoakOracle
