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
         QStringLiteral("Keep the whole device state in this JSON file, rewritten after every report."),
         QStringLiteral("file")},
        {reportLogOption,
         QStringLiteral("Log every received report in this file, one line each: milliseconds since start and the 32 "
                        "bytes in hex."),
         QStringLiteral("file")},
        {quietOption, QStringLiteral("Print nothing but errors.")},
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
    options.stateFile = parser.value(stateFileOption);
    options.reportLog = parser.value(reportLogOption);
    options.quiet = parser.isSet(quietOption);
    return options;
}
