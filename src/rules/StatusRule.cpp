#include "rules/StatusRule.h"

#include <QtGlobal>

Bytes FinishStepConfig::modeReport() const
{
    return Dorvel::ledModeReport(LEDEffects::rgbMode(effect));
}

Bytes StatusRule::modeReport() const
{
    return Dorvel::ledModeReport(LEDEffects::rgbMode(effect));
}

Bytes FallbackRGBState::modeReport() const
{
    return Dorvel::ledModeReport(LEDEffects::rgbMode(effect));
}

const std::vector<StatusRule> &defaultStatusRules()
{
    static const std::vector<StatusRule> rules = [] {
        const auto rule = [](const char *id, const char *name, bool enabled, std::uint8_t hue, LEDEffect effect,
                             std::optional<FinishStepConfig> finish = std::nullopt) {
            return StatusRule{QLatin1String(id), QLatin1String(name), enabled, hue, 255, 255, effect, finish};
        };
        using enum LEDEffect;
        // Away from the desk: a dim amber glow, which reads as "away" without drawing the eye.
        StatusRule screenLocked =
            rule("screen_locked", QT_TRANSLATE_NOOP("StatusRule", "Screen Locked"), false, 28, solid);
        screenLocked.value = 40;
        return std::vector<StatusRule>{
            rule("ai_execution", QT_TRANSLATE_NOOP("StatusRule", "AI Execution"), true, 0, pulsing, FinishStepConfig{}),
            rule("meeting_soon", QT_TRANSLATE_NOOP("StatusRule", "Meeting Soon"), true, 45, pulsing),
            // Above the call rules, as it matters most during a call; a look of its own (the only
            // magenta, breathing slowly), so that it is never taken for another rule.
            rule("screen_shared", QT_TRANSLATE_NOOP("StatusRule", "Screen Shared"), false, 228, breatheSlow),
            rule("mic_in_use", QT_TRANSLATE_NOOP("StatusRule", "Mic In Use (Recording)"), true, 170, pulsing),
            rule("camera_in_use", QT_TRANSLATE_NOOP("StatusRule", "Camera In Use"), true, 60, pulsing),
            rule("in_meeting", QT_TRANSLATE_NOOP("StatusRule", "In Meeting"), true, 140, solid),
            rule("terminal_active", QT_TRANSLATE_NOOP("StatusRule", "Terminal Active"), true, 200, solid,
                 FinishStepConfig{}),
            rule("vpn_disconnected", QT_TRANSLATE_NOOP("StatusRule", "VPN Disconnected"), false, 20, pulsing),
            rule("mic_muted", QT_TRANSLATE_NOOP("StatusRule", "Mic Muted"), true, 0, solid),
            rule("mic_live", QT_TRANSLATE_NOOP("StatusRule", "Mic Live"), false, 85, solid),
            // The desktop's own presence, added later: off, and the first two below the others, so
            // that nobody's light changes until they switch them on.
            screenLocked,
            rule("do_not_disturb", QT_TRANSLATE_NOOP("StatusRule", "Do Not Disturb"), false, 191, solid),
        };
    }();
    return rules;
}
