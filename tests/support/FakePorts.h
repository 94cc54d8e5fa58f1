#pragma once

#include "app/TamselDesktopApp.h"
#include "platform/HidBus.h"
#include "platform/TrayPresence.h"
#include "platform/TriggerListener.h"
#include "support/BundleTestSupport.h"
#include "support/FakeAudioInput.h"
#include "support/FakeCalendarStore.h"
#include "support/FakeCameraDevices.h"
#include "support/FakeClock.h"
#include "support/FakeNetworkInterfaces.h"

#include <memory>

// The application composed over fakes of every port but the device bus and the trigger listener,
// which the test brings. No tray: the application shows its Kestrix window instead.
inline TamselDesktopApp::Ports fakePorts(std::unique_ptr<HidBus> bus, std::unique_ptr<TriggerListener> listener)
{
    return {std::move(bus),
            std::move(listener),
            std::make_unique<FakeAudioInput>(),
            std::make_unique<FakeCameraDevices>(),
            std::make_unique<FakeNetworkInterfaces>(),
            std::make_unique<FakeCalendarStore>(),
            std::make_unique<FakeClock>(),
            std::make_unique<BundleTestSupport::InertBundleTools>(),
            std::make_unique<BundleTestSupport::FakePackageDatabase>(),
            std::make_unique<BundleTestSupport::RecordingShell>(),
            nullptr};
}
