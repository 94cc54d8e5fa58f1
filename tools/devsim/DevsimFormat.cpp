#include "DevsimFormat.h"

#include "device/PresetAction.h"

#include <QJsonValue>

#include <algorithm>
#include <array>
#include <cmath>

namespace Devsim {

namespace {

QString hexByte(std::uint8_t byte)
{
    return QStringLiteral("0x%1").arg(byte, 2, 16, QLatin1Char('0'));
}

QString hsv(std::uint8_t h, std::uint8_t s, std::uint8_t v)
{
    return QStringLiteral("%1/%2/%3").arg(h).arg(s).arg(v);
}

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString describeLed(ByteView f)
{
    switch (f[1]) {
    case Dorvel::Led::color:
        return QStringLiteral("LED color ") + hsv(f[2], f[3], f[4]);
    case Dorvel::Led::mode:
        if (auto mode = fromRaw<Dorvel::RGBMode>(f[2])) {
            return QStringLiteral("LED mode ") + modeLabel(*mode);
        }
        return QStringLiteral("LED mode ") + hexByte(f[2]) + QStringLiteral(" (unknown)");
    case Dorvel::Led::brightness:
        return QStringLiteral("LED brightness %1").arg(f[2]);
    case Dorvel::Led::enabled:
        return QStringLiteral("LED ") + onOff(f[2] != 0);
    case Dorvel::Led::flashWhenOff:
        return QStringLiteral("flash when off ") + onOff(f[2] != 0);
    case Dorvel::Led::flashColor:
        return QStringLiteral("flash color ") + hsv(f[2], f[3], f[4]);
    case Dorvel::Led::flashDuration:
        return QStringLiteral("flash duration %1 ms").arg(f[2] | (f[3] << 8));
    case Dorvel::Led::white:
        return QStringLiteral("LED white %1").arg(f[2]);
    case Dorvel::Led::flashStyle:
        if (auto style = fromRaw<Dorvel::FlashStyle>(f[2])) {
            return *style == Dorvel::FlashStyle::strobe ? QStringLiteral("flash style strobe, %1 pulses").arg(f[3])
                                                        : QStringLiteral("flash style ") + flashStyleName(*style);
        }
        return QStringLiteral("flash style ") + hexByte(f[2]) + QStringLiteral(" (unknown)");
    case Dorvel::Led::suspendMode:
        if (auto mode = fromRaw<Dorvel::SuspendMode>(f[2])) {
            return QStringLiteral("suspend mode ") + suspendModeName(*mode);
        }
        return QStringLiteral("suspend mode ") + hexByte(f[2]) + QStringLiteral(" (unknown)");
    case Dorvel::Led::breatheSweep:
        if (auto sweep = fromRaw<Dorvel::BreatheSweepMode>(f[2])) {
            return QStringLiteral("breathe sweep ") + breatheSweepName(*sweep);
        }
        return QStringLiteral("breathe sweep ") + hexByte(f[2]) + QStringLiteral(" (unknown)");
    default:
        return QStringLiteral("LED sub-command ") + hexByte(f[1]) + QStringLiteral(" (unknown)");
    }
}

QString describeUpdate(ByteView f)
{
    switch (f[1]) {
    case Dorvel::Update::start:
        return QStringLiteral("firmware update start");
    case Dorvel::Update::chunk:
        return QStringLiteral("firmware update chunk");
    case Dorvel::Update::end:
        return QStringLiteral("firmware update end");
    case Dorvel::Update::abort:
        return QStringLiteral("firmware update abort");
    default:
        return QStringLiteral("firmware update ") + hexByte(f[1]) + QStringLiteral(" (unknown)");
    }
}

QString statusOrSilence(const std::optional<UpdateStatus> &status)
{
    return status ? updateStatusName(*status) : QStringLiteral("no reply");
}

int tenths(const SimulatedDorvel::UpdateProgress &progress)
{
    return progress.totalSize == 0 ? 10
                                   : static_cast<int>(std::uint64_t{progress.receivedBytes} * 10 / progress.totalSize);
}

} // namespace

QString updateStatusName(UpdateStatus status)
{
    using enum UpdateStatus;
    switch (status) {
    case ok:
        return QStringLiteral("ok");
    case tooLarge:
        return QStringLiteral("tooLarge");
    case badSequence:
        return QStringLiteral("badSequence");
    case crcMismatch:
        return QStringLiteral("crcMismatch");
    case flashWriteFailed:
        return QStringLiteral("flashWriteFailed");
    case notStarted:
        return QStringLiteral("notStarted");
    case busy:
        return QStringLiteral("busy");
    case noPartitionTable:
        return QStringLiteral("noPartitionTable");
    }
    return {};
}

std::optional<UpdateStatus> updateStatusFromName(const QString &name)
{
    for (UpdateStatus status : allCases<UpdateStatus>()) {
        if (updateStatusName(status) == name) {
            return status;
        }
    }
    return std::nullopt;
}

QJsonObject updateJson(const SimulatedDorvel::UpdateProgress &progress)
{
    using Phase = SimulatedDorvel::UpdateProgress::Phase;
    const QString phase = progress.phase == Phase::receiving   ? QStringLiteral("receiving")
                          : progress.phase == Phase::rebooting ? QStringLiteral("rebooting")
                                                               : QStringLiteral("idle");
    return {
        {QStringLiteral("phase"), phase},
        {QStringLiteral("totalSize"), static_cast<qint64>(progress.totalSize)},
        {QStringLiteral("receivedBytes"), static_cast<qint64>(progress.receivedBytes)},
        {QStringLiteral("crc32"), QStringLiteral("0x%1").arg(progress.crc32, 8, 16, QLatin1Char('0'))},
        {QStringLiteral("expectedSequence"), progress.expectedSequence},
        {QStringLiteral("lastStatus"),
         progress.lastStatus ? QJsonValue(updateStatusName(*progress.lastStatus)) : QJsonValue()},
        {QStringLiteral("bootVersion"),
         progress.bootVersion ? QJsonValue(QString::fromStdString(progress.bootVersion->description())) : QJsonValue()},
        {QStringLiteral("updatesApplied"), static_cast<qint64>(progress.updatesApplied)},
    };
}

QString updateLine(ByteView report, const SimulatedDorvel::UpdateProgress &before,
                   const SimulatedDorvel::UpdateProgress &after)
{
    using Phase = SimulatedDorvel::UpdateProgress::Phase;
    const Bytes f = Dorvel::padded(report);
    switch (f[1]) {
    case Dorvel::Update::start:
        if (after.phase == Phase::receiving && before.phase != Phase::receiving) {
            return QStringLiteral("update started: %1 bytes, CRC-32 0x%2")
                .arg(after.totalSize)
                .arg(after.crc32, 8, 16, QLatin1Char('0'));
        }
        return QStringLiteral("update start refused: ") + statusOrSilence(after.lastStatus);
    case Dorvel::Update::chunk: {
        const unsigned sequence = f[2] | (f[3] << 8);
        if (after.receivedBytes == before.receivedBytes || after.lastStatus != UpdateStatus::ok) {
            QString line = QStringLiteral("update chunk %1: ").arg(sequence) + statusOrSilence(after.lastStatus);
            if (after.lastStatus == UpdateStatus::badSequence) {
                line += QStringLiteral(" (expects %1)").arg(after.expectedSequence);
            } else if (after.receivedBytes != before.receivedBytes) {
                line += QStringLiteral(" (stored)");
            }
            return line;
        }
        if (tenths(after) == tenths(before)) {
            return {};
        }
        return QStringLiteral("update progress: %1% (%2 of %3 bytes)")
            .arg(std::uint64_t{after.receivedBytes} * 100 / after.totalSize)
            .arg(after.receivedBytes)
            .arg(after.totalSize);
    }
    case Dorvel::Update::end:
        if (after.phase == Phase::rebooting) {
            return after.bootVersion ? QStringLiteral("update verified: rebooting into v") +
                                           QString::fromStdString(after.bootVersion->description())
                                     : QStringLiteral("update verified: rebooting; the image does not boot, the "
                                                      "watchdog keeps the old firmware");
        }
        return QStringLiteral("update end: ") + statusOrSilence(after.lastStatus);
    case Dorvel::Update::abort:
        return before.phase == Phase::receiving ? QStringLiteral("update aborted")
                                                : QStringLiteral("update abort (nothing to abort)");
    default:
        return describeReport(report);
    }
}

QString modeName(Dorvel::RGBMode mode)
{
    using enum Dorvel::RGBMode;
    switch (mode) {
    case solid:
        return QStringLiteral("solid");
    case breatheSlow:
        return QStringLiteral("breatheSlow");
    case breatheFast:
        return QStringLiteral("breatheFast");
    case hueCycle:
        return QStringLiteral("hueCycle");
    case rainbowSwirl:
        return QStringLiteral("rainbowSwirl");
    case staticGradient:
        return QStringLiteral("staticGradient");
    case twinkleSameHue:
        return QStringLiteral("twinkleSameHue");
    case twinkleRandomHue:
        return QStringLiteral("twinkleRandomHue");
    case knightScanner:
        return QStringLiteral("knightScanner");
    }
    return {};
}

QString modeLabel(Dorvel::RGBMode mode)
{
    using enum Dorvel::RGBMode;
    switch (mode) {
    case solid:
        return QStringLiteral("Solid");
    case breatheSlow:
        return QStringLiteral("Breathe (slow)");
    case breatheFast:
        return QStringLiteral("Breathe (fast)");
    case hueCycle:
        return QStringLiteral("Hue Cycle");
    case rainbowSwirl:
        return QStringLiteral("Rainbow Swirl");
    case staticGradient:
        return QStringLiteral("Gradient");
    case twinkleSameHue:
        return QStringLiteral("Twinkle");
    case twinkleRandomHue:
        return QStringLiteral("Twinkle (Random)");
    case knightScanner:
        return QStringLiteral("Knight");
    }
    return {};
}

QString flashStyleName(Dorvel::FlashStyle style)
{
    using enum Dorvel::FlashStyle;
    switch (style) {
    case single:
        return QStringLiteral("single");
    case strobe:
        return QStringLiteral("strobe");
    case wipe:
        return QStringLiteral("wipe");
    case breatheOnce:
        return QStringLiteral("breatheOnce");
    }
    return {};
}

QString suspendModeName(Dorvel::SuspendMode mode)
{
    using enum Dorvel::SuspendMode;
    switch (mode) {
    case keepAnimating:
        return QStringLiteral("keepAnimating");
    case freeze:
        return QStringLiteral("freeze");
    case goDark:
        return QStringLiteral("goDark");
    }
    return {};
}

QString breatheSweepName(Dorvel::BreatheSweepMode sweep)
{
    using enum Dorvel::BreatheSweepMode;
    switch (sweep) {
    case scaled:
        return QStringLiteral("scaled");
    case fullSweep:
        return QStringLiteral("fullSweep");
    }
    return {};
}

QString platformName(HardwarePlatform platform)
{
    switch (platform) {
    case HardwarePlatform::rp2350:
        return QStringLiteral("rp2350");
    case HardwarePlatform::rp2040:
        return QStringLiteral("rp2040");
    case HardwarePlatform::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

std::optional<HardwarePlatform> platformFromName(const QString &name)
{
    for (HardwarePlatform platform : allCases<HardwarePlatform>()) {
        if (platformName(platform) == name) {
            return platform;
        }
    }
    return std::nullopt;
}

Rgb hsvToRgb(std::uint8_t hue, std::uint8_t saturation, std::uint8_t value)
{
    const double v = value / 255.0;
    const double chroma = v * (saturation / 255.0);
    const double sector = hue * 6.0 / 256.0;
    const double x = chroma * (1.0 - std::abs(std::fmod(sector, 2.0) - 1.0));
    // Red, green and blue in each sixth of the circle.
    const std::array<std::array<double, 3>, 6> sectors{
        {{chroma, x, 0}, {x, chroma, 0}, {0, chroma, x}, {0, x, chroma}, {x, 0, chroma}, {chroma, 0, x}}};
    const auto &[r, g, b] = sectors[std::min<std::size_t>(static_cast<std::size_t>(sector), 5)];
    const double m = v - chroma;
    auto byte = [m](double channel) {
        return static_cast<std::uint8_t>(std::clamp(std::lround((channel + m) * 255.0), 0L, 255L));
    };
    return {byte(r), byte(g), byte(b)};
}

QJsonObject stateJson(const SimulatedDorvel &device, const Status &status)
{
    const auto &config = device.config();
    const auto &led = device.led();
    const auto &binding = device.binding();

    QByteArray deviceId(reinterpret_cast<const char *>(config.deviceId.data()),
                        static_cast<qsizetype>(config.deviceId.size()));
    QJsonObject bindingObject;
    if (binding.type == BindType::custom) {
        bindingObject = {{QStringLiteral("type"), QStringLiteral("custom")},
                         {QStringLiteral("mods"), binding.mods},
                         {QStringLiteral("keycode"), binding.keycode},
                         {QStringLiteral("repeat"), binding.repeat},
                         {QStringLiteral("gap"), binding.gapIndex}};
    } else {
        bindingObject = {{QStringLiteral("type"), QStringLiteral("preset")},
                         {QStringLiteral("preset"), binding.presetId}};
    }
    return {
        {QStringLiteral("attached"), status.attached},
        {QStringLiteral("version"), QString::fromStdString(config.version.description())},
        {QStringLiteral("platform"), platformName(config.platform)},
        {QStringLiteral("deviceId"), QString::fromLatin1(deviceId.toHex())},
        {QStringLiteral("locationId"),
         status.locationId ? QJsonValue(static_cast<qint64>(*status.locationId)) : QJsonValue()},
        {QStringLiteral("led"), QJsonObject{{QStringLiteral("on"), led.on},
                                            {QStringLiteral("mode"), modeName(led.mode)},
                                            {QStringLiteral("hue"), led.hue},
                                            {QStringLiteral("saturation"), led.saturation},
                                            {QStringLiteral("value"), led.value},
                                            {QStringLiteral("white"), led.white}}},
        {QStringLiteral("flash"), QJsonObject{{QStringLiteral("on"), led.flashWhenOff},
                                              {QStringLiteral("hue"), led.flashHue},
                                              {QStringLiteral("saturation"), led.flashSaturation},
                                              {QStringLiteral("value"), led.flashValue},
                                              {QStringLiteral("durationMs"), led.flashDurationMs},
                                              {QStringLiteral("style"), flashStyleName(led.flashStyle)},
                                              {QStringLiteral("pulses"), led.strobePulses}}},
        {QStringLiteral("suspendMode"), suspendModeName(led.suspendMode)},
        {QStringLiteral("breatheSweep"), breatheSweepName(led.sweepMode)},
        {QStringLiteral("binding"), bindingObject},
        {QStringLiteral("update"), updateJson(device.updateProgress())},
        {QStringLiteral("reportsReceived"), static_cast<qint64>(status.reportsReceived)},
        {QStringLiteral("appConnections"), status.appConnections},
    };
}

QByteArray reportLogLine(qint64 elapsedMs, ByteView report)
{
    const Bytes frame = Dorvel::padded(report);
    const QByteArray bytes(reinterpret_cast<const char *>(frame.data()), static_cast<qsizetype>(frame.size()));
    return QByteArray::number(elapsedMs) + ' ' + bytes.toHex() + '\n';
}

QString describeReport(ByteView report)
{
    if (report.empty()) {
        return QStringLiteral("empty report");
    }
    const Bytes f = Dorvel::padded(report);
    switch (f[0]) {
    case Dorvel::stateQueryCommand:
        return QStringLiteral("state query");
    case Dorvel::identityQueryCommand:
        return QStringLiteral("identity query");
    case Dorvel::bindPresetCommand:
        if (auto action = fromRaw<PresetAction>(f[1])) {
            return QStringLiteral("bind preset %1 (%2)").arg(f[1]).arg(QString::fromUtf8(displayName(*action)));
        }
        return QStringLiteral("bind preset %1 (unknown)").arg(f[1]);
    case Dorvel::bindCustomCommand:
        return QStringLiteral("bind custom mods %1 keycode %2 repeat %3 gap %4")
            .arg(hexByte(f[1]), hexByte(f[2]))
            .arg(f[3])
            .arg(f[4]);
    case Dorvel::ledCommand:
        return describeLed(f);
    case Dorvel::firmwareUpdateCommand:
        return describeUpdate(f);
    default:
        return QStringLiteral("unknown command ") + hexByte(f[0]);
    }
}

QString ledLine(const SimulatedDorvel::Led &led, bool ansi)
{
    const Rgb colour = led.on ? hsvToRgb(led.hue, led.saturation, led.value) : Rgb{};
    const QString block =
        ansi ? QStringLiteral("\x1b[48;2;%1;%2;%3m      \x1b[0m").arg(colour.red).arg(colour.green).arg(colour.blue)
             : QStringLiteral("[#%1%2%3]")
                   .arg(colour.red, 2, 16, QLatin1Char('0'))
                   .arg(colour.green, 2, 16, QLatin1Char('0'))
                   .arg(colour.blue, 2, 16, QLatin1Char('0'));
    return QStringLiteral("LED %1 %2  %3  hsv %4  white %5")
        .arg(block, led.on ? QStringLiteral("on ") : QStringLiteral("off"), modeLabel(led.mode),
             hsv(led.hue, led.saturation, led.value))
        .arg(led.white);
}

} // namespace Devsim
