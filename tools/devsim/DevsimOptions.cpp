#include "DevsimOptions.h"

#include "DevsimFormat.h"
#include "platform/sim/SocketBus.h"

#include <algorithm>

namespace {

const QString busOption = QStringLiteral("bus");
const QString nameOption = QStringLiteral("name");
const QString locationOption = QStringLiteral("location");
const QString platformOption = QStringLiteral("platform");
const QString versionOption = QStringLiteral("version");
const QString deviceIdOption = QStringLiteral("device-id");
const QString replyLengthOption = QStringLiteral("reply-length");
const QString flashStylesOption = QStringLiteral("flash-styles");
const QString latencyOption = QStringLiteral("latency-ms");
const QString stateFileOption = QStringLiteral("state-file");
const QString reportLogOption = QStringLiteral("report-log");
const QString quietOption = QStringLiteral("quiet");
const QString rebootDelayOption = QStringLiteral("reboot-delay-ms");
const QString afterRebootOption = QStringLiteral("after-reboot");
const QString noPartitionTableOption = QStringLiteral("no-partition-table");
const QString flashSizeOption = QStringLiteral("flash-size");
const QString updateStatusOption = QStringLiteral("update-status");
const QString ignoreChunkOption = QStringLiteral("ignore-chunk");
const QString loseAckOption = QStringLiteral("lose-ack");
const QString unplugAtChunkOption = QStringLiteral("unplug-at-chunk");

bool allOf(QStringView text, bool (*accept)(QChar))
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), accept);
}

bool isDecimal(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isHex(QChar c)
{
    return isDecimal(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Decimal, or hexadecimal after "0x"; no sign, no spaces.
std::optional<qulonglong> parseNumber(const QString &text, qulonglong maximum)
{
    bool ok = false;
    qulonglong number = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QStringView digits = QStringView(text).mid(2);
        if (allOf(digits, isHex)) {
            number = digits.toULongLong(&ok, 16);
        }
    } else if (allOf(text, isDecimal)) {
        number = text.toULongLong(&ok, 10);
    }
    if (!ok || number > maximum) {
        return std::nullopt;
    }
    return number;
}

QString invalid(const QString &option, const QString &expected, const QString &value)
{
    return QStringLiteral("--%1: expected %2, got \"%3\"").arg(option, expected, value);
}

constexpr qulonglong largestChunkIndex = 0xFFFFFFFFu;

// --update-status start=STATUS, end=STATUS or chunk:N=STATUS.
std::optional<QString> readUpdateStatus(const QString &value, SimulatedDorvel::UpdateFaults &faults)
{
    const qsizetype equals = value.indexOf(QLatin1Char('='));
    if (equals < 0) {
        return value;
    }
    const QString when = value.left(equals);
    const auto status = Devsim::updateStatusFromName(value.mid(equals + 1));
    if (!status) {
        return value;
    }
    if (when == QLatin1String("start")) {
        faults.startStatus = status;
    } else if (when == QLatin1String("end")) {
        faults.endStatus = status;
    } else if (when.startsWith(QLatin1String("chunk:"))) {
        const auto chunk = parseNumber(when.mid(6), largestChunkIndex);
        if (!chunk) {
            return value;
        }
        faults.chunks.push_back(
            {SimulatedDorvel::ChunkFault::Kind::forceStatus, static_cast<std::uint32_t>(*chunk), 1, *status, 0});
    } else {
        return value;
    }
    return std::nullopt;
}

// --ignore-chunk N, N:COUNT or N:always.
std::optional<QString> readIgnoreChunk(const QString &value, SimulatedDorvel::UpdateFaults &faults)
{
    const QStringList parts = value.split(QLatin1Char(':'));
    const auto chunk = parseNumber(parts.value(0), largestChunkIndex);
    int count = 1;
    if (parts.size() == 2) {
        if (parts[1] == QLatin1String("always")) {
            count = -1;
        } else if (auto n = parseNumber(parts[1], 1000000); n && *n > 0) {
            count = static_cast<int>(*n);
        } else {
            return value;
        }
    }
    if (!chunk || parts.size() > 2) {
        return value;
    }
    faults.chunks.push_back(
        {SimulatedDorvel::ChunkFault::Kind::ignore, static_cast<std::uint32_t>(*chunk), count, UpdateStatus::ok, 0});
    return std::nullopt;
}

} // namespace

void setUpDevsimParser(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Serves a simulated Dorvel on a socket bus folder; Kestrix started with KESTRIX_DEVICE_BUS set\n"
                       "to that folder finds it there as if it were plugged in over USB.\n"
                       "\n"
                       "Commands on standard input, one per line: plug, unplug, quit. SIGINT and SIGTERM quit too;\n"
                       "the device's files leave the bus on exit."));
    parser.addHelpOption();
    parser.addOptions({
        {busOption, QStringLiteral("The bus folder (required); created, owner-only, when missing."),
         QStringLiteral("dir")},
        {nameOption, QStringLiteral("The device's name on the bus (default dorvel)."), QStringLiteral("name")},
        {locationOption, QStringLiteral("USB location: a number, decimal or 0x hex, or \"none\" (default 0x14200000)."),
         QStringLiteral("n")},
        {platformOption, QStringLiteral("Hardware platform: rp2350, rp2040 or unknown (default rp2350)."),
         QStringLiteral("platform")},
        {versionOption, QStringLiteral("Firmware version (default 1.0.0)."), QStringLiteral("x.y.z")},
        {deviceIdOption, QStringLiteral("Device identity, 16 hex digits (default 0123456789abcdef)."),
         QStringLiteral("hex16")},
        {replyLengthOption, QStringLiteral("Length of the state reply, 21 to 32 (default 32)."), QStringLiteral("n")},
        {flashStylesOption, QStringLiteral("Number of flash styles the firmware offers, 0 to 255 (default 4)."),
         QStringLiteral("n")},
        {latencyOption, QStringLiteral("Delay before each reply in milliseconds, 0 to 60000 (default 0)."),
         QStringLiteral("n")},
        {stateFileOption,
         QStringLiteral("Keep the whole device state and how many programs have it open in this JSON file, "
                        "rewritten after every change."),
         QStringLiteral("file")},
        {reportLogOption,
         QStringLiteral("Log every received report in this file, one line each: milliseconds since start and the 32 "
                        "bytes in hex."),
         QStringLiteral("file")},
        {quietOption, QStringLiteral("Print nothing but errors.")},
        {rebootDelayOption,
         QStringLiteral("How long the device is off the bus after a verified firmware update, 0 to 600000 ms "
                        "(default 2000)."),
         QStringLiteral("n")},
        {afterRebootOption,
         QStringLiteral("Where the device comes back after a firmware update: same, never, or a location "
                        "(default same)."),
         QStringLiteral("where")},
        {noPartitionTableOption, QStringLiteral("The device answers every update-start with noPartitionTable.")},
        {flashSizeOption, QStringLiteral("The largest image the device accepts, in bytes (default 1835008)."),
         QStringLiteral("n")},
        {updateStatusOption,
         QStringLiteral("Answer an update report with a status instead of handling it: start=STATUS, end=STATUS or "
                        "chunk:N=STATUS (chunks counted from 0 by their place in the image). STATUS is ok, tooLarge, "
                        "badSequence, crcMismatch, flashWriteFailed, notStarted, busy or noPartitionTable. "
                        "Repeatable."),
         QStringLiteral("when=status")},
        {ignoreChunkOption,
         QStringLiteral("Chunk N gets no reply and is not stored: once, COUNT times in a row, or always "
                        "(N, N:COUNT, N:always). Repeatable."),
         QStringLiteral("n[:count]")},
        {loseAckOption,
         QStringLiteral("Chunk N is stored but its acknowledgement is lost once; the resend then gets badSequence. "
                        "Repeatable."),
         QStringLiteral("n")},
        {unplugAtChunkOption, QStringLiteral("Pull the device out when chunk N arrives (plug it back with \"plug\")."),
         QStringLiteral("n")},
    });
}

Result<DevsimOptions, QString> readDevsimOptions(const QCommandLineParser &parser)
{
    DevsimOptions options;
    if (!parser.positionalArguments().isEmpty()) {
        return QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst());
    }
    options.busFolder = parser.value(busOption);
    if (options.busFolder.isEmpty()) {
        return QStringLiteral("--bus is required: the folder the application watches");
    }
    if (parser.isSet(nameOption)) {
        options.name = parser.value(nameOption);
        if (!SocketBus::isValidName(options.name)) {
            return invalid(nameOption, QStringLiteral("a file name without '/' that does not start with '.'"),
                           options.name);
        }
    }
    if (parser.isSet(locationOption)) {
        const QString value = parser.value(locationOption);
        if (value == QLatin1String("none")) {
            options.location.reset();
        } else if (auto number = parseNumber(value, 0xFFFFFFFFu)) {
            options.location = static_cast<LocationID>(*number);
        } else {
            return invalid(locationOption, QStringLiteral("a number up to 0xffffffff or \"none\""), value);
        }
    }
    if (parser.isSet(platformOption)) {
        const QString value = parser.value(platformOption);
        const auto platform = Devsim::platformFromName(value);
        if (!platform) {
            return invalid(platformOption, QStringLiteral("rp2350, rp2040 or unknown"), value);
        }
        options.device.platform = *platform;
    }
    if (parser.isSet(versionOption)) {
        const QString value = parser.value(versionOption);
        const auto version = FirmwareVersion::fromString(value.toStdString());
        if (!version) {
            return invalid(versionOption, QStringLiteral("three numbers up to 255, like 1.2.3"), value);
        }
        options.device.version = *version;
    }
    if (parser.isSet(deviceIdOption)) {
        const QString value = parser.value(deviceIdOption);
        if (value.size() != 16 || !allOf(value, isHex)) {
            return invalid(deviceIdOption, QStringLiteral("16 hex digits"), value);
        }
        for (std::size_t i = 0; i < options.device.deviceId.size(); ++i) {
            const auto index = static_cast<qsizetype>(2 * i);
            options.device.deviceId[i] =
                static_cast<std::uint8_t>(QStringView(value).mid(index, 2).toUInt(nullptr, 16));
        }
    }
    if (parser.isSet(replyLengthOption)) {
        const QString value = parser.value(replyLengthOption);
        const auto length = parseNumber(value, 32);
        if (!length || *length < 21) {
            return invalid(replyLengthOption, QStringLiteral("a number from 21 to 32"), value);
        }
        options.device.replyLength = static_cast<std::size_t>(*length);
    }
    if (parser.isSet(flashStylesOption)) {
        const QString value = parser.value(flashStylesOption);
        const auto count = parseNumber(value, 255);
        if (!count) {
            return invalid(flashStylesOption, QStringLiteral("a number from 0 to 255"), value);
        }
        options.device.flashStyleCount = static_cast<std::uint8_t>(*count);
    }
    if (parser.isSet(latencyOption)) {
        const QString value = parser.value(latencyOption);
        const auto latency = parseNumber(value, 60000);
        if (!latency) {
            return invalid(latencyOption, QStringLiteral("milliseconds from 0 to 60000"), value);
        }
        options.latency = std::chrono::milliseconds(*latency);
    }
    if (parser.isSet(rebootDelayOption)) {
        const QString value = parser.value(rebootDelayOption);
        const auto delay = parseNumber(value, 600000);
        if (!delay) {
            return invalid(rebootDelayOption, QStringLiteral("milliseconds from 0 to 600000"), value);
        }
        options.device.rebootDelay = std::chrono::milliseconds(*delay);
    }
    if (parser.isSet(afterRebootOption)) {
        using After = SimulatedDorvel::UpdateFaults::AfterReboot;
        const QString value = parser.value(afterRebootOption);
        if (value == QLatin1String("same")) {
            options.updateFaults.afterReboot = After::sameLocation;
        } else if (value == QLatin1String("never")) {
            options.updateFaults.afterReboot = After::never;
        } else if (auto location = parseNumber(value, 0xFFFFFFFFu)) {
            options.updateFaults.afterReboot = After::otherLocation;
            options.updateFaults.otherLocation = static_cast<LocationID>(*location);
        } else {
            return invalid(afterRebootOption, QStringLiteral("same, never or a location"), value);
        }
    }
    options.device.hasPartitionTable = !parser.isSet(noPartitionTableOption);
    if (parser.isSet(flashSizeOption)) {
        const QString value = parser.value(flashSizeOption);
        const auto size = parseNumber(value, 0xFFFFFFFFu);
        if (!size) {
            return invalid(flashSizeOption, QStringLiteral("a number of bytes"), value);
        }
        options.device.flashCapacity = static_cast<std::uint32_t>(*size);
    }
    for (const QString &value : parser.values(updateStatusOption)) {
        if (auto bad = readUpdateStatus(value, options.updateFaults)) {
            return invalid(updateStatusOption, QStringLiteral("start=STATUS, end=STATUS or chunk:N=STATUS"), *bad);
        }
    }
    for (const QString &value : parser.values(ignoreChunkOption)) {
        if (auto bad = readIgnoreChunk(value, options.updateFaults)) {
            return invalid(ignoreChunkOption, QStringLiteral("N, N:COUNT or N:always"), *bad);
        }
    }
    for (const QString &value : parser.values(loseAckOption)) {
        const auto chunk = parseNumber(value, largestChunkIndex);
        if (!chunk) {
            return invalid(loseAckOption, QStringLiteral("a chunk number"), value);
        }
        options.updateFaults.chunks.push_back({SimulatedDorvel::ChunkFault::Kind::loseAcknowledgement,
                                               static_cast<std::uint32_t>(*chunk), 1, UpdateStatus::ok, 0});
    }
    if (parser.isSet(unplugAtChunkOption)) {
        const QString value = parser.value(unplugAtChunkOption);
        const auto chunk = parseNumber(value, largestChunkIndex);
        if (!chunk) {
            return invalid(unplugAtChunkOption, QStringLiteral("a chunk number"), value);
        }
        options.updateFaults.chunks.push_back(
            {SimulatedDorvel::ChunkFault::Kind::unplug, static_cast<std::uint32_t>(*chunk), 1, UpdateStatus::ok, 0});
    }
    options.stateFile = parser.value(stateFileOption);
    options.reportLog = parser.value(reportLogOption);
    options.quiet = parser.isSet(quietOption);
    return options;
}
