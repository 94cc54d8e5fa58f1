#include "device/PresetAction.h"

std::string_view displayName(PresetAction action)
{
    switch (action) {
    case PresetAction::lockScreen:
        return "Lock Screen";
    case PresetAction::mute:
        return "Mute";
    case PresetAction::volumeUp:
        return "Volume Up";
    case PresetAction::volumeDown:
        return "Volume Down";
    case PresetAction::playPause:
        return "Play / Pause";
    case PresetAction::powerOff:
        return "Power Off (Linux & Windows only)";
    case PresetAction::screenshot:
        return "Screenshot";
    case PresetAction::nextTrack:
        return "Next Track";
    case PresetAction::prevTrack:
        return "Prev Track";
    case PresetAction::brightnessUp:
        return "Brightness Up";
    case PresetAction::brightnessDown:
        return "Brightness Down";
    case PresetAction::sleep:
        return "Sleep";
    case PresetAction::showDesktop:
        return "Show Desktop (Linux & Windows only)";
    case PresetAction::aiInterrupt:
        return "AI Interrupt";
    }
    return {};
}
