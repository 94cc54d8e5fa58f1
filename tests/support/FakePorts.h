#pragma once

#include "app/TamselDesktopApp.h"
#include "device/HidBus.h"
#include "signals/TriggerListener.h"
#include "support/BundleTestSupport.h"
#include "support/FakeAudioInput.h"
#include "support/FakeCalendarStore.h"
#include "support/FakeCameraDevices.h"
#include "support/FakeClock.h"
#include "support/FakeDesktopState.h"
#include "support/FakeNetworkInterfaces.h"
#include "ui/TrayPresence.h"

#include <memory>

// The application composed over fakes of every port but the device bus and the trigger listener,
// which the test brings. No tray: the application shows its Kestrix window instead.
inline TamselDesktopApp::Ports fakePorts(std::unique_ptr<HidBus> bus, std::unique_ptr<TriggerListener> listener)
{
    TamselDesktopApp::Ports ports;
    ports.hidBus = std::move(bus);
    ports.triggerListener = std::move(listener);
    ports.audioInput = std::make_unique<FakeAudioInput>();
    ports.cameraDevices = std::make_unique<FakeCameraDevices>();
    ports.networkInterfaces = std::make_unique<FakeNetworkInterfaces>();
    ports.calendarStore = std::make_unique<FakeCalendarStore>();
    ports.clock = std::make_unique<FakeClock>();
    ports.bundleTools = std::make_unique<BundleTestSupport::InertBundleTools>();
    ports.packageDatabase = std::make_unique<BundleTestSupport::FakePackageDatabase>();
    ports.detachedShell = std::make_unique<BundleTestSupport::RecordingShell>();
    ports.screenLockSources.push_back(std::make_unique<FakeDesktopState>());
    ports.doNotDisturbSources.push_back(std::make_unique<FakeDesktopState>());
    ports.screenShareSources.push_back(std::make_unique<FakeDesktopState>());
    return ports;
}
