#include "app/Backends.h"

#include "platform/linux/desktop/DesktopTrayPresence.h"
#include "signals/CombinedCalendarStore.h"

#include "platform/linux/BackendModule.h"
#include "platform/linux/audio/PulseAudioInput.h"
#include "platform/linux/calendar/ICalendarStore.h"
#include "platform/linux/calendar/OnDemandCalendarStore.h"
#include "platform/linux/camera/PipeWireCameraDevices.h"
#include "platform/linux/camera/V4L2CameraDevices.h"
#include "platform/linux/clock/BootTimeClock.h"
#include "platform/linux/desktop/DBusDesktopState.h"
#include "platform/linux/desktop/GSettingsDesktopState.h"
#include "platform/linux/desktop/LogindSystemSleep.h"
#include "platform/linux/hid/HidrawBus.h"
#include "platform/linux/network/NetlinkInterfaces.h"
#include "platform/linux/network/NetworkManagerVPNLinks.h"
#include "platform/linux/pipewire/PipeWireGraphLoader.h"
#include "platform/linux/pipewire/PipeWireScreenCast.h"
#include "platform/linux/trigger/UnixTriggerListener.h"
#include "platform/linux/update/PosixDetachedShell.h"
#include "platform/linux/update/SodiumArchiveBundleTools.h"
#include "platform/linux/update/SystemPackageDatabase.h"
#include "platform/sim/SocketHidBus.h"

#include <QFileInfo>

namespace Backends {

namespace {
// The one connection to the PipeWire graph that the backends reading it share (its module loaded
// once its daemon is there), made by the first that asks and gone with the last of them.
std::shared_ptr<PipeWireGraphLoader> pipeWireGraph()
{
    static std::weak_ptr<PipeWireGraphLoader> shared;
    std::shared_ptr<PipeWireGraphLoader> graph = shared.lock();
    if (!graph) {
        graph = std::make_shared<PipeWireGraphLoader>(BackendModule::defaultFolders());
        shared = graph;
    }
    return graph;
}
} // namespace

std::unique_ptr<HidBus> makeHidBus()
{
    const QString busFolder = qEnvironmentVariable("KESTRIX_DEVICE_BUS");
    if (!busFolder.isEmpty()) {
        return std::make_unique<SocketHidBus>(busFolder);
    }
    return std::make_unique<HidrawBus>();
}

std::unique_ptr<TriggerListener> makeTriggerListener()
{
    return std::make_unique<UnixTriggerListener>();
}

std::unique_ptr<AudioInput> makeAudioInput()
{
    return std::make_unique<PulseAudioInput>();
}

std::unique_ptr<CameraDevices> makeCameraDevices()
{
    // Direct Video4Linux readers, and apps that reach the camera through PipeWire.
    std::vector<std::unique_ptr<CameraDevices>> parts;
    parts.push_back(std::make_unique<V4L2CameraDevices>());
    parts.push_back(std::make_unique<PipeWireCameraDevices>(pipeWireGraph()));
    return std::make_unique<CombinedCameraDevices>(std::move(parts));
}

std::unique_ptr<NetworkInterfaces> makeNetworkInterfaces()
{
    return std::make_unique<NetworkManagerVPNLinks>(std::make_unique<NetlinkInterfaces>(),
                                                    QDBusConnection::systemBus());
}

std::unique_ptr<CalendarStore> makeCalendarStore()
{
    // The calendar server first: where both reach the desktop's local calendars, it serves them.
    // Its module is loaded once its source registry runs, which is watched for, never started.
    std::vector<std::unique_ptr<CalendarStore>> stores;
    stores.push_back(OnDemandCalendarStore::forCalendarServer(BackendModule::defaultFolders()));
    stores.push_back(std::make_unique<ICalendarStore>());
    return std::make_unique<CombinedCalendarStore>(std::move(stores));
}

std::vector<std::unique_ptr<DesktopStateSource>> makeScreenLockSources()
{
    std::vector<std::unique_ptr<DesktopStateSource>> sources;
    sources.push_back(DBusDesktopState::logindLockedHint(QDBusConnection::systemBus()));
    sources.push_back(DBusDesktopState::screenSaverActive(QDBusConnection::sessionBus(),
                                                          QStringLiteral("org.freedesktop.ScreenSaver")));
    sources.push_back(
        DBusDesktopState::screenSaverActive(QDBusConnection::sessionBus(), QStringLiteral("org.gnome.ScreenSaver")));
    return sources;
}

std::vector<std::unique_ptr<DesktopStateSource>> makeDoNotDisturbSources()
{
    std::vector<std::unique_ptr<DesktopStateSource>> sources;
    sources.push_back(DBusDesktopState::notificationsInhibited(QDBusConnection::sessionBus()));
    sources.push_back(GSettingsDesktopState::gnomeDoNotDisturb(QDBusConnection::sessionBus()));
    return sources;
}

std::vector<std::unique_ptr<DesktopStateSource>> makeScreenShareSources()
{
    std::vector<std::unique_ptr<DesktopStateSource>> sources;
    sources.push_back(std::make_unique<PipeWireScreenCast>(pipeWireGraph()));
    return sources;
}

std::unique_ptr<SystemSleep> makeSystemSleep()
{
    return std::make_unique<LogindSystemSleep>();
}

std::unique_ptr<Clock> makeClock()
{
    return std::make_unique<BootTimeClock>();
}

std::unique_ptr<BundleTools> makeBundleTools()
{
    return std::make_unique<SodiumArchiveBundleTools>(SodiumArchiveBundleTools::buildTrustedKeys());
}

std::unique_ptr<PackageDatabase> makePackageDatabase()
{
    return std::make_unique<SystemPackageDatabase>();
}

std::unique_ptr<DetachedShell> makeDetachedShell()
{
    return std::make_unique<PosixDetachedShell>();
}

std::unique_ptr<TrayPresence> makeTrayPresence()
{
    return std::make_unique<DesktopTrayPresence>();
}

} // namespace Backends
