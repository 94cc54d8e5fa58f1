#include "app/ui/MenuPresenter.h"

namespace MenuPresenter {

QString platformName(HardwarePlatform platform)
{
    switch (platform) {
    case HardwarePlatform::rp2040:
        return QStringLiteral("TARN (RP2040)");
    case HardwarePlatform::rp2350:
        return QStringLiteral("TARN");
    case HardwarePlatform::unknown:
        break;
    }
    return QStringLiteral("Standard");
}

QString deviceStatusLabel(bool isConnected, const std::optional<DeviceQueryResponse> &lastQuery,
                          bool hasInaccessibleDevice)
{
    if (!isConnected) {
        return hasInaccessibleDevice ? QStringLiteral("Device: Found, No Access") : QStringLiteral("Device: Not Found");
    }
    if (!lastQuery) {
        return QStringLiteral("Device: Connected");
    }
    return QStringLiteral("Device: ") + platformName(lastQuery->hwPlatform) + QStringLiteral(" v") +
           QString::fromStdString(lastQuery->version.description());
}

QString deviceAccessHint(bool isConnected, bool hasInaccessibleDevice)
{
    if (isConnected || !hasInaccessibleDevice) {
        return {};
    }
    return QStringLiteral("Install the device access rule (70-dorvel.rules), then replug");
}

QString appVersionLabel(const std::optional<QString> &shortVersion)
{
    return QStringLiteral("Kestrix v") + shortVersion.value_or(QStringLiteral("?"));
}

} // namespace MenuPresenter
