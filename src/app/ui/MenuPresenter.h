#pragma once

#include "device/DeviceQueryResponse.h"

#include <QString>

#include <optional>

// Texts of the tray menu, computed from the observed state only.
namespace MenuPresenter {

// "Device: Not Found", "Device: Connected", or "Device: <platform> v<version>". A device that is
// plugged in but may not be opened by this user gets its own line, so it never reads as absent.
QString deviceStatusLabel(bool isConnected, const std::optional<DeviceQueryResponse> &lastQuery,
                          bool hasInaccessibleDevice = false);

// The hint shown under the status line while a plugged-in device cannot be opened; empty otherwise.
QString deviceAccessHint(bool isConnected, bool hasInaccessibleDevice);

// "Kestrix v<version>", or "Kestrix v?" when the running version is unknown.
QString appVersionLabel(const std::optional<QString> &shortVersion);

// The name of the platform in the status line: "Standard", "TARN (RP2040)" or "TARN".
QString platformName(HardwarePlatform platform);

} // namespace MenuPresenter
