// Interim driver: until the tray application exists, `kestrix` shows the device manager at work
// against an in-process simulated Dorvel: attach, state and identity queries, an LED change,
// unplug, replug at another port and a reconnect wait.
#include "device/DorvelDeviceManager.h"
#include "platform/sim/SimulatedHidBus.h"
#include "util/Sleep.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

using namespace std::chrono_literals;

namespace {

void say(const std::string &text)
{
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

std::string describe(const DeviceQueryResponse &q)
{
    std::string text = "firmware " + q.version.description();
    text += q.hwPlatform == HardwarePlatform::rp2350   ? ", RP2350"
            : q.hwPlatform == HardwarePlatform::rp2040 ? ", RP2040"
                                                       : ", unknown platform";
    if (q.currentPresetID) {
        if (auto action = fromRaw<PresetAction>(*q.currentPresetID)) {
            text += ", button: " + std::string(displayName(*action));
        }
    }
    text += q.isRGBEnabled ? ", LED on" : ", LED off";
    text += " (hsv " + std::to_string(q.hue) + "/" + std::to_string(q.saturation) + "/" +
            std::to_string(q.value) + ")";
    return text;
}

std::string hex(std::optional<LocationID> location)
{
    if (!location) {
        return "none";
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08x", *location);
    return buffer;
}

QCoro::Task<> demo(DorvelDeviceManager &manager, SimulatedHidBus &bus, SimulatedDorvel &device)
{
    say("Plugging in a simulated Dorvel at location 0x14200000");
    auto plug = bus.plug(device, 0x14200000);
    auto attached = co_await manager.waitForReconnect(0x14200000, 2s);
    say(attached.ok() ? "Attached." : "Did not attach.");
    // Let the attach sequence (state, then identity query) finish: there is one request slot.
    co_await Sleep(200ms);

    auto query = co_await manager.queryDevice(3s);
    if (query.ok()) {
        say("State query: " + describe(query.value()));
    }
    auto id = co_await manager.queryDeviceID(1s);
    if (id.ok()) {
        say("Identity: " + id->identifier);
    }

    say("Setting the LED to breathing green");
    manager.updateLEDState({Dorvel::ledEnabledReport(true), Dorvel::ledModeReport(Dorvel::RGBMode::breatheSlow),
                            Dorvel::ledColorReport(85, 255, 200)});
    co_await Sleep(200ms);
    auto after = co_await manager.queryDevice(3s);
    if (after.ok()) {
        say("Device now reports: " + describe(after.value()));
    }

    say("Unplugging the device");
    bus.unplug(plug);
    auto none = co_await manager.queryDevice(1s);
    say(none.ok() ? "Unexpected reply" : "Query without a device fails at once (not connected).");

    say("Plugging it into another port (0x14300000) and waiting for it there, up to 2 s");
    device.config().version = {1, 1, 0};
    bus.plug(device, 0x14300000);
    auto back = co_await manager.waitForReconnect(0x14300000, 2s);
    say(back.ok() ? "Back at " + hex(manager.currentLocationID()) + "; the LED state was re-sent on attach."
                  : "Did not come back in time.");
    co_await Sleep(200ms);
    auto again = co_await manager.queryDevice(3s);
    if (again.ok()) {
        say("State query: " + describe(again.value()));
    }
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SimulatedHidBus bus;
    SimulatedDorvel device;
    device.replyLatency = 2ms;
    DorvelDeviceManager manager(bus);

    QObject::connect(&manager, &DorvelDeviceManager::isConnectedChanged, [](bool connected) {
        say(connected ? "[device manager] connected" : "[device manager] disconnected");
    });
    QObject::connect(&manager, &DorvelDeviceManager::deviceIDChanged, [&manager] {
        say("[device manager] deviceID = " + manager.deviceID().value_or("none"));
    });
    manager.onDeviceQueried = [](const DeviceQueryResponse &q) {
        say("[device manager] attach query: " + describe(q));
    };
    manager.start();
    QTimer::singleShot(0, [&] { demo(manager, bus, device); });
    return app.exec();
}
