#include "device/KeycodeMapping.h"

#include <QCoreApplication>

#include <array>
#include <unordered_map>
#include <utility>

namespace {

using Pair = std::pair<std::uint32_t, std::uint8_t>;

// Native code to HID usage, in the order of the HID usage table.
constexpr std::array<Pair, 74> macPairs{{
    {0, 0x04},   {11, 0x05},  {8, 0x06},   {2, 0x07},   {14, 0x08},  {3, 0x09},   {5, 0x0A},   {4, 0x0B},   {34, 0x0C},
    {38, 0x0D},  {40, 0x0E},  {37, 0x0F},  {46, 0x10},  {45, 0x11},  {31, 0x12},  {35, 0x13},  {12, 0x14},  {15, 0x15},
    {1, 0x16},   {17, 0x17},  {32, 0x18},  {9, 0x19},   {13, 0x1A},  {7, 0x1B},   {16, 0x1C},  {6, 0x1D},   {18, 0x1E},
    {19, 0x1F},  {20, 0x20},  {21, 0x21},  {23, 0x22},  {22, 0x23},  {26, 0x24},  {28, 0x25},  {25, 0x26},  {29, 0x27},
    {36, 0x28},  {53, 0x29},  {51, 0x2A},  {48, 0x2B},  {49, 0x2C},  {27, 0x2D},  {24, 0x2E},  {33, 0x2F},  {30, 0x30},
    {42, 0x31},  {41, 0x33},  {39, 0x34},  {50, 0x35},  {43, 0x36},  {47, 0x37},  {44, 0x38},  {122, 0x3A}, {120, 0x3B},
    {99, 0x3C},  {118, 0x3D}, {96, 0x3E},  {97, 0x3F},  {98, 0x40},  {100, 0x41}, {101, 0x42}, {109, 0x43}, {103, 0x44},
    {111, 0x45}, {114, 0x49}, {115, 0x4A}, {116, 0x4B}, {117, 0x4C}, {119, 0x4D}, {121, 0x4E}, {124, 0x4F}, {123, 0x50},
    {125, 0x51}, {126, 0x52},
}};

constexpr std::array<Pair, 74> linuxPairs{{
    {30, 0x04},  {48, 0x05},  {46, 0x06},  {32, 0x07},  {18, 0x08},  {33, 0x09},  {34, 0x0A},  {35, 0x0B},  {23, 0x0C},
    {36, 0x0D},  {37, 0x0E},  {38, 0x0F},  {50, 0x10},  {49, 0x11},  {24, 0x12},  {25, 0x13},  {16, 0x14},  {19, 0x15},
    {31, 0x16},  {20, 0x17},  {22, 0x18},  {47, 0x19},  {17, 0x1A},  {45, 0x1B},  {21, 0x1C},  {44, 0x1D},  {2, 0x1E},
    {3, 0x1F},   {4, 0x20},   {5, 0x21},   {6, 0x22},   {7, 0x23},   {8, 0x24},   {9, 0x25},   {10, 0x26},  {11, 0x27},
    {28, 0x28},  {1, 0x29},   {14, 0x2A},  {15, 0x2B},  {57, 0x2C},  {12, 0x2D},  {13, 0x2E},  {26, 0x2F},  {27, 0x30},
    {43, 0x31},  {39, 0x33},  {40, 0x34},  {41, 0x35},  {51, 0x36},  {52, 0x37},  {53, 0x38},  {59, 0x3A},  {60, 0x3B},
    {61, 0x3C},  {62, 0x3D},  {63, 0x3E},  {64, 0x3F},  {65, 0x40},  {66, 0x41},  {67, 0x42},  {68, 0x43},  {87, 0x44},
    {88, 0x45},  {110, 0x49}, {102, 0x4A}, {104, 0x4B}, {111, 0x4C}, {107, 0x4D}, {109, 0x4E}, {106, 0x4F}, {105, 0x50},
    {108, 0x51}, {103, 0x52},
}};

std::optional<std::uint8_t> lookUp(const std::unordered_map<std::uint32_t, std::uint8_t> &table, std::uint32_t code)
{
    const auto found = table.find(code);
    if (found == table.end()) {
        return std::nullopt;
    }
    return found->second;
}

} // namespace

namespace MacKeycodeMapping {

std::optional<std::uint8_t> hidUsage(std::uint16_t macKeyCode)
{
    static const std::unordered_map<std::uint32_t, std::uint8_t> table(macPairs.begin(), macPairs.end());
    return lookUp(table, macKeyCode);
}

} // namespace MacKeycodeMapping

namespace LinuxKeycodeMapping {

std::optional<std::uint8_t> hidUsage(std::uint32_t evdevCode)
{
    static const std::unordered_map<std::uint32_t, std::uint8_t> table(linuxPairs.begin(), linuxPairs.end());
    return lookUp(table, evdevCode);
}

} // namespace LinuxKeycodeMapping

KeyboardConventions KeyboardConventions::running()
{
#ifdef Q_OS_MACOS
    return {KeyCodes::macVirtualKey, !QCoreApplication::testAttribute(Qt::AA_MacDontSwapCtrlAndMeta)};
#else
    return {KeyCodes::linuxXkbKeycode, false};
#endif
}

namespace KeyTranslation {

std::uint8_t hidModifiers(Qt::KeyboardModifiers modifiers, const KeyboardConventions &conventions)
{
    const Qt::KeyboardModifier controlKey =
        conventions.controlModifierIsCommand ? Qt::MetaModifier : Qt::ControlModifier;
    const Qt::KeyboardModifier commandKey =
        conventions.controlModifierIsCommand ? Qt::ControlModifier : Qt::MetaModifier;
    std::uint8_t bits = 0;
    if (modifiers.testFlag(controlKey)) {
        bits |= HidModifier::control;
    }
    if (modifiers.testFlag(Qt::ShiftModifier)) {
        bits |= HidModifier::shift;
    }
    if (modifiers.testFlag(Qt::AltModifier)) {
        bits |= HidModifier::option;
    }
    if (modifiers.testFlag(commandKey)) {
        bits |= HidModifier::command;
    }
    return bits;
}

HidKeyPress translate(const KeyboardConventions &conventions, std::uint32_t nativeScanCode,
                      std::uint32_t nativeVirtualKey, Qt::KeyboardModifiers modifiers)
{
    HidKeyPress press;
    press.modifiers = hidModifiers(modifiers, conventions);
    switch (conventions.keyCodes) {
    case KeyboardConventions::KeyCodes::macVirtualKey:
        // Mac key codes are 16-bit; anything wider is not a key code at all.
        if (nativeVirtualKey <= 0xFFFF) {
            press.usage = MacKeycodeMapping::hidUsage(static_cast<std::uint16_t>(nativeVirtualKey));
        }
        break;
    case KeyboardConventions::KeyCodes::linuxXkbKeycode:
        // Synthesized events carry a scan code of 0, below the offset: no key.
        if (nativeScanCode >= LinuxKeycodeMapping::xkbKeycodeOffset) {
            press.usage = LinuxKeycodeMapping::hidUsage(nativeScanCode - LinuxKeycodeMapping::xkbKeycodeOffset);
        }
        break;
    }
    return press;
}

} // namespace KeyTranslation
